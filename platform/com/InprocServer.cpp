#include "platform/com/InprocServer.h"

#include "platform/com/ComErrors.h"
#include "platform/com/Guid.h"
#include "platform/com/Registrar.h"
#include "platform/win32/TextConv.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

HRESULT CInprocServer::GetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) const {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  for (size_t i = 0; i < m_count; ++i) {
    if (*m_entries[i].clsid == rclsid) return CComClassFactory::Create(m_entries[i].creator, riid, ppv, true);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT CInprocServer::CanUnloadNow() const { return GetModuleLockCount() == 0 ? S_OK : S_FALSE; }

std::wstring CInprocServer::ModulePath(const void* addressInModule) {
  Dl_info info{};
  if (!addressInModule || ::dladdr(addressInModule, &info) == 0 || !info.dli_fname) return std::wstring();
  char resolved[PATH_MAX];
  const char* path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  return Utf8ToWide(path);
}

HRESULT CInprocServer::UpdateRegistry(const InprocClassEntry& entry, const std::wstring& module, bool bRegister) const {
  if (!entry.script && entry.scriptResourceId == 0) return S_OK;
  CRegistrar registrar;
  registrar.AddReplacement(L"MODULE", module.c_str());
  registrar.AddReplacement(L"CLSID", tessaly::GuidToString(*entry.clsid).c_str());
  if (entry.script) return bRegister ? registrar.StringRegister(entry.script) : registrar.StringUnregister(entry.script);
  return bRegister ? registrar.ResourceRegister(entry.scriptResourceId)
                   : registrar.ResourceUnregister(entry.scriptResourceId);
}

HRESULT CInprocServer::RegisterServer(const void* addressInModule) const {
  std::wstring module = ModulePath(addressInModule);
  if (module.empty()) return SELFREG_E_CLASS;
  for (size_t i = 0; i < m_count; ++i) {
    if (FAILED(UpdateRegistry(m_entries[i], module, true))) {
      for (size_t j = i; j-- > 0;) UpdateRegistry(m_entries[j], module, false);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT CInprocServer::UnregisterServer(const void* addressInModule) const {
  std::wstring module = ModulePath(addressInModule);
  if (module.empty()) return SELFREG_E_CLASS;
  HRESULT result = S_OK;
  for (size_t i = 0; i < m_count; ++i) {
    if (FAILED(UpdateRegistry(m_entries[i], module, false))) result = SELFREG_E_CLASS;
  }
  return result;
}
