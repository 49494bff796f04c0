// A page of check boxes, one per bit of a mask of the project's settings; without a project all
// start checked.
#pragma once

#include <initializer_list>

#include "app/wx/OptionsPage.h"

class CMaskPage : public COptionsPage {
 public:
  struct Box {
    int id;
    const char* text;
    int bit;
  };

 protected:
  // mask: the project's, or none without a project (all checked).
  CMaskPage(wxWindow* parent, const wxString& caption, int mode, bool connected, std::initializer_list<Box> boxes,
            int mask);
  // bits: the page's bits; checked: those of them that are checked.
  void GetBits(int& bits, int& checked) const;

 private:
  std::vector<std::pair<wxCheckBox*, int>> m_boxes;
};
