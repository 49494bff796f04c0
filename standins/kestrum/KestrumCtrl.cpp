#include "standins/kestrum/KestrumCtrl.h"

#include "platform/com/Bstr.h"
#include "platform/win32/Messages.h"
#include "platform/win32/Thread.h"

namespace kestrum::sim {

namespace {
constexpr UINT kDeliverMessage = WM_APP + 0x4B;
constexpr UINT_PTR kPollTimer = 1;
constexpr UINT kPollPeriodMs = 500;

std::wstring Text(LPCWSTR text) { return text ? std::wstring(text) : std::wstring(); }

template <class F>
HRESULT Guarded(F&& f) {
  try {
    return f();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}
}  // namespace

// Shared with the network's wake handler, which may run on any thread and outlive the window.
struct CKestrumCtrl::Pump {
  HWND hwnd = nullptr;
  std::atomic<bool> posted{false};
};

HRESULT CKestrumCtrl::FinalConstruct() {
  m_net = std::make_shared<CSimNetwork>();
  m_ref.kind = kObjControl;
  m_thread = GetCurrentThreadId();
  m_pump = std::make_shared<Pump>();
  m_pump->hwnd = CreateMessageWindow(&CKestrumCtrl::WindowProc, this);
  if (!m_pump->hwnd) return E_FAIL;
  SetTimer(m_pump->hwnd, kPollTimer, kPollPeriodMs, nullptr);
  std::weak_ptr<Pump> pump = m_pump;
  m_net->SetWakeHandler([pump] {
    if (auto p = pump.lock())
      if (!p->posted.exchange(true)) PostMessage(p->hwnd, kDeliverMessage, 0, 0);
  });
  return S_OK;
}

void CKestrumCtrl::FinalRelease() {
  if (m_pump && m_pump->hwnd) DestroyWindow(m_pump->hwnd);
  UnadviseAll();
  if (m_net) m_net->Close();
}

LRESULT CKestrumCtrl::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CKestrumCtrl*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProc(hwnd, message, wParam, lParam);
  if (message == kDeliverMessage) {
    self->Deliver();
    return 0;
  }
  if (message == WM_TIMER && wParam == kPollTimer) {
    self->m_net->PollIfDue();
    return 0;
  }
  return DefWindowProc(hwnd, message, wParam, lParam);
}

LONG CKestrumCtrl::Deliver() {
  m_pump->posted = false;
  std::vector<SimEvent> events = m_net->TakeEvents();
  if (events.empty()) return 0;
  // Keeps the control alive while a sink releases it from inside its call-back.
  CComPtr<IDispatch> self(static_cast<IDispatch*>(this));
  for (SimEvent& e : events) {
    std::vector<VARIANT> args(e.args.rbegin(), e.args.rend());  // reverse order, shallow copies
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    ForEachSink<IDispatch>([&](IDispatch* sink) {
      sink->Invoke(e.id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    });
  }
  return static_cast<LONG>(events.size());
}

const wchar_t* CKestrumCtrl::RegistryScript() {
  return LR"(
HKCR
{
  KESTRUM.KESTRUMCtrl.3 = s 'Kestrum network control' { CLSID = s '%CLSID%' }
  KESTRUM.KESTRUMCtrl = s 'Kestrum network control'
  {
    CLSID = s '%CLSID%'
    CurVer = s 'KESTRUM.KESTRUMCtrl.3'
  }
  NoRemove CLSID
  {
    ForceRemove %CLSID% = s 'Kestrum network control'
    {
      ProgID = s 'KESTRUM.KESTRUMCtrl.3'
      VersionIndependentProgID = s 'KESTRUM.KESTRUMCtrl'
      InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Apartment' }
    }
  }
}
)";
}

// ---- IDispatch ---------------------------------------------------------------------------------

HRESULT CKestrumCtrl::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CKestrumCtrl::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT CKestrumCtrl::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  return TableFor(kObjControl).GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
}

HRESULT CKestrumCtrl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                             VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  if (dispIdMember == ctl::kPumpEvents && (wFlags & DISPATCH_METHOD)) {
    std::wstring message;
    m_net->RecordCall(m_ref, dispIdMember, wFlags, &message);
    LONG delivered = 0;
    HRESULT hr = PumpEvents(&delivered);
    if (FAILED(hr)) return hr;
    if (pVarResult) {
      VariantClear(pVarResult);
      pVarResult->vt = VT_I4;
      pVarResult->lVal = delivered;
    }
    return S_OK;
  }
  return InvokeSimObject(*m_net, m_ref, this, dispIdMember, riid, wFlags, pDispParams, pVarResult, pExcepInfo,
                         puArgErr);
}

// ---- IKestrumSimulation -------------------------------------------------------------------------

HRESULT CKestrumCtrl::SetDeviceValue(LPCWSTR itemId, short field, const VARIANT* value) {
  if (!value) return E_POINTER;
  return Guarded([&] { return m_net->SimSetDeviceValue(Text(itemId), field, *value); });
}
HRESULT CKestrumCtrl::GetDeviceValue(LPCWSTR itemId, short field, VARIANT* value) {
  return Guarded([&] { return m_net->SimGetDeviceValue(Text(itemId), field, value); });
}
HRESULT CKestrumCtrl::SetBehaviour(LPCWSTR itemId, LONG behaviour, double step, double low, double high) {
  return Guarded([&] { return m_net->SimSetBehaviour(Text(itemId), behaviour, step, low, high); });
}
HRESULT CKestrumCtrl::SetValueStatus(LPCWSTR itemId, LONG status) {
  return Guarded([&] { return m_net->SimSetValueStatus(Text(itemId), status); });
}
HRESULT CKestrumCtrl::SetDeviceOnline(LPCWSTR neuronId, BOOL online) {
  return Guarded([&] { return m_net->SimSetDeviceOnline(Text(neuronId), online != FALSE); });
}
HRESULT CKestrumCtrl::SetCounter(LONG kind, LPCWSTR key, DISPID counter, ULONG value) {
  return Guarded([&] { return m_net->SimSetCounter(kind, Text(key), counter, value); });
}
HRESULT CKestrumCtrl::AddLateAcknowledgements(ULONG count) {
  return Guarded([&] { return m_net->SimAddLateAcknowledgements(count); });
}
HRESULT CKestrumCtrl::AddNetworkInterface(LPCWSTR name, LPCWSTR channel, LPCWSTR port) {
  return Guarded([&] { return m_net->SimAddNetworkInterface(Text(name), Text(channel), Text(port)); });
}
HRESULT CKestrumCtrl::FailCall(LONG kind, LPCWSTR key, DISPID dispid, LPCWSTR message, LONG times) {
  return Guarded([&] {
    m_net->FailCall(kind, Text(key), dispid, Text(message), times);
    return S_OK;
  });
}
HRESULT CKestrumCtrl::ClearFailures() {
  m_net->ClearFailures();
  return S_OK;
}
HRESULT CKestrumCtrl::PressServicePin(LPCWSTR neuronId) {
  return Guarded([&] { return m_net->SimPressServicePin(Text(neuronId)); });
}
HRESULT CKestrumCtrl::RaiseInfo(LONG kind, LPCWSTR text1, LPCWSTR text2) {
  return Guarded([&] { return m_net->SimRaiseInfo(kind, Text(text1), Text(text2)); });
}
HRESULT CKestrumCtrl::RaiseInform2(LONG code, LPCWSTR neuronId, LPCWSTR text) {
  return Guarded([&] {
    std::wstring id = Text(neuronId);
    return m_net->SimRaiseInform2(code, neuronId ? &id : nullptr, Text(text));
  });
}
HRESULT CKestrumCtrl::QueuePromptAnswer(LPCWSTR text) {
  return Guarded([&] {
    m_net->QueuePromptAnswer(text ? std::optional<std::wstring>(text) : std::nullopt);
    return S_OK;
  });
}
HRESULT CKestrumCtrl::SetClock(ULONGLONG fileTime) {
  m_net->SetClock(fileTime);
  return S_OK;
}
HRESULT CKestrumCtrl::AdvanceClock(ULONG milliseconds) {
  return Guarded([&] {
    m_net->AdvanceClock(milliseconds);
    return S_OK;
  });
}
HRESULT CKestrumCtrl::GetClock(ULONGLONG* fileTime) {
  if (!fileTime) return E_POINTER;
  *fileTime = m_net->GetClock();
  return S_OK;
}
HRESULT CKestrumCtrl::RecordCalls(BOOL record) {
  m_net->SetRecordCalls(record != FALSE);
  return S_OK;
}
HRESULT CKestrumCtrl::GetCallCount(LONG kind, LPCWSTR key, DISPID dispid, LONG* count) {
  if (!count) return E_POINTER;
  return Guarded([&] {
    *count = m_net->CallCount(kind, Text(key), dispid);
    return S_OK;
  });
}
HRESULT CKestrumCtrl::GetCallLog(BSTR* log) {
  if (!log) return E_POINTER;
  return Guarded([&] {
    *log = tessaly::SysAllocStringView(m_net->CallLog());
    return *log ? S_OK : E_OUTOFMEMORY;
  });
}
HRESULT CKestrumCtrl::ResetCalls() {
  m_net->ResetCalls();
  return S_OK;
}
HRESULT CKestrumCtrl::PumpEvents(LONG* delivered) {
  if (delivered) *delivered = 0;
  if (GetCurrentThreadId() != m_thread) return RPC_E_WRONG_THREAD;
  return Guarded([&] {
    m_net->PollIfDue();
    LONG n = Deliver();
    if (delivered) *delivered = n;
    return S_OK;
  });
}

}  // namespace kestrum::sim
