// A workspace page of the main window's notebook: two views side by side whose split is kept in
// the profile under the frame's class name.
#pragma once

#include <functional>

#include <wx/panel.h>
#include <wx/splitter.h>

class CFrameWnd;
class CViewItemProperties;

class CSplitChildFrame : public wxPanel {
 public:
  // templateId: the document template that made the frame (128 or 337).
  CSplitChildFrame(wxWindow* parent, int templateId, const wchar_t* frameClass, const wxString& leftView,
                   const wxString& rightView);
  // Makes a side's window in the splitter it is given.
  using ViewMaker = std::function<wxWindow*(wxWindow* splitter)>;
  CSplitChildFrame(wxWindow* parent, int templateId, const wchar_t* frameClass, const ViewMaker& leftView,
                   const ViewMaker& rightView);

  // The document's frame this page shows; compared only, the document owns it.
  CFrameWnd* m_pFrameWnd = nullptr;
  ~CSplitChildFrame() override;

  int GetTemplateId() const { return m_nTemplateId; }
  // The view that feeds the properties pane now; none by default.
  virtual CViewItemProperties* GetActiveViewProperties() { return nullptr; }
  wxSplitterWindow* GetSplitter() { return m_pSplitter; }

 private:
  wxWindow* MakeView(const wxString& name);

  int m_nTemplateId;
  const wchar_t* m_pszFrameClass;
  wxSplitterWindow* m_pSplitter = nullptr;
};
