#include "project/DocDispatch.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

namespace {
const int kTxTimerMs[16] = {16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 768, 1024, 1536, 2048, 3072};
}

int TxTimerMilliseconds(int index) { return kTxTimerMs[index < 0 ? 0 : (index > 15 ? 15 : index)]; }

CString GetDispatchTextProperty(COleDispatchDriver& object) { return object.GetProperty<CString>(2); }

CString GetDispatchPortProperty(COleDispatchDriver& object) { return object.GetProperty<CString>(3); }

void SetDispatchTextProperty(COleDispatchDriver& object, const CString& text) { object.SetProperty(2, VT_BSTR, text); }

CString GetDispatchName(COleDispatchDriver& object) { return object.GetProperty<CString>(1); }

BYTE GetTxTimerIndex(COleDispatchDriver& control) { return control.GetProperty<BYTE>(kestrum::ctl::kTxTimer); }

void ApplyTimingSettings(const CTmSetting& setting, COleDispatchDriver& control) {
  control.InvokeHelper(kestrum::ctl::kSetTimers, DISPATCH_METHOD, VT_EMPTY, nullptr, setting.RepeatTimer, setting.Retry,
                       setting.TxTimer);
  control.SetProperty(kestrum::ctl::kParallelTransactions, VT_UI1, static_cast<BYTE>(setting.ParallelTransCount & 0xFF));
  control.SetProperty(kestrum::ctl::kThrottle, VT_UI4, static_cast<ULONG>(setting.Throttle));
}

void ApplyDisablingNodes(COleDispatchDriver& control, bool on, int timeOffset, int retry) {
  COleDispatchDriver config = lon_dispatch::GetObject(control, kestrum::ctl::kHostConfig);
  if (config.m_lpDispatch == nullptr) return;
  config.SetProperty(kestrum::host::kDisablingNodes, VT_BOOL, on);
  config.SetProperty(kestrum::host::kDisablingTimeOffset, VT_UI4, static_cast<ULONG>(timeOffset));
  config.SetProperty(kestrum::host::kDisablingRetry, VT_UI2, static_cast<USHORT>(retry));
}

int CompareNoCase(const CString& text, const CString& other) { return text.CompareNoCase(other); }

CString GetInterfaceNameByPortChannel(COleDispatchDriver& control, const CString& port, const CString& channel) {
  COleDispatchDriver interfaces = lon_dispatch::GetObject(control, kestrum::ctl::kInterfaces);
  if (interfaces.m_lpDispatch == nullptr) return CString();
  for (LONG i = 0; i < interfaces.GetProperty<short>(kestrum::coll::kCount); ++i) {
    LPDISPATCH raw = nullptr;
    interfaces.GetPropertyWithParams(kestrum::coll::kItem, VT_DISPATCH, &raw, i);
    COleDispatchDriver item(raw, TRUE);
    if (item.m_lpDispatch == nullptr) continue;
    if (CompareNoCase(GetDispatchTextProperty(item), channel) == 0 && CompareNoCase(GetDispatchPortProperty(item), port) == 0)
      return GetDispatchName(item);
  }
  return CString();
}

void ReadLonAddress(COleDispatchDriver& domain, CLonAddress& address) {
  CDomainId id;
  id.FromHexText(GetDispatchTextProperty(domain), 0);
  address.SetDomain(id);
  address.m_subnet = static_cast<BYTE>(domain.GetProperty<short>(kestrum::domain::kSubnet));
  address.m_node = static_cast<BYTE>(domain.GetProperty<short>(kestrum::domain::kNode));
  address.SetDomainLengthState(domain.GetProperty<bool>(kestrum::domain::kInUse));
}
