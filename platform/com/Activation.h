// The COM runtime's activation calls: apartments (bookkeeping per thread), the process-wide
// table of registered class objects, in-process servers found through InprocServer32 and
// loaded with dlopen, ProgIDs, clipboard formats and the COM clock.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/ObjIdl.h"

#include <functional>
#include <new>

// ---- apartments ---------------------------------------------------------------------------
// Every object is safe from any thread; apartments only count initialisations per thread.
// S_FALSE when the thread is already initialised in the same mode, RPC_E_CHANGED_MODE when a
// different mode is asked for (that call must not be paired with CoUninitialize).
HRESULT CoInitialize(LPVOID pvReserved);
HRESULT CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit);
void CoUninitialize();
HRESULT OleInitialize(LPVOID pvReserved);
void OleUninitialize();

// ---- class objects --------------------------------------------------------------------------
HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags, LPDWORD lpdwRegister);
HRESULT CoRevokeClassObject(DWORD dwRegister);
HRESULT CoResumeClassObjects();

// Looks in the table of registered class objects first (whatever server context asked for),
// then, when CLSCTX_INPROC_SERVER is allowed, in HKCR\CLSID\{clsid}\InprocServer32.
HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv);
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
// pServerInfo names another machine (CLSCTX_REMOTE_SERVER) or is null. Each MULTI_QI gets its own
// result; S_OK when all were found, CO_S_NOTALLINTERFACES when some, E_NOINTERFACE when none.
HRESULT CoCreateInstanceEx(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsCtx, COSERVERINFO* pServerInfo,
                           DWORD dwCount, MULTI_QI* pResults);

template <class T>
HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, T** pp) {
  return CoCreateInstance(rclsid, pUnkOuter, dwClsContext, uuidof<T>(), reinterpret_cast<void**>(pp));
}

// ---- class objects in other processes --------------------------------------------------------
// The process boundary lives above this library and plugs in here. The activation hook is asked
// for a class object after the process's table and the in-process servers found nothing and the
// context allows a local or remote server; pServerInfo is CoGetClassObject's pvReserved. The
// registration hook hears of every class object registered (true) or revoked (false) with a
// local or remote server context, after the table changed.
using OutOfProcessActivationHook =
    std::function<HRESULT(REFCLSID rclsid, DWORD dwClsContext, COSERVERINFO* pServerInfo, REFIID riid, LPVOID* ppv)>;
using ClassRegistrationHook = std::function<void(REFCLSID rclsid, DWORD dwClsContext, bool registered)>;
void SetOutOfProcessActivationHook(OutOfProcessActivationHook hook);  // empty: none
void SetClassRegistrationHook(ClassRegistrationHook hook);
// The class object registered in this process's table for clsid and a server context, with a
// reference, or null (what a listener hands to clients in other processes).
IUnknown* CoGetRegisteredClassObject(REFCLSID rclsid);

// ---- ProgIDs ----------------------------------------------------------------------------------
// A version-independent ProgID is followed through its CurVer; "{...}" text is taken as a CLSID.
HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid);
// *lplpszProgID is CoTaskMemAlloc'd.
HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID);

// ---- objects and clients -------------------------------------------------------------------------
// In-process objects have nobody to disconnect; a proxy layer installs a hook that does.
HRESULT CoDisconnectObject(IUnknown* pUnk, DWORD dwReserved);
using DisconnectHook = std::function<HRESULT(IUnknown*, DWORD)>;
void SetCoDisconnectObjectHook(DisconnectHook hook);  // empty hook: back to the no-op
HRESULT CoLockObjectExternal(IUnknown* pUnk, BOOL fLock, BOOL fLastUnlockReleases);

HRESULT CoFileTimeNow(FILETIME* lpFileTime);

// ---- clipboard formats ------------------------------------------------------------------------------
// Process-wide: the same name (case-insensitive) gives the same id, ids from 0xC000; 0 on failure.
UINT RegisterClipboardFormatW(LPCWSTR lpszFormat);
inline UINT RegisterClipboardFormat(LPCWSTR lpszFormat) { return RegisterClipboardFormatW(lpszFormat); }
// The name a registered format was first registered with (cut to cchMaxCount - 1 characters);
// its length, 0 for an id that is not a registered format.
int GetClipboardFormatNameW(UINT format, LPWSTR lpszFormatName, int cchMaxCount);

// ---- exceptions never cross a COM method ---------------------------------------------------------
// HRESULT Foo::Bar() { COM_TRY ...; return S_OK; COM_CATCH }
#define COM_TRY try {
#define COM_CATCH                        \
  }                                      \
  catch (const std::bad_alloc&) {        \
    return E_OUTOFMEMORY;                \
  }                                      \
  catch (...) {                          \
    return E_FAIL;                       \
  }

// Runs f (returning HRESULT) and turns an escaping exception into E_OUTOFMEMORY or E_FAIL.
template <class F>
HRESULT ComCallNoThrow(F&& f) noexcept {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
