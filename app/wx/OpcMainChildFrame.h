// The configuration workspace (document template 128): device view and tag view.
#pragma once

#include "app/wx/SplitChildFrame.h"

class CFrameWnd;

class COpcMainChildFrame : public CSplitChildFrame {
 public:
  // The windows of the frame's device and tag views; a side without its view shows its banner.
  COpcMainChildFrame(wxWindow* parent, CFrameWnd* frame);
};
