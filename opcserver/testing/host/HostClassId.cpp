#include "opcserver/testing/host/HostClassId.h"

#include <cstdlib>

#include "platform/com/Guid.h"
#include "platform/win32/TextConv.h"

const CLSID kHostInstanceClsids[17] = {
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F300}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F301}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F302}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F303}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F304}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F305}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F306}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F307}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F308}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F309}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30A}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30B}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30C}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30D}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30E}"), tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F30F}"),
    tessaly::GuidFromText("{6E3D0A10-5B2C-4F8E-A1D4-7C9B20E4F310}"),
};

bool HostClassId(const std::vector<std::string>& args, CLSID* clsid, std::string* error) {
  *clsid = kHostInstanceClsids[0];
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--clsid") {
      if (!tessaly::GuidFromString(Utf8ToWide(args[i + 1]), clsid)) {
        *error = "not a class id: " + args[i + 1];
        return false;
      }
      return true;
    }
    if (args[i] == "--instance") {
      char* end = nullptr;
      long n = std::strtol(args[i + 1].c_str(), &end, 10);
      if (!end || *end || n < 0 || n > 16) {
        *error = "the instance is a number from 0 to 16: " + args[i + 1];
        return false;
      }
      *clsid = kHostInstanceClsids[n];
      return true;
    }
  }
  return true;
}
