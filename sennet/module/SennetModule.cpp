// The Sennet component library: the four standard exports, its registry script and strings.
// There is no type library here: registration writes the script's keys only (its "TypeLib"
// value names the library id for clients that look).
#include "platform/com/InprocServer.h"
#include "platform/win32/Resources.h"
#include "sennet/XMLFormatter.h"

namespace {

constexpr UINT IDS_PROJNAME = 100;
constexpr UINT IDR_XMLFORMATTER = 102;

const wchar_t kScript[] = LR"(
HKCR
{
  Sennet.XMLFormatter.1 = s 'XMLFormatter Class'
  {
    CLSID = s '%CLSID%'
  }
  Sennet.XMLFormatter = s 'XMLFormatter Class'
  {
    CLSID = s '%CLSID%'
    CurVer = s 'Sennet.XMLFormatter.1'
  }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'XMLFormatter Class'
    {
      ProgID = s 'Sennet.XMLFormatter.1'
      VersionIndependentProgID = s 'Sennet.XMLFormatter'
      Programmable
      InprocServer32 = s '%MODULE%'
      {
        val ThreadingModel = s 'Apartment'
      }
      TypeLib = s '{)" SENNET_LIBID_TEXT LR"(}'
    }
  }
}
)";

// The library's resources, in place when the runtime first asks for the class or registration.
[[maybe_unused]] const bool kResourcesRegistered = [] {
  const StringResource strings[] = {{IDS_PROJNAME, L"Sennet"}};
  RegisterStringResources(strings);
  RegisterTextResource(IDR_XMLFORMATTER, L"REGISTRY", kScript);
  return true;
}();

const InprocClassEntry kClasses[] = {
    {&CLSID_XMLFormatter, &CXMLFormatter::CreateInstance, nullptr, IDR_XMLFORMATTER},
};

}  // namespace

TESSALY_INPROC_SERVER(kClasses)
