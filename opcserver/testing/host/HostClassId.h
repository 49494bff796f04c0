// The one place where the server host learns the class it serves: --clsid {...} on its command
// line, else --instance n of the server's 17 instances, else instance 0.
#pragma once

#include <string>
#include <vector>

#include "platform/com/ComTypes.h"

// False (and a message in *error) for a malformed --clsid or --instance.
bool HostClassId(const std::vector<std::string>& args, CLSID* clsid, std::string* error);
