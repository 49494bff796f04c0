// The modal "Options" sheet with its eleven pages in a list. Pages show the open project's values
// (its defaults without one) and are checked and applied only when they were visited.
#pragma once

#include <memory>
#include <vector>

#include <wx/propdlg.h>

class COptionsPage;

class COptionsDlg : public wxPropertySheetDialog {
 public:
  static constexpr int kPageCount = 11;

  // startPage -1: the page shown last.
  COptionsDlg(wxWindow* parent, int startPage, int startMode, bool connected = false);
  ~COptionsDlg() override;

  static int GetLastPage();
  COptionsPage* GetPage(int index) { return m_pages[static_cast<size_t>(index)]; }
  bool WasVisited(int index) const { return m_visited[static_cast<size_t>(index)]; }
  // OK: every visited page checks its values; a refusal shows its text and keeps the sheet.
  bool ApplyVisitedPages();
  // The strip above the pages that names the active one.
  wxWindow* GetPageHeader() { return m_pHeader; }
  wxString GetPageHeaderText() const;

 private:
  void OnOk(wxCommandEvent& event);
  void OnDrawPageHeader(wxDC& dc, const wxRect& rect);

  std::vector<COptionsPage*> m_pages;
  std::vector<bool> m_visited;
  wxWindow* m_pHeader = nullptr;
};
