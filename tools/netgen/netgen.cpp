// Writes a network database for the simulated network control.
//
//   netgen [--devices N] [--new N] FILE
#include "platform/win32/TextConv.h"
#include "standins/kestrum/NetworkGenerator.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
int Usage() {
  std::fprintf(stderr,
               "usage: netgen [--devices N] [--new N] FILE\n"
               "  --devices N  devices with 10 NVs each, plus a router per 50 (default 8)\n"
               "  --new N      devices on the wire that an upload of new devices finds (default 0)\n"
               "The file must not exist yet.\n");
  return 2;
}

bool Count(const char* text, int* out) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < 0 || v > 30000) return false;
  *out = static_cast<int>(v);
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  kestrum::sim::GeneratorOptions options;
  const char* file = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--devices") == 0 && i + 1 < argc) {
      if (!Count(argv[++i], &options.devices)) return Usage();
    } else if (std::strcmp(argv[i], "--new") == 0 && i + 1 < argc) {
      if (!Count(argv[++i], &options.newDevices)) return Usage();
    } else if (argv[i][0] == '-' || file) {
      return Usage();
    } else {
      file = argv[i];
    }
  }
  if (!file) return Usage();
  std::wstring error;
  if (!kestrum::sim::CNetworkGenerator::Write(Utf8ToWide(file), options, &error)) {
    std::fprintf(stderr, "netgen: %s\n", WideToUtf8(error).c_str());
    return 1;
  }
  return 0;
}
