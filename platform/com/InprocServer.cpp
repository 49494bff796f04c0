#include "platform/com/InprocServer.h"

#include "platform/com/ComErrors.h"
#include "platform/com/Guid.h"
#include "platform/com/Registrar.h"
#include "platform/win32/TextConv.h"

#include <dlfcn.h>

#include <climits>
#include <cstdlib>

std::wstring CInprocServer::ModulePath(const void* addressInModule) {
  Dl_info info{};
  if (!addressInModule || ::dladdr(addressInModule, &info) == 0 || !info.dli_fname) return std::wstring();
  char resolved[PATH_MAX];
  const char* path = ::realpath(info.dli_fname, resolved) ? resolved : info.dli_fname;
  return Utf8ToWide(path);
}

HINSTANCE CInprocServer::ModuleHandle(const void* addressInModule) {
  Dl_info info{};
  if (!addressInModule || ::dladdr(addressInModule, &info) == 0) return nullptr;
  return static_cast<HINSTANCE>(info.dli_fbase);
}

HRESULT CInprocServer::UpdateRegistry(const InprocClassEntry& entry, HINSTANCE handle, const std::wstring& module,
                                      bool bRegister) const {
  if (!entry.script && entry.scriptResourceId == 0) return S_OK;
  CRegistrar registrar;
  registrar.AddReplacement(L"MODULE", module.c_str());
  registrar.AddReplacement(L"CLSID", tessaly::GuidToString(*entry.clsid).c_str());
  if (entry.script) return bRegister ? registrar.StringRegister(entry.script) : registrar.StringUnregister(entry.script);
  return bRegister ? registrar.ResourceRegister(handle, entry.scriptResourceId)
                   : registrar.ResourceUnregister(handle, entry.scriptResourceId);
}

HRESULT CInprocServer::RegisterServer(const void* addressInModule) const {
  std::wstring module = ModulePath(addressInModule);
  HINSTANCE handle = ModuleHandle(addressInModule);
  if (module.empty()) return SELFREG_E_CLASS;
  for (size_t i = 0; i < m_count; ++i) {
    if (FAILED(UpdateRegistry(m_entries[i], handle, module, true))) {
      for (size_t j = i; j-- > 0;) UpdateRegistry(m_entries[j], handle, module, false);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT CInprocServer::UnregisterServer(const void* addressInModule) const {
  std::wstring module = ModulePath(addressInModule);
  HINSTANCE handle = ModuleHandle(addressInModule);
  if (module.empty()) return SELFREG_E_CLASS;
  HRESULT result = S_OK;
  for (size_t i = 0; i < m_count; ++i) {
    if (FAILED(UpdateRegistry(m_entries[i], handle, module, false))) result = SELFREG_E_CLASS;
  }
  return result;
}
