// regsvr [-u] [-s] <library.so>
// Loads a component library and calls its DllRegisterServer (or, with -u, DllUnregisterServer).
// -s: nothing is printed on success. Exit codes: 0 success, 1 bad arguments, 2 the library does not
// load, 3 it lacks the entry point, 4 the entry point failed.
#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"
#include "platform/win32/TextConv.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

typedef HRESULT (*RegisterFunc)();

int Usage() {
  std::fprintf(stderr, "usage: regsvr [-u] [-s] <library.so>\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  bool unregister = false;
  bool silent = false;
  const char* library = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "-u") == 0 || std::strcmp(argv[i], "/u") == 0) unregister = true;
    else if (std::strcmp(argv[i], "-s") == 0 || std::strcmp(argv[i], "/s") == 0) silent = true;
    else if (argv[i][0] == '-' || library) return Usage();
    else library = argv[i];
  }
  if (!library) return Usage();

  const char* entryName = unregister ? "DllUnregisterServer" : "DllRegisterServer";
  // A name without a slash would be searched on the library path; the user means this file.
  std::string path = std::strchr(library, '/') ? library : std::string("./") + library;
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* why = ::dlerror();
    std::fprintf(stderr, "regsvr: cannot load %s: %s\n", library, why ? why : "unknown error");
    return 2;
  }
  auto entry = reinterpret_cast<RegisterFunc>(::dlsym(handle, entryName));
  if (!entry) {
    std::fprintf(stderr, "regsvr: %s was loaded, but the entry point %s was not found.\n", library, entryName);
    return 3;
  }

  CoInitialize(nullptr);
  HRESULT hr = ComCallNoThrow([&] { return entry(); });
  CoUninitialize();
  // The library stays loaded until exit: objects it made may still be released then.

  if (FAILED(hr)) {
    std::wstring text = ComErrorText(hr);
    std::fprintf(stderr, "regsvr: %s in %s failed. Return code was: 0x%08X%s%s\n", entryName, library,
                 static_cast<unsigned>(hr), text.empty() ? "" : "\n", WideToUtf8(text).c_str());
    return 4;
  }
  if (!silent) std::printf("%s in %s succeeded.\n", entryName, library);
  return 0;
}
