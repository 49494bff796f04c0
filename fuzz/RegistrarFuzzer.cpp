// The registrar's scripts: any text registers, unregisters or is refused, and whatever fails
// leaves the registry exactly as it was.
#include <map>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "platform/com/Registrar.h"
#include "platform/win32/Registry.h"

namespace {

const HKEY kHives[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE};

using Dump = std::map<std::wstring, std::wstring>;

void DumpKey(HKEY key, const std::wstring& path, Dump& out, int depth) {
  out[path] = L"";
  for (DWORD i = 0;; ++i) {
    std::vector<WCHAR> name(1024);
    std::vector<BYTE> data(4096);
    DWORD nameSize = static_cast<DWORD>(name.size()), dataSize = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValue(key, i, name.data(), &nameSize, nullptr, &type, data.data(), &dataSize) != ERROR_SUCCESS) break;
    out[path + L"|" + std::wstring(name.data(), nameSize)] =
        std::to_wstring(type) + L":" + std::wstring(reinterpret_cast<const wchar_t*>(data.data()), dataSize / sizeof(wchar_t));
  }
  if (depth > 64) return;
  for (DWORD i = 0;; ++i) {
    std::vector<WCHAR> name(1024);
    DWORD nameSize = static_cast<DWORD>(name.size());
    if (RegEnumKeyEx(key, i, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    const std::wstring child(name.data(), nameSize);
    HKEY sub = nullptr;
    if (RegOpenKeyEx(key, child.c_str(), 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    DumpKey(sub, path + L"\\" + child, out, depth + 1);
    RegCloseKey(sub);
  }
}

Dump DumpAll() {
  Dump out;
  for (HKEY hive : kHives) DumpKey(hive, std::to_wstring(reinterpret_cast<uintptr_t>(hive)), out, 0);
  return out;
}

// The same few keys before every run, some of them for the script to replace or delete.
void Reset() {
  for (HKEY hive : kHives) {
    for (;;) {
      WCHAR name[1024];
      DWORD size = 1024;
      if (RegEnumKeyEx(hive, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      if (RegDeleteTree(hive, name) != ERROR_SUCCESS) std::abort();
    }
  }
  HKEY key = nullptr;
  FUZZ_CHECK(RegCreateKey(HKEY_CLASSES_ROOT, L"CLSID\\{0001}\\InprocServer32", &key) == ERROR_SUCCESS);
  const wchar_t text[] = L"old.so";
  FUZZ_CHECK(RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text) == ERROR_SUCCESS);
  RegCloseKey(key);
  FUZZ_CHECK(RegCreateKey(HKEY_LOCAL_MACHINE, L"Software\\Keep", &key) == ERROR_SUCCESS);
  const DWORD one = 1;
  FUZZ_CHECK(RegSetValueEx(key, L"One", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one) == ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessaly::fuzz::Folder();  // the registry lives under the fuzzer's own machine root
  Reset();
  tessaly::fuzz::Input in(data, size);
  const bool unregisterFirst = in.Byte() & 1;
  const std::wstring script = in.Rest();

  CRegistrar registrar;
  registrar.AddReplacement(L"MODULE", L"/opt/tessaly/Component.so");
  for (bool doRegister : {!unregisterFirst, unregisterFirst}) {
    const Dump before = DumpAll();
    const HRESULT hr = doRegister ? registrar.StringRegister(script.c_str()) : registrar.StringUnregister(script.c_str());
    if (FAILED(hr)) {
      FUZZ_CHECK(!registrar.GetErrorText().empty());
      FUZZ_CHECK(DumpAll() == before);
    }
  }
  return 0;
}
