// The images of the device tree and the tag rows, in the order the document numbers them, the
// last one the inactive mark: drawn, 16 x 16.
#pragma once

#include <wx/imaglist.h>

namespace views_wx {
constexpr int kTreeImageCount = 23;
constexpr int kInactiveImage = 22;
// A new list the caller owns: the images, then each of them with the inactive mark drawn over it
// (trees of the toolkit draw no overlays of their own).
wxImageList* CreateTreeImages();
// The image with the inactive mark over it.
inline int WithInactiveMark(int image) { return image >= 0 && image < kTreeImageCount ? kTreeImageCount + image : image; }
}  // namespace views_wx
