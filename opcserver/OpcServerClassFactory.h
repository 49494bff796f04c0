// The class object every server instance registers: it makes one server object per client. Once
// stopped (the COM server thread is ending) it refuses new clients with CO_E_SERVER_STOPPING, so
// nobody arrives while connected clients are shut down.
#pragma once

#include <atomic>

#include "platform/com/ComObject.h"

class COpcServerClassFactory : public CComObjectRootEx<CComMultiThreadModel>, public IClassFactory {
 public:
  BEGIN_COM_MAP(COpcServerClassFactory)
    COM_INTERFACE_ENTRY(IClassFactory)
  END_COM_MAP()

  HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) override;
  HRESULT LockServer(BOOL fLock) override;

  void Stop() { m_bStopped = true; }

  // A new class object queried for riid. It does not keep the module alive by itself, as the
  // class object of an out-of-process server must not.
  static HRESULT Create(REFIID riid, void** ppv);

 private:
  std::atomic<bool> m_bStopped{false};
};
