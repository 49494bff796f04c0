#include "project/Settings.h"

#include "foundation/XmlArchive.h"
#include "platform/afx/Document.h"
#include "platform/win32/Profile.h"
#include "project/ProjectResource.h"

const CEnumText g_dbModeTexts[] = {{0, L"Auto"}, {1, L"Simulate"}, {2, L"UploadAll"}, {3, L"UploadNew"}, {-1, nullptr}};
const CEnumText g_backNameCompTexts[] = {{0, L"2.08"}, {1, L"2.12"}, {2, L"2.2x"}, {-1, nullptr}};
const CEnumText g_monitorNVsTexts[] = {{0, L"selected"}, {1, L"all"}, {-1, nullptr}};

CString EnumValueToText(const CEnumText* table, int value) {
  for (const CEnumText* entry = table; entry->value != -1; ++entry)
    if (entry->value == value) return entry->text;
  CString text;
  text.Format(L"%d", value);
  return text;
}

int EnumTextToValue(const CEnumText* table, const CString& text) {
  // No name has blanks: around it they are a hand-formatted file's.
  CString name(text);
  name.Trim();
  for (const CEnumText* entry = table; entry->value != -1; ++entry)
    if (name == entry->text) return entry->value;
  return -1;
}

namespace {
constexpr const wchar_t* kSection = L"Settings";

// The registry values after "BrowseSubfields" and "Protocol", in the order they are read and
// written, with their defaults.
struct RegistryValue {
  const wchar_t* name;
  int CSettings::*field;
  int defaultValue;
};
const RegistryValue kRegistryValues[] = {
    {L"OpcItemsTable", &CSettings::OpcItemsTable, 4095},     {L"ProtocolLinesMax", &CSettings::ProtocolLinesMax, 3000},
    {L"ProtocolLinesDiff", &CSettings::ProtocolLinesDiff, 1000}, {L"MinDiskSpace", &CSettings::MinDiskSpace, 50},
    {L"TimeTextStyle", &CSettings::TimeTextStyle, 0},
};

int ReadInt(CXmlArchive& ar, LPCTSTR name) {
  UINT value = 0;
  ar.ReadUInt(name, value);
  return static_cast<int>(value);
}

// An integer attribute of the current element; missing or not a number is cause 5.
int ReadIntAttribute(CXmlArchive& ar, const char* name) {
  TiXmlElement* element = ar.GetCurrent() != nullptr ? ar.GetCurrent()->ToElement() : nullptr;
  int value = 0;
  if (element == nullptr || element->QueryIntAttribute(name, &value) != TIXML_SUCCESS)
    AfxThrowArchiveException(CArchiveException::badIndex);
  return value;
}

}  // namespace

CSettings::CSettings(CDocument* doc) : m_pDoc(doc) {
  RegisterProjectStrings();
  ReadRegistry();
  CString name;
  if (name.LoadString(nullptr, IDS_ROOT_NAME)) rootname = name;
}

CSettings::~CSettings() { WriteRegistry(); }

void CSettings::ReadRegistry() {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return;
  BrowseSubfields = static_cast<int>(profile->GetProfileInt(kSection, L"BrowseSubfields", 1));
  Protocol = static_cast<int>(profile->GetProfileInt(kSection, L"Protocol", 1023));
  for (const RegistryValue& value : kRegistryValues)
    this->*value.field = static_cast<int>(profile->GetProfileInt(kSection, value.name, value.defaultValue));
}

void CSettings::WriteRegistry() {
  CRegistryProfile* profile = AfxGetRegistryProfile();
  if (profile == nullptr) return;
  profile->WriteProfileInt(kSection, L"BrowseSubfields", BrowseSubfields);
  profile->WriteProfileInt(kSection, L"Protocol", Protocol.load());
  for (const RegistryValue& value : kRegistryValues) profile->WriteProfileInt(kSection, value.name, this->*value.field);
}

void CSettings::MarkModified() {
  if (m_pDoc != nullptr) m_pDoc->SetModifiedFlag(TRUE);
}

CString CSettings::GetDbPath() const { return Locked(dbpath); }
CString CSettings::GetRootName() const { return Locked(rootname); }
CString CSettings::GetSaveLogPath() const { return Locked(saveLogPath); }
CString CSettings::GetTimersCfg() const { return Locked(ni_timers_cfg); }
CPortChannel CSettings::GetNetworkInterface() const { return Locked(network_interface); }
CPortChannel CSettings::GetHostNode() const { return Locked(hostnode); }
CString CSettings::GetDbModeText() const { return EnumValueToText(g_dbModeTexts, dbmode); }

void CSettings::SetString(CString& field, const CString& text) {
  if (Store(field, text)) MarkModified();
}

void CSettings::SetPortChannel(CPortChannel& field, const CPortChannel& value) {
  if (Store(field, value)) MarkModified();
}

void CSettings::SetNetworkInterface(const CString& port, const CString& channel) {
  SetPortChannel(network_interface, CPortChannel{port, channel});
}

void CSettings::SetHostNode(const CString& port, const CString& channel) {
  SetPortChannel(hostnode, CPortChannel{port, channel});
}

void CSettings::Serialize(CXmlArchive& ar, int version) {
  if (ar.IsStoring()) {
    CMyCriticalSectionLock lock(m_lock);
    ar.AddComment(L"network interface with the running host application");
    ar.AddElement(L"hostnode");
    ar.AddTextElement(L"channel", hostnode.m_strChannel);
    ar.AddTextElement(L"port", hostnode.m_strPort);
    ar.LeaveElementStoring();
    ar.AddElement(L"network_interface");
    ar.AddTextElement(L"channel", network_interface.m_strChannel);
    ar.AddTextElement(L"port", network_interface.m_strPort);
    ar.LeaveElementStoring();
    ar.AddComment(L"Projekt mode, enum string={auto, simulate, uploadAll, uploadNew}");
    ar.AddTextElement(L"dbmode", EnumValueToText(g_dbModeTexts, dbmode));
    ar.AddComment(L"database path");
    ar.AddTextElement(L"dbpath", dbpath);
    ar.AddComment(L"name of the root element");
    ar.AddTextElement(L"rootname", rootname);
    ar.AddComment(L"use NV Selfdocumentation as NV name (bool)");
    ar.AddIntElement(L"useNvSelfdoc", useNvSelfdoc);
    ar.AddComment(L"debug trace flag (bool)");
    ar.AddIntElement(L"debugTrace", debugTrace);
    ar.AddComment(L"hide main window if started from client (bool)");
    ar.AddIntElement(L"hideWindow", hideWindow);
    ar.AddComment(L"Back type compatibility (bool)");
    ar.AddIntElement(L"backTypeComp", backTypeComp);
    ar.AddComment(L"Back name compatibility, enum string={\"2.08\", \"2.12\", \"2.2x\" }");
    ar.AddTextElement(L"backNameComp", EnumValueToText(g_backNameCompTexts, backNameComp));
    ar.AddComment(L"Monitor network variable enum={all, selected}");
    ar.AddTextElement(L"monitorNVs", EnumValueToText(g_monitorNVsTexts, monitorNVs.load()));
    ar.AddComment(L"Name of the selected timers configuration");
    ar.AddTextElement(L"ni_timers_cfg", ni_timers_cfg);
    TiXmlElement* disabling = ar.AddElement(L"disablingNodes");
    disabling->SetAttribute("on", disablingNodesOn);
    ar.AddComment(L"time offset in seconds");
    ar.AddIntElement(L"timeOffset", timeOffset);
    ar.AddIntElement(L"retry", retry);
    ar.LeaveElementStoring();
    ar.AddComment(L"protocol window, save log from the window to a text file");
    TiXmlElement* window = ar.AddElement(L"protocolWindow");
    window->SetAttribute("saveLog", saveLog ? 1 : 0);
    ar.AddTextElement(L"saveLogPath", saveLogPath);
    ar.LeaveElementStoring();
    ar.AddComment(L"automatic TxTimer update");
    TiXmlElement* update = ar.AddElement(L"automTxTimerUpdate");
    update->SetAttribute("on", automTxTimerUpdateOn);
    ar.AddIntElement(L"updatePeriod", updatePeriod);
    ar.AddIntElement(L"txAuxilliaryWaitTime", txAuxilliaryWaitTime);
    ar.LeaveElementStoring();
    return;
  }

  // Texts are read into locals and stored under the lock, so OPC threads never see a text
  // being replaced.
  auto readText = [&](LPCTSTR name, CString& field) {
    CString text;
    ar.ReadString(name, text);
    Store(field, text);
  };
  ar.EnterElement(L"hostnode");
  readText(L"channel", hostnode.m_strChannel);
  readText(L"port", hostnode.m_strPort);
  ar.LeaveElementLoading();
  ar.EnterElement(L"network_interface");
  readText(L"channel", network_interface.m_strChannel);
  readText(L"port", network_interface.m_strPort);
  ar.LeaveElementLoading();
  CString text;
  ar.ReadString(L"dbmode", text);
  int mode = EnumTextToValue(g_dbModeTexts, text);
  if (mode != dbmode) {
    dbmode = mode;
    MarkModified();
  }
  readText(L"dbpath", dbpath);
  readText(L"rootname", rootname);
  useNvSelfdoc = ReadInt(ar, L"useNvSelfdoc");
  debugTrace = ReadInt(ar, L"debugTrace");
  hideWindow = ReadInt(ar, L"hideWindow");
  backTypeComp = ReadInt(ar, L"backTypeComp");
  ar.ReadString(L"backNameComp", text);
  backNameComp = EnumTextToValue(g_backNameCompTexts, text);
  ar.ReadString(L"monitorNVs", text);
  monitorNVs = EnumTextToValue(g_monitorNVsTexts, text);
  readText(L"ni_timers_cfg", ni_timers_cfg);
  ar.EnterElement(L"disablingNodes");
  disablingNodesOn = ReadIntAttribute(ar, "on");
  timeOffset = ReadInt(ar, L"timeOffset");
  retry = ReadInt(ar, L"retry");
  ar.LeaveElementLoading();
  ar.EnterElement(L"protocolWindow");
  bool save = ReadIntAttribute(ar, "saveLog") == 1;
  if (save != saveLog) {
    saveLog = save;
    MarkModified();
  }
  readText(L"saveLogPath", saveLogPath);
  ar.LeaveElementLoading();
  if (version > 1) {
    ar.EnterElement(L"automTxTimerUpdate");
    automTxTimerUpdateOn = ReadIntAttribute(ar, "on");
    updatePeriod = ReadInt(ar, L"updatePeriod");
    BYTE wait = 0;
    ar.ReadByte(L"txAuxilliaryWaitTime", wait);
    txAuxilliaryWaitTime = (txAuxilliaryWaitTime & ~0xFF) | wait;
    ar.LeaveElementLoading();
  }
}
