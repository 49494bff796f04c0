#include "opcserver/OpcServerRegistration.h"

#include <cwchar>

#include "foundation/LoggingFile.h"
#include "interfaces/opc/OpcCategories.h"
#include "opcserver/OpcServerInstances.h"
#include "platform/com/Activation.h"
#include "platform/com/ComPtr.h"
#include "platform/com/ComponentCategories.h"
#include "platform/com/Guid.h"
#include "platform/com/Registrar.h"
#include "platform/win32/Files.h"

namespace {
constexpr LCID kCategoryLcid = 1033;

struct OpcCategory {
  const CATID* catid;
  const wchar_t* description;
};
constexpr OpcCategory kOpcCategories[] = {
    {&CATID_OPCDAServer10, L"OPC Data Access Servers Version 1.0"},
    {&CATID_OPCDAServer20, L"OPC Data Access Servers Version 2.0"},
};

// One call on a new component categories manager.
template <class Op>
HRESULT WithCatRegister(Op op) {
  CComPtr<ICatRegister> cat;
  HRESULT hr = CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister,
                                reinterpret_cast<void**>(&cat));
  return FAILED(hr) ? hr : op(cat.p);
}

CString ExecutablePath() {
  wchar_t path[MAX_PATH] = {0};
  DWORD n = GetModuleFileName(nullptr, path, MAX_PATH);
  return n > 0 && n < MAX_PATH ? CString(path) : CString();
}

void Log(CLoggingFile* log, const wchar_t* what, REFCLSID clsid, HRESULT hr) {
  if (log) log->Print(L"%s %s failed: 0x%08X", what, tessaly::GuidToString(clsid).c_str(), static_cast<unsigned>(hr));
}

// Runs the instance's script through the registrar, as the module's object map entry would.
HRESULT UpdateRegistry(REFCLSID clsid, const CString& modulePath, bool bRegister) {
  int instance = FindOpcServerInstance(clsid);
  if (instance < 0) return E_INVALIDARG;
  RegisterOpcServerScripts();
  CRegistrar registrar;
  CString module = modulePath.IsEmpty() ? ExecutablePath() : modulePath;
  if (module.IsEmpty()) return E_FAIL;
  registrar.AddReplacement(L"MODULE", module.GetString());
  registrar.AddReplacement(L"CLSID", tessaly::GuidToString(clsid).c_str());
  UINT id = GetOpcServerInstanceScriptId(instance);
  return bRegister ? registrar.ResourceRegister(id) : registrar.ResourceUnregister(id);
}
}  // namespace

HRESULT RegisterCategory(REFCATID catid, const CString& description) {
  CATEGORYINFO info{};
  info.catid = catid;
  info.lcid = kCategoryLcid;
  // At most 127 characters and the terminating zero fit the field.
  std::wcsncpy(info.szDescription, description.GetString(), 127);
  info.szDescription[127] = L'\0';
  return WithCatRegister([&](ICatRegister* cat) { return cat->RegisterCategories(1, &info); });
}

HRESULT RegisterClassImplCategory(REFCLSID clsid, REFCATID catid) {
  CATID ids[1] = {catid};
  return WithCatRegister([&](ICatRegister* cat) { return cat->RegisterClassImplCategories(clsid, 1, ids); });
}

HRESULT UnRegisterClassImplCategory(REFCLSID clsid, REFCATID catid) {
  CATID ids[1] = {catid};
  return WithCatRegister([&](ICatRegister* cat) { return cat->UnRegisterClassImplCategories(clsid, 1, ids); });
}

bool RegisterOPCCategories(REFCLSID clsid, const CString& modulePath, CLoggingFile* log) {
  HRESULT hr = UpdateRegistry(clsid, modulePath, true);
  if (FAILED(hr)) {
    Log(log, L"Registration of", clsid, hr);
    return false;
  }
  bool ok = true;
  for (const OpcCategory& category : kOpcCategories) {
    hr = RegisterCategory(*category.catid, category.description);
    if (SUCCEEDED(hr)) hr = RegisterClassImplCategory(clsid, *category.catid);
    if (FAILED(hr)) {
      Log(log, L"Category registration of", clsid, hr);
      ok = false;
    }
  }
  return ok;
}

bool UnregisterOPCCategories(REFCLSID clsid, CLoggingFile* log) {
  bool ok = true;
  HRESULT hr = UpdateRegistry(clsid, CString(), false);
  if (FAILED(hr)) {
    Log(log, L"Unregistration of", clsid, hr);
    ok = false;
  }
  for (const OpcCategory& category : kOpcCategories) {
    hr = UnRegisterClassImplCategory(clsid, *category.catid);
    if (FAILED(hr)) {
      Log(log, L"Category unregistration of", clsid, hr);
      ok = false;
    }
  }
  return ok;
}
