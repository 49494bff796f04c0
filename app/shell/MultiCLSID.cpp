#include "app/shell/MultiCLSID.h"

#include <cwchar>

#include "platform/win32/Files.h"

BYTE CMultiCLSID::InstanceFromModulePath(const CString& executablePath) {
  const std::vector<std::wstring> parts = tessaly::win32::SplitPath(executablePath);
  if (parts.size() < 2) return 0;
  const CString folder(parts[parts.size() - 2].c_str());
  for (int n = 0; n < kInstanceCount; ++n) {
    CString name;
    name.Format(L"SVR_%d", n);
    if (folder.CompareNoCase(name) == 0) return static_cast<BYTE>(n);
  }
  return 0;
}
