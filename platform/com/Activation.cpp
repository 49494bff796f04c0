#include "platform/com/Activation.h"

#include "platform/com/ComErrors.h"
#include "platform/com/ComponentCategories.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/Time.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cwctype>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace {

// ---- apartments ------------------------------------------------------------------------------

struct Apartment {
  int count = 0;
  DWORD mode = 0;
  int oleCount = 0;
};
thread_local Apartment t_apartment;

constexpr DWORD kModeMask = COINIT_APARTMENTTHREADED;

// ---- the class object table ---------------------------------------------------------------------

struct ClassRegistration {
  CLSID clsid;
  IUnknown* factory;
  DWORD context;
  DWORD flags;
  DWORD cookie;
  bool used;  // a single-use registration is handed out once, and stays until revoked
};

struct ClassTable {
  std::mutex lock;
  std::vector<ClassRegistration> entries;
  DWORD nextCookie = 1;
};

// Process-wide tables are never destroyed: objects may still be released during exit.
ClassTable& Classes() {
  static ClassTable* table = new ClassTable;
  return *table;
}

constexpr DWORD kServerContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

// The registered class object for clsid with one reference, or null.
IUnknown* TakeRegisteredClassObject(REFCLSID clsid) {
  ClassTable& t = Classes();
  IUnknown* found = nullptr;
  std::lock_guard<std::mutex> guard(t.lock);
  for (auto& e : t.entries) {
    if (e.clsid != clsid || e.used || (e.flags & REGCLS_SUSPENDED)) continue;
    if ((e.flags & (REGCLS_MULTIPLEUSE | REGCLS_MULTI_SEPARATE)) == 0) e.used = true;
    found = e.factory;
    found->AddRef();
    break;
  }
  return found;
}

// ---- in-process servers --------------------------------------------------------------------------

typedef HRESULT (*DllGetClassObjectFunc)(REFCLSID, REFIID, LPVOID*);

struct LibraryTable {
  std::recursive_mutex lock;  // a library's start-up code may activate classes itself
  std::map<std::string, void*> handles;  // by path; never closed, objects may outlive every client
};

LibraryTable& Libraries() {
  static LibraryTable* table = new LibraryTable;
  return *table;
}

HRESULT LoadLibraryEntry(const std::string& path, DllGetClassObjectFunc* entry) {
  LibraryTable& t = Libraries();
  std::lock_guard<std::recursive_mutex> guard(t.lock);
  void* handle = nullptr;
  auto it = t.handles.find(path);
  if (it != t.handles.end()) {
    handle = it->second;
  } else {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return CO_E_DLLNOTFOUND;
    handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) return CO_E_ERRORINDLL;
    t.handles.emplace(path, handle);
  }
  void* symbol = ::dlsym(handle, "DllGetClassObject");
  if (!symbol) return CO_E_ERRORINDLL;
  *entry = reinterpret_cast<DllGetClassObjectFunc>(symbol);
  return S_OK;
}

bool ReadDefaultValue(HKEY root, const std::wstring& subKey, std::wstring& value) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  bool ok = tessaly::win32::RegQueryString(key, nullptr, value);
  RegCloseKey(key);
  return ok;
}

HRESULT GetInprocClassObject(REFCLSID clsid, REFIID riid, LPVOID* ppv) {
  std::wstring path;
  if (!ReadDefaultValue(HKEY_CLASSES_ROOT, L"CLSID\\" + tessaly::GuidToString(clsid) + L"\\InprocServer32", path) ||
      path.empty())
    return REGDB_E_CLASSNOTREG;
  DllGetClassObjectFunc entry = nullptr;
  HRESULT hr = LoadLibraryEntry(WideToUtf8(path), &entry);
  if (FAILED(hr)) return hr;
  return ComCallNoThrow([&] { return entry(clsid, riid, ppv); });
}

// ---- disconnect hook and clipboard formats ----------------------------------------------------------

struct DisconnectState {
  std::mutex lock;
  DisconnectHook hook;
};
DisconnectState& Disconnect() {
  static DisconnectState* state = new DisconnectState;
  return *state;
}

struct OutOfProcessHooks {
  std::mutex lock;
  OutOfProcessActivationHook activation;
  ClassRegistrationHook registration;
};
OutOfProcessHooks& Hooks() {
  static OutOfProcessHooks* hooks = new OutOfProcessHooks;
  return *hooks;
}

void NotifyRegistration(REFCLSID clsid, DWORD context, bool registered) {
  if ((context & (CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)) == 0) return;
  ClassRegistrationHook hook;
  {
    std::lock_guard<std::mutex> guard(Hooks().lock);
    hook = Hooks().registration;
  }
  if (hook) {
    try {
      hook(clsid, context, registered);
    } catch (...) {
      // A listener that cannot start leaves the class reachable in-process only.
    }
  }
}

struct ClipboardFormats {
  std::mutex lock;
  std::map<std::wstring, UINT> ids;  // by lower-case name
  std::vector<std::wstring> names;   // as first registered, by id - kFirstClipboardFormat
};
ClipboardFormats& Formats() {
  static ClipboardFormats* formats = new ClipboardFormats;
  return *formats;
}

constexpr UINT kFirstClipboardFormat = 0xC000;
constexpr UINT kLastClipboardFormat = 0xFFFF;

}  // namespace

// ---- apartments ------------------------------------------------------------------------------------

HRESULT CoInitialize(LPVOID pvReserved) { return CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID, DWORD dwCoInit) {
  Apartment& a = t_apartment;
  DWORD mode = dwCoInit & kModeMask;
  if (a.count == 0) {
    a.mode = mode;
    a.count = 1;
    return S_OK;
  }
  if (a.mode != mode) return RPC_E_CHANGED_MODE;
  ++a.count;
  return S_FALSE;
}

void CoUninitialize() {
  Apartment& a = t_apartment;
  if (a.count > 0) --a.count;
}

HRESULT OleInitialize(LPVOID pvReserved) {
  HRESULT hr = CoInitializeEx(pvReserved, COINIT_APARTMENTTHREADED);
  if (FAILED(hr)) return hr;
  Apartment& a = t_apartment;
  if (++a.oleCount > 1 && hr == S_OK) hr = S_FALSE;
  return hr;
}

void OleUninitialize() {
  Apartment& a = t_apartment;
  if (a.oleCount == 0) return;  // unpaired: leave the COM count alone too
  --a.oleCount;
  CoUninitialize();
}

// ---- class objects ---------------------------------------------------------------------------------

HRESULT CoRegisterClassObject(REFCLSID rclsid, IUnknown* pUnk, DWORD dwClsContext, DWORD flags, LPDWORD lpdwRegister) {
  if (!lpdwRegister) return E_POINTER;
  *lpdwRegister = 0;
  if (!pUnk) return E_INVALIDARG;
  if ((dwClsContext & kServerContexts) == 0) return E_INVALIDARG;
  try {
    ClassTable& t = Classes();
    std::lock_guard<std::mutex> guard(t.lock);
    t.entries.push_back({rclsid, pUnk, dwClsContext, flags, t.nextCookie, false});
    pUnk->AddRef();
    *lpdwRegister = t.nextCookie++;
    if (t.nextCookie == 0) t.nextCookie = 1;  // 0 is never a cookie
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  NotifyRegistration(rclsid, dwClsContext, true);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD dwRegister) {
  IUnknown* factory = nullptr;
  CLSID clsid = CLSID_NULL;
  DWORD context = 0;
  {
    ClassTable& t = Classes();
    std::lock_guard<std::mutex> guard(t.lock);
    for (auto it = t.entries.begin(); it != t.entries.end(); ++it) {
      if (it->cookie == dwRegister) {
        factory = it->factory;
        clsid = it->clsid;
        context = it->context;
        t.entries.erase(it);
        break;
      }
    }
  }
  if (!factory) return CO_E_OBJNOTREG;
  NotifyRegistration(clsid, context, false);
  factory->Release();  // outside the lock: the factory's last release may call back in
  return S_OK;
}

HRESULT CoResumeClassObjects() {
  ClassTable& t = Classes();
  std::lock_guard<std::mutex> guard(t.lock);
  for (auto& e : t.entries) e.flags &= ~REGCLS_SUSPENDED;
  return S_OK;
}

HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, LPVOID pvReserved, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if ((dwClsContext & kServerContexts) == 0) return E_INVALIDARG;
  // A named machine is always asked over the network, even for a class this process serves.
  auto* serverInfo = static_cast<COSERVERINFO*>(pvReserved);
  bool remote = serverInfo && serverInfo->pwszName && *serverInfo->pwszName;
  if (IUnknown* factory = remote ? nullptr : TakeRegisteredClassObject(rclsid)) {
    HRESULT hr = ComCallNoThrow([&] { return factory->QueryInterface(riid, ppv); });
    factory->Release();
    return hr;
  }
  if (rclsid == CLSID_StdComponentCategoriesMgr && !remote) return GetStdComponentCategoriesMgrClassObject(riid, ppv);
  if ((dwClsContext & CLSCTX_INPROC_SERVER) && !remote) {
    HRESULT hr;
    try {
      hr = GetInprocClassObject(rclsid, riid, ppv);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    // CLSCTX_ALL goes on to a local server only when no in-process server is registered.
    if (hr != REGDB_E_CLASSNOTREG) return hr;
  }
  if ((dwClsContext & (CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)) == 0) return REGDB_E_CLASSNOTREG;
  if (remote && (dwClsContext & CLSCTX_REMOTE_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  OutOfProcessActivationHook hook;
  {
    std::lock_guard<std::mutex> guard(Hooks().lock);
    hook = Hooks().activation;
  }
  if (!hook) return REGDB_E_CLASSNOTREG;
  return ComCallNoThrow([&] { return hook(rclsid, dwClsContext, serverInfo, riid, ppv); });
}

IUnknown* CoGetRegisteredClassObject(REFCLSID rclsid) { return TakeRegisteredClassObject(rclsid); }

void SetOutOfProcessActivationHook(OutOfProcessActivationHook hook) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  Hooks().activation = std::move(hook);
}

void SetClassRegistrationHook(ClassRegistrationHook hook) {
  std::lock_guard<std::mutex> guard(Hooks().lock);
  Hooks().registration = std::move(hook);
}

HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, dwClsContext, nullptr, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  hr = ComCallNoThrow([&] { return factory->CreateInstance(pUnkOuter, riid, ppv); });
  factory->Release();
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

HRESULT CoCreateInstanceEx(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsCtx, COSERVERINFO* pServerInfo,
                           DWORD dwCount, MULTI_QI* pResults) {
  if (dwCount == 0 || !pResults) return E_INVALIDARG;
  for (DWORD i = 0; i < dwCount; ++i) {
    pResults[i].pItf = nullptr;
    pResults[i].hr = E_NOINTERFACE;
    if (!pResults[i].pIID) return E_INVALIDARG;
  }
  IClassFactory* factory = nullptr;
  HRESULT hr = CoGetClassObject(rclsid, dwClsCtx, pServerInfo, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return hr;
  IUnknown* object = nullptr;
  hr = ComCallNoThrow([&] { return factory->CreateInstance(pUnkOuter, *pResults[0].pIID, reinterpret_cast<void**>(&object)); });
  factory->Release();
  if (FAILED(hr)) {
    pResults[0].hr = hr;
    return hr;
  }
  pResults[0].pItf = object;
  pResults[0].hr = S_OK;
  DWORD found = 1;
  for (DWORD i = 1; i < dwCount; ++i) {
    pResults[i].hr = ComCallNoThrow(
        [&] { return object->QueryInterface(*pResults[i].pIID, reinterpret_cast<void**>(&pResults[i].pItf)); });
    if (SUCCEEDED(pResults[i].hr)) ++found;
  }
  return found == dwCount ? S_OK : CO_S_NOTALLINTERFACES;
}

// ---- ProgIDs ---------------------------------------------------------------------------------------

HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, LPCLSID lpclsid) {
  if (!lpszProgID || !lpclsid) return E_INVALIDARG;
  try {
    std::wstring progId(lpszProgID);
    if (!progId.empty() && progId.front() == L'{') return CLSIDFromString(lpszProgID, lpclsid);
    if (progId.empty() || progId.find(L'\\') != std::wstring::npos) return CO_E_CLASSSTRING;
    // CurVer names the current version; a chain of them ends after a few steps (a loop is an error).
    for (int hop = 0; hop < 8; ++hop) {
      std::wstring next;
      if (ReadDefaultValue(HKEY_CLASSES_ROOT, progId + L"\\CurVer", next) && !next.empty() &&
          next.find(L'\\') == std::wstring::npos) {
        std::wstring probe;
        if (ReadDefaultValue(HKEY_CLASSES_ROOT, next + L"\\CLSID", probe) ||
            ReadDefaultValue(HKEY_CLASSES_ROOT, next + L"\\CurVer", probe)) {
          progId = next;
          continue;
        }
      }
      std::wstring text;
      if (!ReadDefaultValue(HKEY_CLASSES_ROOT, progId + L"\\CLSID", text)) return CO_E_CLASSSTRING;
      CLSID clsid;
      if (FAILED(CLSIDFromString(text.c_str(), &clsid))) return CO_E_CLASSSTRING;
      *lpclsid = clsid;
      return S_OK;
    }
    return CO_E_CLASSSTRING;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* lplpszProgID) {
  if (!lplpszProgID) return E_INVALIDARG;
  *lplpszProgID = nullptr;
  try {
    std::wstring progId;
    if (!ReadDefaultValue(HKEY_CLASSES_ROOT, L"CLSID\\" + tessaly::GuidToString(clsid) + L"\\ProgID", progId) ||
        progId.empty())
      return REGDB_E_CLASSNOTREG;
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((progId.size() + 1) * sizeof(OLECHAR)));
    if (!out) return E_OUTOFMEMORY;
    std::wmemcpy(out, progId.c_str(), progId.size() + 1);
    *lplpszProgID = out;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// ---- objects and clients -------------------------------------------------------------------------------

HRESULT CoDisconnectObject(IUnknown* pUnk, DWORD dwReserved) {
  if (!pUnk) return E_INVALIDARG;
  DisconnectHook hook;
  {
    DisconnectState& d = Disconnect();
    std::lock_guard<std::mutex> guard(d.lock);
    hook = d.hook;
  }
  if (!hook) return S_OK;
  return ComCallNoThrow([&] { return hook(pUnk, dwReserved); });
}

void SetCoDisconnectObjectHook(DisconnectHook hook) {
  DisconnectState& d = Disconnect();
  std::lock_guard<std::mutex> guard(d.lock);
  d.hook = std::move(hook);
}

HRESULT CoLockObjectExternal(IUnknown* pUnk, BOOL, BOOL) { return pUnk ? S_OK : E_INVALIDARG; }

HRESULT CoFileTimeNow(FILETIME* lpFileTime) {
  if (!lpFileTime) return E_INVALIDARG;
  *lpFileTime = tessaly::win32::Clock().Now();
  return S_OK;
}

// ---- clipboard formats ----------------------------------------------------------------------------------

UINT RegisterClipboardFormatW(LPCWSTR lpszFormat) {
  if (!lpszFormat || !*lpszFormat) return 0;
  try {
    std::wstring key(lpszFormat);
    for (wchar_t& c : key) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    ClipboardFormats& f = Formats();
    std::lock_guard<std::mutex> guard(f.lock);
    auto it = f.ids.find(key);
    if (it != f.ids.end()) return it->second;
    UINT id = kFirstClipboardFormat + static_cast<UINT>(f.ids.size());
    if (id > kLastClipboardFormat) return 0;
    f.ids.emplace(key, id);
    f.names.emplace_back(lpszFormat);
    return id;
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

int GetClipboardFormatNameW(UINT format, LPWSTR lpszFormatName, int cchMaxCount) {
  if (!lpszFormatName || cchMaxCount <= 0) return 0;
  ClipboardFormats& f = Formats();
  std::lock_guard<std::mutex> guard(f.lock);
  if (format < kFirstClipboardFormat || format - kFirstClipboardFormat >= f.names.size()) return 0;
  const std::wstring& name = f.names[format - kFirstClipboardFormat];
  size_t n = name.size() < static_cast<size_t>(cchMaxCount - 1) ? name.size() : static_cast<size_t>(cchMaxCount - 1);
  std::wmemcpy(lpszFormatName, name.c_str(), n);
  lpszFormatName[n] = L'\0';
  return static_cast<int>(n);
}
