// The Output pane's text on paper: its lines in the GUI's fixed font, as many per page as fit
// between the margins, long lines cut at the right margin.
#pragma once

#include <vector>

#include <wx/print.h>

class CProtocolPrintout : public wxPrintout {
 public:
  explicit CProtocolPrintout(std::vector<wxString> lines);

  void OnPreparePrinting() override;
  bool HasPage(int page) override;
  void GetPageInfo(int* minPage, int* maxPage, int* pageFrom, int* pageTo) override;
  bool OnPrintPage(int page) override;

  int GetPageCount() const { return m_nPages; }

 private:
  // Lines per page on the current device context, at least one.
  int LinesPerPage(wxDC& dc, int& lineHeight, wxRect& area);

  std::vector<wxString> m_lines;
  int m_nPages = 1;
};
