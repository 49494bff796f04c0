#include "lon/TmSettings.h"

#include "foundation/XmlArchive.h"

namespace {
bool IsBuiltInName(const wchar_t* name) {
  return name != nullptr && (CString(name) == L"FTT-10" || CString(name) == L"Powerline");
}
}  // namespace

CTmSettings::CTmSettings() { AddBuiltIns(); }

CTmSettings::~CTmSettings() { Clear(); }

void CTmSettings::AddBuiltIns() {
  if (Find(L"FTT-10") == nullptr) Add(L"FTT-10");
  if (Find(L"Powerline") == nullptr) {
    CTmSetting* powerline = Add(L"Powerline");
    powerline->TxTimer = 15;
    powerline->RepeatTimer = 8;
  }
}

CTmSetting* CTmSettings::Add(const CString& name) {
  if (Find(name.GetString()) != nullptr) return nullptr;
  auto* setting = new CTmSetting(name);
  m_settings.push_back(setting);
  return setting;
}

CTmSetting* CTmSettings::Find(const wchar_t* name) {
  if (name == nullptr) throw static_cast<HRESULT>(E_FAIL);
  for (CTmSetting* setting : m_settings)
    if (setting->Name == name) return setting;
  return nullptr;
}

bool CTmSettings::Remove(const wchar_t* name) {
  if (name == nullptr) throw static_cast<HRESULT>(E_FAIL);
  for (auto it = m_settings.begin(); it != m_settings.end(); ++it) {
    if ((*it)->Name == name) {
      delete *it;
      m_settings.erase(it);
      return true;
    }
  }
  return false;
}

bool CTmSettings::RemoveUnlessBuiltIn(const wchar_t* name) {
  if (IsBuiltInName(name)) return false;
  return Remove(name);
}

bool CTmSettings::IsPowerlineSetting(const wchar_t* name) { return name != nullptr && CString(name) == L"Powerline"; }

CTmSetting* CTmSettings::FindOrDefault(const CString& name) {
  m_strKey = name;
  if (CTmSetting* found = Find(m_strKey.GetString())) return found;
  return Find(L"FTT-10");
}

void CTmSettings::Clear() {
  for (CTmSetting* setting : m_settings) delete setting;
  m_settings.clear();
}

bool CTmSettings::Load(const CString& path) {
  // A file that cannot be opened at all leaves the list as it was.
  CXmlArchive ar(path.GetString(), CXmlArchive::load);
  Clear();
  TiXmlElement* root = ar.EnterElement(L"configuration");
  int version = 0;
  if (root->QueryIntAttribute("version", &version) != TIXML_SUCCESS) AfxThrowArchiveException(CArchiveException::badIndex);
  if (version != 1) AfxThrowArchiveException(CArchiveException::badSchema);
  ar.EnterElement(L"TmSettings");
  for (int n = 0; ar.EnterElementAt(L"TmSetting", n) != nullptr; ++n) {
    CTmSetting read;
    UINT throttle = 0;
    ar.ReadString(L"Name", read.Name);
    ar.ReadByte(L"RepeatTimer", read.RepeatTimer);
    ar.ReadByte(L"Retry", read.Retry);
    ar.ReadByte(L"TxTimer", read.TxTimer);
    ar.ReadUInt(L"Throttle", throttle);
    ar.ReadUShort(L"ParallelTransCount", read.ParallelTransCount);
    read.Throttle = static_cast<int32_t>(throttle);
    ar.LeaveElementLoading();
    m_settings.push_back(new CTmSetting(read));
  }
  return true;
}

bool CTmSettings::Save(const CString& path) {
  CXmlArchive ar(path.GetString(), CXmlArchive::store);
  TiXmlElement* root = ar.AddElement(L"configuration");
  root->SetAttribute("version", 1);
  ar.AddElement(L"TmSettings");
  for (CTmSetting* setting : m_settings) {
    ar.AddElement(L"TmSetting");
    ar.AddTextElement(L"Name", setting->Name.GetString());
    ar.AddIntElement(L"RepeatTimer", setting->RepeatTimer);
    ar.AddIntElement(L"Retry", setting->Retry);
    ar.AddIntElement(L"TxTimer", setting->TxTimer);
    ar.AddIntElement(L"Throttle", setting->Throttle);
    ar.AddIntElement(L"ParallelTransCount", setting->ParallelTransCount);
    ar.LeaveElementStoring();
  }
  ar.LeaveElementStoring();
  ar.LeaveElementStoring();
  if (!ar.Save()) AfxThrowArchiveException(CArchiveException::genericException);
  return true;
}

bool CTmSettings::LoadWithDefaults(const CString& path) {
  bool loaded = false;
  try {
    loaded = Load(path);
  } catch (...) {
    loaded = false;
  }
  AddBuiltIns();
  return loaded;
}
