#include "opcserver/testing/host/HostClassId.h"

#include <cstdlib>

#include "opcserver/OpcServerInstances.h"
#include "platform/com/Guid.h"
#include "platform/win32/TextConv.h"

bool HostClassId(const std::vector<std::string>& args, CLSID* clsid, std::string* error) {
  *clsid = GetOpcServerInstanceCLSID(0);
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
      if (!end || *end || n < 0 || n >= kOpcServerInstanceCount) {
        *error = "the instance is a number from 0 to 16: " + args[i + 1];
        return false;
      }
      *clsid = GetOpcServerInstanceCLSID(static_cast<int>(n));
      return true;
    }
  }
  return true;
}
