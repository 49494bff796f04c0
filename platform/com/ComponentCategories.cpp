#include "platform/com/ComponentCategories.h"

#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"
#include "platform/com/ComObject.h"
#include "platform/com/Guid.h"
#include "platform/win32/Registry.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr const wchar_t* kCategoriesKey = L"Component Categories";
constexpr const wchar_t* kImplementedKey = L"Implemented Categories";
constexpr const wchar_t* kRequiredKey = L"Required Categories";

HRESULT FromWin32(LONG rc) { return rc == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(rc); }

// Creates root\path and remembers it when it is new, so a failing call can take it back.
class KeyCreator {
 public:
  LONG Create(const std::wstring& path, HKEY* out) {
    DWORD disposition = 0;
    LONG rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, out,
                              &disposition);
    if (rc == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY) m_created.push_back(path);
    return rc;
  }
  void Rollback() {
    for (auto it = m_created.rbegin(); it != m_created.rend(); ++it) RegDeleteTreeW(HKEY_CLASSES_ROOT, it->c_str());
    m_created.clear();
  }

 private:
  std::vector<std::wstring> m_created;
};

bool IsEmptyKey(const std::wstring& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD subkeys = 1, values = 1;
  LONG rc = RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                             nullptr, nullptr);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && subkeys == 0 && values == 0;
}

class CComponentCategoriesMgr : public CComObjectRootEx<CComMultiThreadModel>, public ICatRegister {
 public:
  BEGIN_COM_MAP(CComponentCategoriesMgr)
    COM_INTERFACE_ENTRY(ICatRegister)
  END_COM_MAP()

  HRESULT RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) override {
    if (cCategories == 0) return S_OK;
    if (!rgCategoryInfo) return E_POINTER;
    COM_TRY
    KeyCreator keys;
    for (ULONG i = 0; i < cCategories; ++i) {
      const CATEGORYINFO& info = rgCategoryInfo[i];
      // The field holds 128 characters; an unterminated one is read as its first 127.
      size_t len = wcsnlen(info.szDescription, 128);
      if (len == 128) len = 127;
      std::wstring description(info.szDescription, len);
      wchar_t lcid[16];
      std::swprintf(lcid, 16, L"%x", static_cast<unsigned>(info.lcid));
      HKEY key = nullptr;
      LONG rc = keys.Create(std::wstring(kCategoriesKey) + L"\\" + tessaly::GuidToString(info.catid), &key);
      if (rc == ERROR_SUCCESS) {
        rc = RegSetValueExW(key, lcid, 0, REG_SZ, reinterpret_cast<const BYTE*>(description.c_str()),
                            static_cast<DWORD>((description.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
      }
      if (rc != ERROR_SUCCESS) {
        keys.Rollback();
        return FromWin32(rc);
      }
    }
    return S_OK;
    COM_CATCH
  }

  HRESULT UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) override {
    if (cCategories == 0) return S_OK;
    if (!rgcatid) return E_POINTER;
    COM_TRY
    HRESULT result = S_OK;
    for (ULONG i = 0; i < cCategories; ++i) {
      LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT,
                               (std::wstring(kCategoriesKey) + L"\\" + tessaly::GuidToString(rgcatid[i])).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) result = FromWin32(rc);
    }
    return result;
    COM_CATCH
  }

  HRESULT RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override {
    return RegisterClassCategories(rclsid, kImplementedKey, cCategories, rgcatid);
  }
  HRESULT UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override {
    return UnRegisterClassCategories(rclsid, kImplementedKey, cCategories, rgcatid);
  }
  HRESULT RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override {
    return RegisterClassCategories(rclsid, kRequiredKey, cCategories, rgcatid);
  }
  HRESULT UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) override {
    return UnRegisterClassCategories(rclsid, kRequiredKey, cCategories, rgcatid);
  }

 private:
  static std::wstring ClassKey(REFCLSID clsid, const wchar_t* kind) {
    return L"CLSID\\" + tessaly::GuidToString(clsid) + L"\\" + kind;
  }

  static HRESULT RegisterClassCategories(REFCLSID clsid, const wchar_t* kind, ULONG count, CATID ids[]) {
    if (count == 0) return S_OK;
    if (!ids) return E_POINTER;
    COM_TRY
    KeyCreator keys;
    const std::wstring base = ClassKey(clsid, kind);
    for (ULONG i = 0; i < count; ++i) {
      HKEY key = nullptr;
      LONG rc = keys.Create(base + L"\\" + tessaly::GuidToString(ids[i]), &key);
      if (rc != ERROR_SUCCESS) {
        keys.Rollback();
        return FromWin32(rc);
      }
      RegCloseKey(key);
    }
    return S_OK;
    COM_CATCH
  }

  static HRESULT UnRegisterClassCategories(REFCLSID clsid, const wchar_t* kind, ULONG count, CATID ids[]) {
    if (count == 0) return S_OK;
    if (!ids) return E_POINTER;
    COM_TRY
    const std::wstring base = ClassKey(clsid, kind);
    HRESULT result = S_OK;
    for (ULONG i = 0; i < count; ++i) {
      LONG rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, (base + L"\\" + tessaly::GuidToString(ids[i])).c_str());
      if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND && SUCCEEDED(result)) result = FromWin32(rc);
    }
    if (IsEmptyKey(base)) RegDeleteKeyW(HKEY_CLASSES_ROOT, base.c_str());
    return result;
    COM_CATCH
  }
};

HRESULT CreateManager(IUnknown* pUnkOuter, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  // Part of the runtime, not of the module: it never holds the module's lock.
  return CComObjectNoLock<CComponentCategoriesMgr>::CreateInstance(riid, ppv);
}

}  // namespace

HRESULT GetStdComponentCategoriesMgrClassObject(REFIID riid, void** ppv) {
  return CComClassFactory::Create(&CreateManager, riid, ppv, false);
}
