// An in-process OPC client for the tests: registers the server's class object, creates the
// server through CoCreateInstance and talks to it only through the OPC interfaces, with its
// own IOPCDataCallback and IOPCShutdown sinks.
#pragma once

#include <condition_variable>
#include <functional>
#include <string>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "opcserver/MyOPCGroup.h"
#include "interfaces/opc/OpcError.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComPtr.h"
#include "platform/win32/CString.h"
#include "platform/com/ConnectionPoint.h"

// The class id the tests register the server under.
extern const CLSID CLSID_TessalyTestServer;

// One OnDataChange as the sink saw it.
struct DataChangeCall {
  DWORD transaction = 0;
  OPCHANDLE hGroup = 0;
  HRESULT masterQuality = S_OK;
  HRESULT masterError = S_OK;
  std::vector<OPCHANDLE> clients;
  std::vector<double> values;  // as R8 where convertible, else NaN
  std::vector<WORD> qualities;
  std::vector<HRESULT> errors;
};

// Appends count items to the call; values go as R8 where convertible, else NaN. Values or
// qualities may be null (a write completion has neither).
void AppendItems(DataChangeCall& call, DWORD count, const OPCHANDLE* clients, VARIANT* values, const WORD* qualities,
                 const HRESULT* errors);

class CTestDataCallback : public CComObjectRootEx<CComMultiThreadModel>, public IOPCDataCallback {
 public:
  BEGIN_COM_MAP(CTestDataCallback)
    COM_INTERFACE_ENTRY(IOPCDataCallback)
  END_COM_MAP()

  HRESULT OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                       DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                       FILETIME* pftTimeStamps, HRESULT* pErrors) override;
  HRESULT OnReadComplete(DWORD, OPCHANDLE, HRESULT, HRESULT, DWORD, OPCHANDLE*, VARIANT*, WORD*, FILETIME*,
                         HRESULT*) override {
    return S_OK;
  }
  HRESULT OnWriteComplete(DWORD, OPCHANDLE, HRESULT, DWORD, OPCHANDLE*, HRESULT*) override { return S_OK; }
  HRESULT OnCancelComplete(DWORD, OPCHANDLE) override { return S_OK; }

  // Waits (10 s at most, a failure guard) until at least n calls arrived.
  bool WaitForCalls(size_t n);
  std::vector<DataChangeCall> Calls();
  size_t CallCount();

  // Run inside OnDataChange (on the update thread), before the call is recorded.
  std::function<void()> m_onCall;
  HRESULT m_result = S_OK;

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<DataChangeCall> m_calls;
};

class CTestShutdown : public CComObjectRootEx<CComMultiThreadModel>, public IOPCShutdown {
 public:
  BEGIN_COM_MAP(CTestShutdown)
    COM_INTERFACE_ENTRY(IOPCShutdown)
  END_COM_MAP()
  HRESULT ShutdownRequest(LPCWSTR szReason) override;
  std::vector<std::wstring> m_reasons;
};

// Counts update cycles per group client handle through the group's test hook.
class CCycleWatcher {
 public:
  CCycleWatcher();
  ~CCycleWatcher();
  // Waits (10 s at most) until the group with this client handle completed n more cycles than
  // when Mark was last called for it.
  void Mark(OPCHANDLE hClientGroup);
  bool WaitForMoreCycles(OPCHANDLE hClientGroup, DWORD n);

 private:
  static void Hook(OPCHANDLE hClientGroup, DWORD cycle);
  std::unique_ptr<CMyOPCGroup::CScopedCycleHookForTesting> m_hook;
};

// How the tests reach the server: in-process, or through the process boundary (a connection to
// the class's socket, served by this same process). TESSALY_OPC_TRANSPORT=rpc picks the second,
// so one fixture runs the conformance tests over both.
enum class OpcTestTransport { kInProcess, kRpc };
OpcTestTransport CurrentOpcTestTransport();
// Gives this process (and the programs it starts) an instance-socket folder of its own, so test
// processes running side by side never reach each other's servers.
void UsePrivateRpcDirectory();

class COpcTestClient {
 public:
  // Registers the class object (once per process) and creates a server.
  COpcTestClient();
  ~COpcTestClient();

  IOPCServer* Server() { return m_server.p; }
  // A group with the given name, rate and client handle; its IOPCItemMgt.
  CComPtr<IOPCItemMgt> AddGroup(const wchar_t* name, BOOL active, DWORD rate, OPCHANDLE hClient,
                                OPCHANDLE* phServer = nullptr, FLOAT* deadband = nullptr);
  // Advises a new data callback on the group; returns the sink.
  CComPtr<CComObject<CTestDataCallback>> Subscribe(IUnknown* group, DWORD* cookie = nullptr);
  // AddItems of IDs (active, client handles 1, 2, ...); returns the server handles (0 on error).
  static std::vector<OPCHANDLE> AddItems(IOPCItemMgt* group, const std::vector<CString>& ids,
                                  std::vector<HRESULT>* errors = nullptr, VARTYPE type = VT_EMPTY);
  void Release();

  CComPtr<IOPCServer> m_server;
};

// Everything left in a string enumerator, taken chunk at a time (the strings are freed).
std::vector<std::wstring> DrainStrings(IEnumString* e, ULONG chunk = 7);

template <class I, class From>
CComPtr<I> QueryAs(From* from) {
  CComPtr<I> out;
  if (from) from->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&out));
  return out;
}
