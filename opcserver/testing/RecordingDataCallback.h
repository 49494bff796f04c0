// An IOPCDataCallback that records every kind of call, for the asynchronous tests. Read and
// write completions pass a gate the test may close, so that later requests stay queued.
#pragma once

#include <functional>
#include <vector>

#include "interfaces/opc/OpcDa.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/testing/TestGate.h"
#include "opcserver/testing/TestRecorder.h"
#include "platform/com/ComObject.h"
#include "platform/com/ComPtr.h"

// A data change's fields (a write completion has no values or qualities), and which call it was.
struct CallbackCall : DataChangeCall {
  enum Kind { DataChange, ReadComplete, WriteComplete, CancelComplete };
  Kind kind = DataChange;
};

class CRecordingDataCallback : public CComObjectRootEx<CComMultiThreadModel>, public IOPCDataCallback {
 public:
  BEGIN_COM_MAP(CRecordingDataCallback)
    COM_INTERFACE_ENTRY(IOPCDataCallback)
  END_COM_MAP()

  // A new callback, connected to the group's IOPCDataCallback point.
  static CComPtr<CComObject<CRecordingDataCallback>> Connect(IUnknown* group);

  HRESULT OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                       DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                       FILETIME* pftTimeStamps, HRESULT* pErrors) override;
  HRESULT OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                         DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                         FILETIME* pftTimeStamps, HRESULT* pErrors) override;
  HRESULT OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMastererr, DWORD dwCount,
                          OPCHANDLE* pClienthandles, HRESULT* pErrors) override;
  HRESULT OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) override;

  // The calls recorded that match, in order.
  std::vector<CallbackCall> Calls(const std::function<bool(const CallbackCall&)>& match);
  std::vector<CallbackCall> Calls(CallbackCall::Kind kind);
  // Waits (10 s at most, a failure guard) until n calls that match were recorded.
  bool WaitFor(size_t n, const std::function<bool(const CallbackCall&)>& match);
  bool WaitFor(size_t n, CallbackCall::Kind kind);

  CTestGate m_completionGate;

 private:
  HRESULT Record(CallbackCall call);

  CTestRecorder<CallbackCall> m_calls;
};
