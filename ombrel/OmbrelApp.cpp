#include "ombrel/OmbrelApp.h"

#include "interfaces/ombrel/OmbrelContract.h"
#include "platform/win32/Registry.h"

BOOL COmbrelApp::InitInstance() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, OMBREL_SETTINGS_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    DWORD type = REG_NONE;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueEx(key, L"DbgLog", nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
        type == REG_DWORD && size == sizeof(value))
      m_bDbgLog = value != 0;
    RegCloseKey(key);
  }
  return TRUE;
}

COmbrelApp& AfxGetOmbrelApp() {
  static COmbrelApp app = [] {
    COmbrelApp a;
    a.InitInstance();
    return a;
  }();
  return app;
}
