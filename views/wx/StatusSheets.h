// The modal sheets of the status pages: a device's, a router's two sides and the interface's
// status with its statistics.
#pragma once

#include <wx/propdlg.h>

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

class CStatusSheet : public wxPropertySheetDialog {
 public:
  CStatusSheet(wxWindow* parent, const CString& title);
  void AddNodePage(IDispatch* node);
  void AddRouterSidePage(const CString& caption, IDispatch* side);
  void AddInterfacePages(IDispatch* configuration);
  // Call after the pages are in.
  void Finish();
};
