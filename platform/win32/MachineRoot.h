// The folder that holds what Windows keeps machine-wide (registry, common application data,
// temp). Named by TESSALY_MACHINE_ROOT; default "$XDG_DATA_HOME/tessaly/machine" with
// XDG_DATA_HOME defaulting to "~/.local/share". The variable is read on every call, so a test
// that points it elsewhere takes effect at once.
#pragma once

#include <string>

namespace tessaly::win32 {

// The machine root as a UTF-8 path without a trailing "/", created (all levels) when missing.
// Empty only when no root can be named (no variable, no XDG_DATA_HOME and no HOME).
std::string GetMachineRoot();

// The same as a wide string.
std::wstring GetMachineRootW();

// The root the environment names now, without creating it.
std::string MachineRootFromEnvironment();

}  // namespace tessaly::win32
