#include "opcserver/testing/RecordingDataCallback.h"

#include <chrono>
#include <cmath>

#include "platform/com/Variant.h"

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
  for (DWORD i = 0; i < count; ++i) {
    call.clients.push_back(clients[i]);
    call.errors.push_back(errors[i]);
    if (qualities) call.qualities.push_back(qualities[i]);
    if (values) {
      VARIANT d;
      VariantInit(&d);
      call.values.push_back(SUCCEEDED(VariantChangeType(&d, &values[i], 0, VT_R8)) ? d.dblVal : NAN);
    }
  }
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
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
  }
  m_cv.notify_all();
  return S_OK;
}

std::vector<CallbackCall> CRecordingDataCallback::Calls(const std::function<bool(const CallbackCall&)>& match) {
  std::lock_guard<std::mutex> lock(m_mutex);
  std::vector<CallbackCall> out;
  for (const CallbackCall& c : m_calls)
    if (match(c)) out.push_back(c);
  return out;
}

std::vector<CallbackCall> CRecordingDataCallback::Calls(CallbackCall::Kind kind) {
  return Calls([kind](const CallbackCall& c) { return c.kind == kind; });
}

bool CRecordingDataCallback::WaitFor(size_t n, const std::function<bool(const CallbackCall&)>& match) {
  std::unique_lock<std::mutex> lock(m_mutex);
  return m_cv.wait_for(lock, std::chrono::seconds(10), [&] {
    size_t found = 0;
    for (const CallbackCall& c : m_calls)
      if (match(c)) ++found;
    return found >= n;
  });
}

bool CRecordingDataCallback::WaitFor(size_t n, CallbackCall::Kind kind) {
  return WaitFor(n, [kind](const CallbackCall& c) { return c.kind == kind; });
}
