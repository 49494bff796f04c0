// What a component library needs for the four standard exports. It lists its classes and
// lets the macro define DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
// DllUnregisterServer:
//
//   static const InprocClassEntry kClasses[] = {
//     {&CLSID_Thing, &CThing::CreateInstance, kThingScript, 0},   // script text
//     {&CLSID_Other, &COther::CreateInstance, nullptr, 102},      // REGISTRY resource 102
//   };
//   TESSALY_INPROC_SERVER(kClasses)
//
// Registration runs each class's script through the registrar with %MODULE% = the library's
// own path and %CLSID% = the class id in braces. A class that fails to register takes the
// classes registered before it back out (SELFREG_E_CLASS).
#pragma once

#include "platform/com/Activation.h"
#include "platform/com/ComObject.h"
#include "platform/com/Module.h"

#include <cstddef>
#include <string>

struct InprocClassEntry {
  const CLSID* clsid;
  ComCreatorFunc creator;  // CComCoClass<T, &CLSID_T>::CreateInstance or the like
  const wchar_t* script;   // registry script, or null to use scriptResourceId
  UINT scriptResourceId;   // text resource of type "REGISTRY"; 0 with a null script: nothing to register
};

class CInprocServer {
 public:
  CInprocServer(const InprocClassEntry* entries, size_t count) : m_entries(entries), m_count(count) {}

  // CLASS_E_CLASSNOTAVAILABLE for a class the library does not have. Inline and hidden, so
  // the factory is made in the library and holds the library's own lock count.
  TESSALY_MODULE_LOCAL HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) const {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (size_t i = 0; i < m_count; ++i) {
      if (*m_entries[i].clsid == rclsid) return CComClassFactory::Create(m_entries[i].creator, riid, ppv, true);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  // S_OK when no object, factory or LockServer holds the module (the calling library's count).
  TESSALY_MODULE_LOCAL HRESULT CanUnloadNow() const { return GetModuleLockCount() == 0 ? S_OK : S_FALSE; }
  // addressInModule: any address inside the library (its own export), to find its path.
  HRESULT RegisterServer(const void* addressInModule) const;
  HRESULT UnregisterServer(const void* addressInModule) const;

  // The file of the loaded object holding the address (absolute), empty when unknown.
  static std::wstring ModulePath(const void* addressInModule);
  // The load address of that object (its resources' key), null when unknown.
  static HINSTANCE ModuleHandle(const void* addressInModule);

 private:
  HRESULT UpdateRegistry(const InprocClassEntry& entry, HINSTANCE handle, const std::wstring& module,
                         bool bRegister) const;

  const InprocClassEntry* m_entries;
  size_t m_count;
};

#define TESSALY_INPROC_EXPORT extern "C" __attribute__((visibility("default")))

#define TESSALY_INPROC_SERVER(entries)                                                            \
  namespace {                                                                                     \
  const CInprocServer& TessalyInprocServer() {                                                    \
    static const CInprocServer server((entries), sizeof(entries) / sizeof((entries)[0]));         \
    return server;                                                                                \
  }                                                                                               \
  }                                                                                               \
  TESSALY_INPROC_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {    \
    return ComCallNoThrow([&] { return TessalyInprocServer().GetClassObject(rclsid, riid, ppv); }); \
  }                                                                                               \
  TESSALY_INPROC_EXPORT HRESULT DllCanUnloadNow() { return GetModuleLockCount() == 0 ? S_OK : S_FALSE; } \
  TESSALY_INPROC_EXPORT HRESULT DllRegisterServer() {                                             \
    return ComCallNoThrow([] {                                                                    \
      return TessalyInprocServer().RegisterServer(reinterpret_cast<const void*>(&DllRegisterServer)); \
    });                                                                                           \
  }                                                                                               \
  TESSALY_INPROC_EXPORT HRESULT DllUnregisterServer() {                                           \
    return ComCallNoThrow([] {                                                                    \
      return TessalyInprocServer().UnregisterServer(reinterpret_cast<const void*>(&DllUnregisterServer)); \
    });                                                                                           \
  }
