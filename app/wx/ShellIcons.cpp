#include "app/wx/ShellIcons.h"

#include <wx/icon.h>

namespace {

const char* const kOutputIcon165[] = {
    "16 16 3 1",
    "  c None",
    "w c #FFFFFF",
    "k c #000000",
    "                ",
    "                ",
    " kkkkkkkkkkkkkk ",
    " kkkkkkkkkkkkkk ",
    " kkkkkkkkkkkkkk ",
    " kwwwwwwwwwwwwk ",
    " kwkkkkkkkkkkwk ",
    " kwwwwwwwwwwwwk ",
    " kwkkkkkkkwwwwk ",
    " kwwwwwwwwwwwwk ",
    " kwkkkkkkkkkkkk ",
    " kwwwwwwwwwwwwk ",
    " kwkkkkkwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    "                ",
    "                "};

const char* const kOutputIcon166[] = {
    "16 16 6 1",
    "  c None",
    "w c #FFFFFF",
    "k c #000000",
    "b c #3169C6",
    "g c #606060",
    "r c #C03030",
    "                ",
    "                ",
    " kkkkkkkkkkkkkk ",
    " kbbbbbbbbbbbbk ",
    " kbbbbbbbbbbbbk ",
    " kwwwwwwwwwwwwk ",
    " kwrrggggggggwk ",
    " kwwwwwwwwwwwwk ",
    " kwgggggggwwwwk ",
    " kwwwwwwwwwwwwk ",
    " kwgggggggggggk ",
    " kwwwwwwwwwwwwk ",
    " kwgggggwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    "                ",
    "                "};

const char* const kPropertiesIcon167[] = {
    "16 16 3 1",
    "  c None",
    "w c #FFFFFF",
    "k c #000000",
    "                ",
    " kkkkkkkkkkkkkk ",
    " kwwwwkwwwwwwwk ",
    " kwkkwkkkkkkkwk ",
    " kwkkwkwwwwwwwk ",
    " kwwwwkwwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    " kwkkwkkkkkkkwk ",
    " kwkkwkwwwwwwwk ",
    " kwwwwkwwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    " kwkkwkkkkkkkwk ",
    " kwkkwkwwwwwwwk ",
    " kwwwwkwwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    "                "};

const char* const kPropertiesIcon168[] = {
    "16 16 6 1",
    "  c None",
    "w c #FFFFFF",
    "k c #000000",
    "b c #3169C6",
    "g c #505050",
    "l c #A0A0A0",
    "                ",
    " kkkkkkkkkkkkkk ",
    " kwwwwlwwwwwwwk ",
    " kwbbwlggggggwk ",
    " kwbbwlwwwwwwwk ",
    " kwwwwlwwwwwwwk ",
    " kllllllllllllk ",
    " kwbbwlggggggwk ",
    " kwbbwlwwwwwwwk ",
    " kwwwwlwwwwwwwk ",
    " kllllllllllllk ",
    " kwbbwlggggggwk ",
    " kwbbwlwwwwwwwk ",
    " kwwwwlwwwwwwwk ",
    " kkkkkkkkkkkkkk ",
    "                "};

const char* const kFrameIcon16[] = {
    "16 16 6 1",
    "  c None",
    "k c #1A1A1A",
    "d c #404040",
    "r c #D04020",
    "g c #20A040",
    "b c #2060D0",
    "                ",
    "      krrk      ",
    "     krrrrk     ",
    "     krrrrk     ",
    "     krrrrk     ",
    "      krrk      ",
    "      d  d      ",
    "     dd  dd     ",
    "     d    d     ",
    "  kkk      kkk  ",
    " kgggk    kbbbk ",
    " gggggddddbbbbb ",
    " gggggddddbbbbb ",
    " kgggk    kbbbk ",
    "  kkk      kkk  ",
    "                "};

const char* const kFrameIcon32[] = {
    "32 32 6 1",
    "  c None",
    "k c #1A1A1A",
    "d c #404040",
    "r c #D04020",
    "g c #20A040",
    "b c #2060D0",
    "                                ",
    "                                ",
    "             kkkkkk             ",
    "            krrrrrrk            ",
    "           krrrrrrrrk           ",
    "           krrrrrrrrk           ",
    "           krrrrrrrrk           ",
    "           krrrrrrrrk           ",
    "           krrrrrrrrk           ",
    "           krrrrrrrrk           ",
    "            krrrrrrk            ",
    "            dkkkkkkd            ",
    "            dd    dd            ",
    "           ddd    ddd           ",
    "           dd      dd           ",
    "          ddd      ddd          ",
    "          dd        dd          ",
    "         ddd        ddd         ",
    "         dd          dd         ",
    "    kkkkkkd          dkkkkkk    ",
    "   kggggggk          kbbbbbbk   ",
    "  kggggggggk        kbbbbbbbbk  ",
    "  kggggggggk        kbbbbbbbbk  ",
    "  kggggggggkddddddddkbbbbbbbbk  ",
    "  kggggggggkddddddddkbbbbbbbbk  ",
    "  kggggggggk        kbbbbbbbbk  ",
    "  kggggggggk        kbbbbbbbbk  ",
    "   kggggggk          kbbbbbbk   ",
    "    kkkkkk            kkkkkk    ",
    "                                ",
    "                                ",
    "                                "};

}  // namespace

wxBitmap CShellIcons::PaneIcon(int id) {
  switch (id) {
    case IDI_OUTPUT_WND:
      return wxBitmap(kOutputIcon165);
    case IDI_OUTPUT_WND_HC:
      return wxBitmap(kOutputIcon166);
    case IDI_PROPERTIES_WND:
      return wxBitmap(kPropertiesIcon167);
    case IDI_PROPERTIES_WND_HC:
      return wxBitmap(kPropertiesIcon168);
    default:
      return wxBitmap();
  }
}

wxIconBundle CShellIcons::FrameIcons() {
  wxIconBundle icons;
  icons.AddIcon(wxIcon(kFrameIcon16));
  icons.AddIcon(wxIcon(kFrameIcon32));
  return icons;
}
