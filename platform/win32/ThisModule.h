// The module (executable or shared library) that the calling code is part of.
//
// TESSALY_MODULE_LOCAL gives a function hidden visibility: every shared library and program
// that includes the header keeps its own copy, and with it its own function-local statics.
// That is how per-module state (the lock count, the resource tables' key) stays per module
// while the runtime itself is one shared library per process.
#pragma once

#include <dlfcn.h>

#include "platform/win32/WinTypes.h"

#define TESSALY_MODULE_LOCAL __attribute__((visibility("hidden")))

// The load address of the calling module, as GetModuleHandle reports it (the executable's is
// GetModuleHandle(NULL)).
TESSALY_MODULE_LOCAL inline HINSTANCE ThisModuleHandle() {
  static const HINSTANCE module = [] {
    Dl_info info{};
    if (::dladdr(reinterpret_cast<const void*>(&ThisModuleHandle), &info) == 0) return HINSTANCE{};
    return static_cast<HINSTANCE>(info.dli_fbase);
  }();
  return module;
}
