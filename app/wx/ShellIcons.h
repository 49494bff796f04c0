// The main window's own images: the frame's icon and the panes' icons 165-168.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

class CShellIcons {
 public:
  enum : int { IDI_OUTPUT_WND = 165, IDI_OUTPUT_WND_HC = 166, IDI_PROPERTIES_WND = 167, IDI_PROPERTIES_WND_HC = 168 };

  // 165-168; an invalid bitmap for any other id.
  static wxBitmap PaneIcon(int id);
  // The frame's icon in 16 and 32 pixels.
  static wxIconBundle FrameIcons();
};
