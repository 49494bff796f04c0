#include "views/wx/TreeImages.h"

#include <wx/bitmap.h>
#include <wx/dcmemory.h>

namespace views_wx {

wxImageList* CreateTreeImages() {
  auto* images = new wxImageList(16, 16, true, 2 * kTreeImageCount);
  for (int i = 0; i < kTreeImageCount; ++i) {
    wxBitmap bitmap(16, 16);
    {
      wxMemoryDC dc(bitmap);
      dc.SetBackground(*wxWHITE_BRUSH);
      dc.Clear();
      if (i == kInactiveImage) {
        dc.SetPen(wxPen(*wxRED, 2));
        dc.DrawLine(3, 3, 13, 13);
        dc.DrawLine(13, 3, 3, 13);
      } else {
        // One hue per kind, so devices, blocks, NVs and CPs tell apart at a glance.
        const unsigned char r = static_cast<unsigned char>((i * 67) % 200 + 40);
        const unsigned char g = static_cast<unsigned char>((i * 131) % 200 + 40);
        const unsigned char b = static_cast<unsigned char>((i * 29) % 200 + 40);
        dc.SetPen(*wxBLACK_PEN);
        dc.SetBrush(wxBrush(wxColour(r, g, b)));
        if (i % 2 == 0)
          dc.DrawRectangle(2, 2, 12, 12);
        else
          dc.DrawEllipse(2, 2, 12, 12);
      }
    }
    images->Add(bitmap, *wxWHITE);
  }
  for (int i = 0; i < kTreeImageCount; ++i) {
    wxBitmap marked(16, 16);
    {
      wxMemoryDC dc(marked);
      dc.SetBackground(*wxWHITE_BRUSH);
      dc.Clear();
      images->Draw(i, dc, 0, 0, wxIMAGELIST_DRAW_TRANSPARENT);
      images->Draw(kInactiveImage, dc, 0, 0, wxIMAGELIST_DRAW_TRANSPARENT);
    }
    images->Add(marked, *wxWHITE);
  }
  return images;
}

}  // namespace views_wx
