#include "app/wx/OptionsPages.h"

#include "app/wx/BrowsePage.h"
#include "app/wx/PrtcOptionsPage1.h"
#include "app/wx/PrtcOptionsPage10.h"
#include "app/wx/PrtcOptionsPage2.h"
#include "app/wx/PrtcOptionsPage3.h"
#include "app/wx/PrtcOptionsPage4.h"
#include "app/wx/PrtcOptionsPage5.h"
#include "app/wx/PrtcOptionsPage6.h"
#include "app/wx/PrtcOptionsPage7.h"
#include "app/wx/PrtcOptionsPage8.h"
#include "app/wx/PrtcOptionsPage9.h"

COptionsPage* CreateOptionsPage(int index, wxWindow* parent, int mode, bool connected) {
  switch (index) {
    case 0:
      return new CPrtcOptionsPage6(parent, mode, connected);
    case 1:
      return new CPrtcOptionsPage8(parent, mode, connected);
    case 2:
      return new CPrtcOptionsPage10(parent, mode, connected);
    case 3:
      return new CPrtcOptionsPage7(parent, mode, connected);
    case 4:
      return new CBrowsePage(parent, mode, connected);
    case 5:
      return new CPrtcOptionsPage9(parent, mode, connected);
    case 6:
      return new CPrtcOptionsPage4(parent, mode, connected);
    case 7:
      return new CPrtcOptionsPage1(parent, mode, connected);
    case 8:
      return new CPrtcOptionsPage2(parent, mode, connected);
    case 9:
      return new CPrtcOptionsPage5(parent, mode, connected);
    default:
      return new CPrtcOptionsPage3(parent, mode, connected);
  }
}
