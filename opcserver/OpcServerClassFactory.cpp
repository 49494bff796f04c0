#include "opcserver/OpcServerClassFactory.h"

#include "opcserver/MyOPCServer.h"
#include "platform/com/Activation.h"

HRESULT COpcServerClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) {
  if (!ppvObject) return E_POINTER;
  *ppvObject = nullptr;
  if (pUnkOuter) return CLASS_E_NOAGGREGATION;
  if (m_bStopped) return CO_E_SERVER_STOPPING;
  return ComCallNoThrow([&] { return CMyOPCServer::CreateInstance(riid, ppvObject); });
}

HRESULT COpcServerClassFactory::LockServer(BOOL fLock) {
  if (fLock) ModuleLock();
  else ModuleUnlock();
  return S_OK;
}

HRESULT COpcServerClassFactory::Create(REFIID riid, void** ppv) {
  return CComObjectNoLock<COpcServerClassFactory>::CreateInstance(riid, ppv);
}
