#include "opcserver/testing/RecordingDataCallback.h"


namespace {
CallbackCall MakeCall(CallbackCall::Kind kind, DWORD transaction, OPCHANDLE hGroup, HRESULT quality, HRESULT error,
                      DWORD count, const OPCHANDLE* clients, VARIANT* values, const WORD* qualities,
                      const HRESULT* errors) {
  CallbackCall call;
  call.kind = kind;
  call.transaction = transaction;
  call.hGroup = hGroup;
  call.masterQuality = quality;
  call.masterError = error;
  AppendItems(call, count, clients, values, qualities, errors);
  return call;
}
}  // namespace

CComPtr<CComObject<CRecordingDataCallback>> CRecordingDataCallback::Connect(IUnknown* group) {
  CComObject<CRecordingDataCallback>* sink = nullptr;
  CComObject<CRecordingDataCallback>::CreateInstance(&sink);
  CComPtr<CComObject<CRecordingDataCallback>> held(sink);
  CComPtr<IConnectionPointContainer> container;
  group->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  CComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  if (!container || FAILED(container->FindConnectionPoint(IID_IOPCDataCallback, &point.p)) ||
      FAILED(point->Advise(static_cast<IOPCDataCallback*>(sink), &cookie)))
    return nullptr;
  return held;
}

HRESULT CRecordingDataCallback::OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality,
                                             HRESULT hrMastererror, DWORD dwCount, OPCHANDLE* phClientItems,
                                             VARIANT* pvValues, WORD* pwQualities, FILETIME*, HRESULT* pErrors) {
  return Record(MakeCall(CallbackCall::DataChange, dwTransid, hGroup, hrMasterquality, hrMastererror, dwCount,
                         phClientItems, pvValues, pwQualities, pErrors));
}

HRESULT CRecordingDataCallback::OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality,
                                               HRESULT hrMastererror, DWORD dwCount, OPCHANDLE* phClientItems,
                                               VARIANT* pvValues, WORD* pwQualities, FILETIME*, HRESULT* pErrors) {
  m_completionGate.Pass();
  return Record(MakeCall(CallbackCall::ReadComplete, dwTransid, hGroup, hrMasterquality, hrMastererror, dwCount,
                         phClientItems, pvValues, pwQualities, pErrors));
}

HRESULT CRecordingDataCallback::OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMastererr, DWORD dwCount,
                                                OPCHANDLE* pClienthandles, HRESULT* pErrors) {
  m_completionGate.Pass();
  return Record(MakeCall(CallbackCall::WriteComplete, dwTransid, hGroup, S_OK, hrMastererr, dwCount, pClienthandles,
                         nullptr, nullptr, pErrors));
}

HRESULT CRecordingDataCallback::OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) {
  return Record(MakeCall(CallbackCall::CancelComplete, dwTransid, hGroup, S_OK, S_OK, 0, nullptr, nullptr, nullptr,
                         nullptr));
}

HRESULT CRecordingDataCallback::Record(CallbackCall call) {
  m_calls.Add(std::move(call));
  return S_OK;
}

std::vector<CallbackCall> CRecordingDataCallback::Calls(const std::function<bool(const CallbackCall&)>& match) {
  return m_calls.Matching(match);
}

std::vector<CallbackCall> CRecordingDataCallback::Calls(CallbackCall::Kind kind) {
  return Calls([kind](const CallbackCall& c) { return c.kind == kind; });
}

bool CRecordingDataCallback::WaitFor(size_t n, const std::function<bool(const CallbackCall&)>& match) {
  return m_calls.WaitFor(n, match);
}

bool CRecordingDataCallback::WaitFor(size_t n, CallbackCall::Kind kind) {
  return WaitFor(n, [kind](const CallbackCall& c) { return c.kind == kind; });
}
