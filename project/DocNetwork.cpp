// The document's network commands: interface selection, the transmit-timer adjustment and its
// pane, device properties, and the command table with its enabling.
#include "foundation/LoggingFile.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"
#include "platform/afx/AfxRes.h"
#include "platform/win32/Profile.h"
#include "project/Doc.h"
#include "project/DocDispatch.h"
#include "project/DocHost.h"
#include "project/ProjectResource.h"

namespace {
int StartMode() {
  CDocHost* host = GetDocHost();
  return host != nullptr ? host->GetStartMode() : 1;
}
}  // namespace

void CDoc::MapCommands() {
  auto enableWhen = [this](UINT id, std::function<bool()> condition) {
    MapUpdateCommandUI(id, [condition](CCmdUI* ui) { ui->Enable(condition() ? TRUE : FALSE); });
  };
  enableWhen(ID_FILE_NEW, [this] { return StartMode() == 1 && !IsConnected(); });
  enableWhen(ID_FILE_OPEN, [this] { return StartMode() == 1 && !IsConnected(); });
  enableWhen(ID_FILE_SAVE, [] { return StartMode() == 1; });
  enableWhen(ID_FILE_SAVE_AS, [] { return StartMode() == 1; });
  MapCommand(ID_FILE_IMPORT, [this] { OnFileImport(); });
  MapCommand(ID_CONTROL_START, [this] { OnStart(); });
  enableWhen(ID_CONTROL_START, [this] { return !IsConnected(); });
  MapCommand(ID_CONTROL_STOP, [this] { OnStop(); });
  enableWhen(ID_CONTROL_STOP, [this] { return StartMode() == 1 && IsConnected(); });
  MapCommand(ID_CONTROL_MONITOR, [this] { OnMonitor(); });
  MapUpdateCommandUI(ID_CONTROL_MONITOR, [this](CCmdUI* ui) {
    ui->Enable(IsConnected() ? TRUE : FALSE);
    ui->SetCheck(m_bMonitoring != 0 ? 1 : 0);
  });
  MapCommand(ID_CONTROL_OPTIONS, [this] { OnOptions(); });
  MapCommand(ID_DIAG_OPTIONS, [this] { OnDiagOptions(); });
  MapCommand(ID_DIAG_NI_STATUS, [this] { OnNiStatus(); });
  enableWhen(ID_DIAG_NI_STATUS, [this] { return IsConnected(); });
  MapCommand(ID_DIAG_VNI_STATISTICS, [this] { OnVniStatistics(); });
  MapCommand(ID_HELP_ABOUT_KESTRUM, [this] { OnAboutKestrum(); });
  MapUpdateCommandUI(ID_INDICATOR_TXTIMER, [this](CCmdUI* ui) { OnUpdateTxTimerPane(ui); });
}

void CDoc::GetNetworkInterfaces(std::vector<CString>& names) {
  COleDispatchDriver interfaces = lon_dispatch::GetObject(m_control, kestrum::ctl::kInterfaces);
  if (interfaces.m_lpDispatch == nullptr) return;
  // The count is read again after each item: an interface may come or go meanwhile.
  for (short i = 0; i < interfaces.GetProperty<short>(kestrum::coll::kCount); ++i) {
    LPDISPATCH raw = nullptr;
    interfaces.GetPropertyWithParams(kestrum::coll::kItem, VT_DISPATCH, &raw, i);
    COleDispatchDriver item(raw, TRUE);
    if (item.m_lpDispatch != nullptr) names.push_back(GetDispatchName(item));
  }
}

CPortChannel CDoc::FindInterfacePortChannel(const CString& name, bool& found) {
  COleDispatchDriver item = GetNetworkInterface(name);
  found = item.m_lpDispatch != nullptr;
  if (!found) return CPortChannel();
  return CPortChannel{GetDispatchPortProperty(item), GetDispatchTextProperty(item)};
}

void CDoc::SelectNetworkInterface(const CString& name) {
  bool found = false;
  m_settings.SetPortChannel(m_settings.network_interface, FindInterfacePortChannel(name, found));
  if (!found) return;
  if (CRegistryProfile* profile = AfxGetRegistryProfile())
    profile->WriteProfileString(L"Settings", L"LastNetworkInterface", name);
}

void CDoc::SelectHostNodeInterface(const CString& name) {
  bool found = false;
  m_settings.SetPortChannel(m_settings.hostnode, FindInterfacePortChannel(name, found));
}

CString CDoc::GetNetworkInterfaceName() {
  CPortChannel ni = m_settings.GetNetworkInterface();
  return GetInterfaceNameByPortChannel(m_control, ni.m_strPort, ni.m_strChannel);
}

CString CDoc::GetHostNodeInterfaceName() {
  CPortChannel host = m_settings.GetHostNode();
  return GetInterfaceNameByPortChannel(m_control, host.m_strPort, host.m_strChannel);
}

void CDoc::SetTxTimerIndex(int index) {
  if (CLoggingFile* log = GetDocHostLogFile()) log->Print(L"AutomaticUpdateSetTxTimer(txTimer=%d)", index);
  BYTE repeat = m_control.GetProperty<BYTE>(kestrum::ctl::kRepeatTimer);
  BYTE retry = m_control.GetProperty<BYTE>(kestrum::ctl::kRetryCount);
  m_control.InvokeHelper(kestrum::ctl::kSetTimers, DISPATCH_METHOD, VT_EMPTY, nullptr, repeat, retry,
                         static_cast<BYTE>(index));
}

void CDoc::AutoAdjustTxTimer() {
  if (!IsConnected()) return;
  // A tick is no command: a failing control is noted once and the next tick tries again.
  try {
    COleDispatchDriver config = lon_dispatch::GetObject(m_control, kestrum::ctl::kHostConfig);
    if (config.m_lpDispatch == nullptr) return;
    COleDispatchDriver stats = lon_dispatch::GetObject(config, kestrum::host::kStatistics);
    if (stats.m_lpDispatch == nullptr) return;
    const DWORD current = stats.GetProperty<ULONG>(kestrum::stats::kLateAcknowledgements);
    const DWORD last = m_nLastLateAcks;
    m_nLastLateAcks = current;
    if (m_settings.automTxTimerUpdateOn == 0) return;
    CLoggingFile* log = GetDocHostLogFile();
    if (last < current) {
      const BYTE index = GetTxTimerIndex(m_control);
      if (log != nullptr)
        log->Print(L"m_nNiLateAcks(%d) > nLastNiLateAcks(%d), m_TxTimerLow=%d, txTimer=%d", current, last,
                   m_nTxTimerLow, index);
      if (index < 15) SetTxTimerIndex(15);
    } else if (last == current) {
      const BYTE index = GetTxTimerIndex(m_control);
      if (log != nullptr)
        log->Print(L"m_nNiLateAcks(%d) == nLastNiLateAcks(%d), m_TxTimerLow=%d, txTimer=%d", current, last,
                   m_nTxTimerLow, index);
      if (m_nTxTimerLow < index) SetTxTimerIndex(index - 1);
    }
  } catch (const std::exception& e) {
    LogOnce(L"Transmit-timer adjustment", e);
  }
}

void CDoc::OnUpdateTxTimerPane(CCmdUI* ui) {
  ui->Enable(TRUE);
  if (!IsConnected()) {
    ui->SetText(L"");
    return;
  }
  try {
    const BYTE index = GetTxTimerIndex(m_control);
    COleDispatchDriver vni = lon_dispatch::GetObject(m_control, kestrum::ctl::kInterfaceStatistics);
    const LONG errors = vni.m_lpDispatch != nullptr ? vni.GetProperty<LONG>(kestrum::vni::kInvalidResponses) : 0;
    CString text;
    text.Format(L"Late ack's: %d, TxTimer: %d ms, Vni errors: %d", m_nLastLateAcks, TxTimerMilliseconds(index), errors);
    ui->SetText(text);
  } catch (const std::exception& e) {
    LogOnce(L"Transmit-timer pane", e);
    ui->SetText(L"");
  }
}

int CDoc::OnDeviceProperties() {
  CDeviceDialogRecord record;
  record.m_strName = m_settings.GetRootName();
  const CPortChannel ni = m_settings.GetNetworkInterface();
  record.m_strChannel = ni.m_strChannel;
  record.m_strPort = ni.m_strPort;
  record.m_strDbMode = m_settings.GetDbModeText();
  record.m_strDbPath = m_settings.GetDbPath();
  COleDispatchDriver config = lon_dispatch::GetObject(m_control, kestrum::ctl::kHostConfig);
  COleDispatchDriver domains[2];
  if (config.m_lpDispatch != nullptr) {
    for (short i = 0; i < 2; ++i) {
      LPDISPATCH raw = nullptr;
      config.GetPropertyWithParams(kestrum::host::kDomain, VT_DISPATCH, &raw, i);
      domains[i].AttachDispatch(raw, TRUE);
      if (domains[i].m_lpDispatch != nullptr) ReadLonAddress(domains[i], record.m_domains[i]);
    }
    record.m_strInterfaceName = GetDispatchName(config);
  }
  CDocHost* host = GetDocHost();
  const int result = host != nullptr ? host->RunDeviceDialog(record) : IDCANCEL;
  if (result != IDOK) return result;
  m_settings.SetString(m_settings.rootname, record.m_strName);
  if (config.m_lpDispatch == nullptr) return result;
  for (int i = 0; i < 2; ++i) {
    if (domains[i].m_lpDispatch == nullptr) continue;
    SetDispatchTextProperty(domains[i], record.m_domains[i].GetDomain().ToHexText());
    domains[i].SetProperty(kestrum::domain::kNode, VT_I2, static_cast<short>(record.m_domains[i].m_node));
    domains[i].SetProperty(kestrum::domain::kSubnet, VT_I2, static_cast<short>(record.m_domains[i].m_subnet));
  }
  try {
    for (short i = 0; i < 2; ++i)
      if (domains[i].m_lpDispatch != nullptr) config.SetPropertyWithParams(kestrum::host::kDomain, i, domains[i].m_lpDispatch);
  } catch (const COleDispatchException&) {
    // The control keeps its domains; the command ends normally.
  }
  return result;
}
