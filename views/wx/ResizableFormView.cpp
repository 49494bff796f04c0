#include "views/wx/ResizableFormView.h"

#include <wx/sizer.h>

CResizableFormView::CResizableFormView(wxWindow* parent) : wxScrolled<wxPanel>(parent, wxID_ANY) { SetScrollRate(8, 8); }

void CResizableFormView::SetFormSizer(wxSizer* sizer) {
  SetSizer(sizer);
  FitInside();
}
