// The windows and dialogs of the GUI that the device model opens. The GUI implements these; the
// tests record the calls. With none set nothing is shown and the dialogs count as cancelled.
#pragma once

#include <memory>

#include "foundation/ScopedInstaller.h"
#include "lon/TagProperties.h"
#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// The scan progress window: made on the first scan event, closed and deleted at its end.
class CScanWindowLink {
 public:
  virtual ~CScanWindowLink() = default;
  virtual void SetNode(const CString& neuronId, short node, short count) = 0;
  virtual void SetDomain(const CString& domain) = 0;
  // WM_CLOSE to the window; the object is deleted right after.
  virtual void Close() = 0;
};

class CLonGuiLinks {
 public:
  virtual ~CLonGuiLinks() = default;
  virtual std::unique_ptr<CScanWindowLink> CreateScanWindow() = 0;
  // The main frame shows and activates its properties pane.
  virtual void ShowPropertiesPane() = 0;
  // The document's "Device Properties" dialog; its result.
  virtual int ShowDeviceProperties() = 0;
  // Runs the "Tag Properties" dialog modally on `record`; IDOK leaves the edits in it.
  virtual int RunTagDialog(CTagProperties& record) = 0;
  // The replace-node dialog; IDOK with the new Neuron ID text.
  virtual int RunReplaceNodeDialog(CString& neuronId) = 0;
  // A modal sheet with one node status page.
  virtual void ShowNodeStatusSheet(const CString& title, IDispatch* node) = 0;
  // A modal sheet with the two side pages of a router, near side first.
  virtual void ShowRouterStatusSheet(const CString& title, const CString& nearCaption, IDispatch* nearSide,
                                     const CString& farCaption, IDispatch* farSide) = 0;
};

void SetLonGuiLinks(CLonGuiLinks* links);
CLonGuiLinks* GetLonGuiLinks();

// Sets the links for its lifetime and puts the ones before them back.
using CScopedLonGuiLinks = CScopedInstaller<CLonGuiLinks, &GetLonGuiLinks, &SetLonGuiLinks>;
