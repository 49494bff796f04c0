// A form view that resizes with its window: its controls laid out by a sizer, those anchored to
// the right and bottom edges stretched when the view is larger than the form; a view smaller than
// the form lays out at the form's size and scrolls, so no control is cut off.
#pragma once

#include <wx/panel.h>
#include <wx/scrolwin.h>

class CResizableFormView : public wxScrolled<wxPanel> {
 public:
  explicit CResizableFormView(wxWindow* parent);

 protected:
  // After the subclass has made its controls: the sizer places them; the form's size is the
  // sizer's minimum.
  void SetFormSizer(wxSizer* sizer);
};
