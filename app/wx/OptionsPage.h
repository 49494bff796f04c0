// One page of the Options sheet.
#pragma once

#include <utility>
#include <vector>

#include <wx/checkbox.h>
#include <wx/panel.h>
#include <wx/sizer.h>

#include "platform/win32/CString.h"
#include "platform/com/ComTypes.h"

class CDoc;
class wxChoice;
class wxFlexGridSizer;

class COptionsPage : public wxPanel {
 public:
  COptionsPage(wxWindow* parent, const wxString& caption, int startMode, bool connected);

  const wxString& GetCaption() const { return m_caption; }
  // The refusal text of Apply, empty when the page's values may be written.
  virtual CString Check() { return CString(); }
  // Writes the values to the open project (nothing without one). A dispatch exception of the
  // network control reaches the sheet, which shows it and stays open.
  virtual void Apply() {}

 protected:
  bool IsInteractive() const { return m_nStartMode == 1; }
  bool IsConnected() const { return m_bConnected; }

  static wxString ToWx(const CString& text) { return wxString(text.GetString()); }
  static CString ToCString(const wxString& text) { return CString(text.wc_str()); }
  // A setting of the project that marks the document modified when it changes.
  template <class T, class V>
  static void SetMarked(CDoc* doc, T& field, V value) {
    if (field == static_cast<T>(value)) return;
    field = static_cast<T>(value);
    MarkModified(doc);
  }
  // A switch of the network control; unchecked without a project or when the control cannot say.
  static bool ControlSwitch(CDoc* doc, DISPID id);
  // "< none >" and the control's interfaces, the current one selected (else the first).
  static void FillInterfaces(wxChoice* choice, CDoc* doc, const CString& current);
  // A two-column grid of labels and controls, and one row of it.
  static wxFlexGridSizer* Grid();
  static void Row(wxFlexGridSizer* grid, wxWindow* parent, const wxString& label, wxWindow* control);
  // A check box of a page, in a column.
  static wxCheckBox* AddCheck(wxWindow* page, wxSizer* sizer, int id, const char* text, bool checked, bool enabled);
  // The page's content with its margin.
  static void Finish(wxPanel* page, wxSizer* content);
  // The bits of the boxes, and those of them that are checked.
  static void CollectBits(const std::vector<std::pair<wxCheckBox*, int>>& boxes, int& bits, int& checked);

 private:
  static void MarkModified(CDoc* doc);

  wxString m_caption;
  int m_nStartMode;
  bool m_bConnected;
};
