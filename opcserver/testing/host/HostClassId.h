// The one place where the server host learns the class it serves: --clsid {...} on its command
// line, else --instance n from its own small table, else instance 0.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

// False (and a message in *error) for a malformed --clsid or --instance.
bool HostClassId(const std::vector<std::string>& args, CLSID* clsid, std::string* error);

// The instances the host knows by number.
extern const CLSID kHostInstanceClsids[17];
