// The network database the control stand-in opens: a damaged SQLite file is refused or read,
// never a crash.
#include <filesystem>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "standins/kestrum/NetworkDatabase.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = tessaly::fuzz::WriteFile("network.db", data, size);
  std::filesystem::remove(path + "-journal");
  std::filesystem::remove(path + "-wal");
  std::wstring error;
  auto db = kestrum::sim::CNetworkDatabase::Open(std::filesystem::path(path).wstring(), &error);
  if (!db) {
    FUZZ_CHECK(!error.empty());
    return 0;
  }
  kestrum::sim::NetworkContents contents;
  if (!db->Load(&contents, &error)) FUZZ_CHECK(!error.empty());
  return 0;
}
