#include "lon/KestrumSink.h"

#include "foundation/ProtocolEventsCollector.h"
#include "foundation/TextProtocolEvent.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonHost.h"
#include "lon/LonResources.h"
#include "lon/NetworkVariable.h"
#include "platform/com/Bstr.h"

namespace {
void PostText(std::unique_ptr<CTextProtocolEvent> event) {
  if (g_pProtocolEventsCollector) g_pProtocolEventsCollector->Collect(std::move(event));
}
CString Text(BSTR text) { return CString(tessaly::BstrToString(text).c_str()); }
}  // namespace

CKestrumSink::CKestrumSink() {
  RegisterLonResources();
  EnableAutomation();
  m_dispatchMap.AddMethod(L"Loading", kestrum::evt::kLoading, [this](BSTR id, short node, short count) { OnLoading(id, node, count); });
  m_dispatchMap.AddMethod(L"ScanFinished", kestrum::evt::kScanFinished, [this]() { OnScanFinished(); });
  m_dispatchMap.AddMethod(L"Scanning", kestrum::evt::kScanning, [this](BSTR domain) { OnScanning(domain); });
  m_dispatchMap.AddMethod(L"Info", kestrum::evt::kInfo, [this](LONG kind, BSTR a, BSTR b) { OnInfo(kind, a, b); });
  m_dispatchMap.AddMethod(L"Inform2", kestrum::evt::kInform2, [this](LONG kind, IDispatch* o, BSTR t) { OnInform2(kind, o, t); });
  m_dispatchMap.AddMethod(L"NewNvValue", kestrum::evt::kNewNvValue, [this](LONG cookie, const VARIANT& v) { OnNewNvValue(cookie, v); });
  m_dispatchMap.AddMethod(L"NewNvError", kestrum::evt::kNewNvError, [this](LONG cookie) { OnNewNvError(cookie); });
  m_dispatchMap.AddMethod(L"ServicePin", kestrum::evt::kServicePin, [this](BSTR id, BSTR pid) { OnServicePin(id, pid); });
}

CKestrumSink::~CKestrumSink() = default;

CScanWindowLink* CKestrumSink::ScanWindow() {
  if (!m_pScanWnd) {
    if (CLonGuiLinks* links = GetLonGuiLinks()) m_pScanWnd = links->CreateScanWindow();
  }
  return m_pScanWnd.get();
}

void CKestrumSink::OnLoading(BSTR neuronId, short node, short count) {
  if (CScanWindowLink* wnd = ScanWindow()) wnd->SetNode(Text(neuronId), node, count);
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnLoading(neuronId, node, count); });
  if (IsLonProtocolEnabled(LON_PROTOCOL_SCAN))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_SCAN_LOADING, Text(neuronId), int(node), int(count)));
}

void CKestrumSink::OnScanFinished() {
  if (m_pScanWnd) {
    m_pScanWnd->Close();
    m_pScanWnd.reset();
  }
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnScanFinished(); });
  if (IsLonProtocolEnabled(LON_PROTOCOL_SCAN)) PostText(CTextProtocolEvent::CreateFormatted(IDS_SCAN_FINISHED));
}

void CKestrumSink::OnScanning(BSTR domain) {
  if (CScanWindowLink* wnd = ScanWindow()) wnd->SetDomain(Text(domain));
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnScanning(domain); });
  if (!IsLonProtocolEnabled(LON_PROTOCOL_SCAN)) return;
  CString text = Text(domain);
  if (text.IsEmpty())
    PostText(CTextProtocolEvent::CreateFormatted(IDS_SCAN_DOMAIN_EMPTY));
  else
    PostText(CTextProtocolEvent::CreateFormatted(IDS_SCAN_DOMAIN, text));
}

void CKestrumSink::OnInfo(LONG kind, BSTR first, BSTR second) {
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnInfo(kind, first, second); });
  if (kind == 0)
    PostText(CTextProtocolEvent::CreateFormatted(IDS_LIFECHECK_EVENT, Text(first)));
  else if (kind == 2)
    PostText(CTextProtocolEvent::Create(Text(second)));
}

void CKestrumSink::OnInform2(LONG kind, IDispatch* object, BSTR text) {
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnInform2(kind, object, text); });
}

void CKestrumSink::OnNewNvValue(LONG cookie, const VARIANT& value) {
  CNetworkVariable* nv = CNetworkVariable::FromCookie(static_cast<DWORD>(cookie));
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnNewNvValue(nv, value); });
  if (nv != nullptr && IsLonProtocolEnabled(LON_PROTOCOL_NV))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_NV_VALUE_EVENT, nv->GetDisplayName(), nv->GetValueText(-1)));
}

void CKestrumSink::OnNewNvError(LONG cookie) {
  CNetworkVariable* nv = CNetworkVariable::FromCookie(static_cast<DWORD>(cookie));
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnNewNvError(nv); });
  if (nv != nullptr && IsLonProtocolEnabled(LON_PROTOCOL_NV))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_NV_ERROR_EVENT, nv->GetDisplayName()));
}

void CKestrumSink::OnServicePin(BSTR neuronId, BSTR programId) {
  ForEachObserver([&](CKestrumSinkObserver* o) { o->OnServicePin(neuronId, programId); });
  if (IsLonProtocolEnabled(LON_PROTOCOL_NV))
    PostText(CTextProtocolEvent::CreateFormatted(IDS_SERVICE_PIN, Text(neuronId), Text(programId)));
}
