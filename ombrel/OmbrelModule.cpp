// The component library: the control and its property page, registered with the type library.
#include "ombrel/OmbrelCtrl.h"
#include "ombrel/OmbrelPropPage.h"
#include "platform/com/InprocServer.h"

namespace {

// 0x20091: activate when visible, inside-out, set client site first, recompose on resize.
const wchar_t kCtrlScript[] = LR"(
HKCR
{
  OMBREL.OmbrelCtrl.1 = s 'Ombrel Control' { CLSID = s '%CLSID%' }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Ombrel Control'
    {
      ProgID = s 'OMBREL.OmbrelCtrl.1'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
      Control
      MiscStatus = s '0' { 1 = s '131217' }
      ToolboxBitmap32 = s '%MODULE%, 1'
      TypeLib = s '{7268CE55-640B-44C9-98AA-7C57016B5BF3}'
      Version = s '1.0'
    }
  }
  NoRemove TypeLib
  {
    ForceRemove {7268CE55-640B-44C9-98AA-7C57016B5BF3}
    {
      1.0 = s 'Ombrel ActiveX Control module'
      {
        0 { linux = s '%MODULE%' }
        FLAGS = s '2'
        HELPDIR = s ''
      }
    }
  }
}
)";

const wchar_t kPageScript[] = LR"(
HKCR
{
  OMBREL.OmbrelPropPage.1 = s 'Ombrel Property Page' { CLSID = s '%CLSID%' }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Ombrel Property Page'
    {
      ProgID = s 'OMBREL.OmbrelPropPage.1'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
    }
  }
}
)";

const InprocClassEntry kClasses[] = {
    {&CLSID_OmbrelCtrl, &COmbrelCtrl::CreateInstance, kCtrlScript, 0},
    {&CLSID_OmbrelPropPage, &COmbrelPropPage::CreateInstance, kPageScript, 0},
};

}  // namespace

TESSALY_INPROC_SERVER(kClasses)
