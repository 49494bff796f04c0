// The images of the device tree and the tag rows, in the order the document numbers them, the
// last one the inactive mark: drawn, 16 x 16.
#pragma once

#include <wx/imaglist.h>

namespace views_wx {
constexpr int kTreeImageCount = 23;
constexpr int kInactiveImage = 22;
// A new list the caller owns.
wxImageList* CreateTreeImages();
}  // namespace views_wx
