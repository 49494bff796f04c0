#include "ombrel/OmbrelCtrl.h"

#include "interfaces/gorrin/GorrinContract.h"
#include "interfaces/pravel/PravelContract.h"
#include "ombrel/KxTokenizer.h"
#include "ombrel/OmbrelApp.h"
#include "interfaces/sennet/SennetContract.h"
#include "ombrel/UNVTElement.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Numbers.h"
#include "platform/win32/Registry.h"

#include <exception>
#include <string>

namespace {

constexpr DWORD kMaxPath = 260;

// "XMLFilePath": a string of at most 260 characters with its terminator; an expandable one is
// expanded (within the same limit). Anything else reads as empty.
CString ReadXmlFilePath() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, OMBREL_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return CString();
  wchar_t buffer[kMaxPath] = {};
  DWORD type = REG_NONE;
  DWORD size = sizeof(buffer);
  LONG rc = RegQueryValueEx(key, L"XMLFilePath", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return CString();
  buffer[kMaxPath - 1] = 0;
  if (type == REG_SZ) return CString(buffer);
  wchar_t expanded[kMaxPath] = {};
  DWORD needed = ExpandEnvironmentStrings(buffer, expanded, kMaxPath);
  if (needed == 0 || needed > kMaxPath) return CString();
  return CString(expanded);
}

CString ReadIncludeList() {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, OMBREL_SETTINGS_KEY, 0, KEY_READ, &key) != ERROR_SUCCESS) return CString();
  std::wstring value;
  bool found = tessaly::win32::RegQueryString(key, L"BackTypeComp include", value);
  RegCloseKey(key);
  return found ? CString(value.c_str()) : CString();
}

// A call into a partner that fails gives fallback; nothing escapes to the client.
template <class R, class F>
R Guarded(R fallback, F call) {
  try {
    return call();
  } catch (const std::exception&) {
    return fallback;
  }
}

CComPtr<IDispatch> Owned(LPDISPATCH p) {
  CComPtr<IDispatch> owned;
  owned.Attach(p);
  return owned;
}

}  // namespace

COmbrelCtrl::COmbrelCtrl() {
  m_table.AddGet(L"BackTypeCompatibility", ombrel::DISPID_BACK_TYPE_COMPATIBILITY,
                 [this]() -> bool { return GetBackTypeCompatibility() != FALSE; });
  m_table.AddPut(L"BackTypeCompatibility", ombrel::DISPID_BACK_TYPE_COMPATIBILITY,
                 [this](bool value) { SetBackTypeCompatibility(value ? TRUE : FALSE); });
  m_table.AddGet(L"Version", ombrel::DISPID_VERSION, [this]() -> std::wstring { return GetVersion().GetString(); });
  m_table.AddMethod(L"GetTypeByName", ombrel::DISPID_GET_TYPE_BY_NAME,
                    [this](const std::wstring& typeName, const std::wstring& pid, short selector) {
                      return Owned(GetTypeByName(typeName.c_str(), pid.c_str(), selector));
                    });
  m_table.AddMethod(L"GetTypeByNVndex", ombrel::DISPID_GET_TYPE_BY_NV_INDEX,
                    [this](short index, const std::wstring& pid) { return Owned(GetTypeByNVndex(index, pid.c_str())); });
  m_table.AddMethod(L"GetSNVType", ombrel::DISPID_GET_SNV_TYPE, [this](short snvt) { return Owned(GetSNVType(snvt)); });
  m_table.AddMethod(L"InitializeList", ombrel::DISPID_INITIALIZE_LIST,
                    [this](const std::wstring& pid, short selector) -> bool {
                      return InitializeList(pid.c_str(), selector) != FALSE;
                    });
  m_table.AddMethod(L"NextItem", ombrel::DISPID_NEXT_ITEM, [this]() { return Owned(NextItem()); });
  m_table.AddMethod(L"UpdateItem", ombrel::DISPID_UPDATE_ITEM,
                    [this](short index, const std::wstring& typeName, const std::wstring& pid, short selector) -> bool {
                      return UpdateItem(index, typeName.c_str(), pid.c_str(), selector) != FALSE;
                    });
  m_table.AddMethod(L"GetSCPType", ombrel::DISPID_GET_SCP_TYPE, [this](short scpt) { return Owned(GetSCPType(scpt)); });
  m_table.AddMethod(L"GetNVTypeByIndex", ombrel::DISPID_GET_NV_TYPE_BY_INDEX,
                    [this](short index, const std::wstring& pid, short selector) {
                      return Owned(GetNVTypeByIndex(index, pid.c_str(), selector));
                    });
  m_table.AddMethod(L"GetCPTypeByIndex", ombrel::DISPID_GET_CP_TYPE_BY_INDEX,
                    [this](short index, const std::wstring& pid, short selector) {
                      return Owned(GetCPTypeByIndex(index, pid.c_str(), selector));
                    });
  m_table.AddGet(L"LocaleId", ombrel::DISPID_LOCALE_ID, [this]() -> std::wstring { return GetLocaleId().GetString(); });
  m_table.AddPut(L"LocaleId", ombrel::DISPID_LOCALE_ID,
                 [this](const std::wstring& locale) { SetLocaleId(locale.c_str()); });
}

COmbrelCtrl::~COmbrelCtrl() = default;

HRESULT COmbrelCtrl::FinalConstruct() {
  AfxGetOmbrelApp();  // the module reads its settings on first use
  {
    CMyCriticalSectionLock lock(*this);
    struct Partner {
      COleDispatchDriver& driver;
      BOOL& available;
      const wchar_t* progId;
    };
    const Partner partners[] = {
        {m_pravel, m_bPravelAvailable, PRAVEL_PROGID},
        {m_sennet, m_bSennetAvailable, SENNET_PROGID},
        {m_gorrin, m_bGorrinAvailable, GORRIN_PROGID},
    };
    for (const Partner& p : partners) {
      if (p.driver.m_lpDispatch) continue;
      if (!p.driver.CreateDispatch(p.progId)) {
        AfxMessageBox((CString(L"Cannot connect to ") + p.progId).GetString());
        p.available = FALSE;
      }
    }
  }
  SetBackTypeCompatibility(FALSE);
  CString path = ReadXmlFilePath();
  {
    CMyCriticalSectionLock lock(*this);
    // No configured folder opens no file (rather than one at the root of the file system).
    if (m_bSennetAvailable && !path.IsEmpty()) {
      if (path.Right(1) != L"/" && path.Right(1) != L"\\") path += L"/";
      path += SENNET_FILE_NAME;
      Guarded(0, [&] {
        m_sennet.InvokeMethod(sennet::DISPID_OPEN_FILE, path);
        return 0;
      });
    }
    LoadIncludeTable();
  }
  m_bModified = FALSE;
  return S_OK;
}

void COmbrelCtrl::FinalRelease() {
  CMyCriticalSectionLock lock(*this);
  m_pravel.ReleaseDispatch();
  m_sennet.ReleaseDispatch();
  m_gorrin.ReleaseDispatch();
}

void COmbrelCtrl::LoadIncludeTable() {
  for (BYTE& flag : m_includeTable) flag = 0;
  CStringArray pieces;
  CKxTokenizer::SplitString(pieces, ReadIncludeList(), L',');
  for (const CString& piece : pieces) {
    int number = _wtoi(piece.GetString());
    if (number >= 0 && number <= 255) m_includeTable[number] = 1;
  }
}

BOOL COmbrelCtrl::GetBackTypeCompatibility() {
  CMyCriticalSectionLock lock(*this);
  return m_bBackTypeCompatibility;
}

void COmbrelCtrl::SetBackTypeCompatibility(BOOL bNewValue) {
  CMyCriticalSectionLock lock(*this);
  if (m_bPravelAvailable) {
    m_bBackTypeCompatibility = bNewValue ? TRUE : FALSE;
    SyncPravelBackTypeComp();
    SetModifiedFlag();
  }
  LoadIncludeTable();
}

void COmbrelCtrl::SyncPravelBackTypeComp() {
  CMyCriticalSectionLock lock(*this);
  if (!m_bPravelAvailable) return;
  Guarded(0, [&] {
    m_pravel.SetProperty(pravel::DISPID_BACK_TYPE_COMP, VT_BOOL, m_bBackTypeCompatibility != FALSE);
    return 0;
  });
}

BOOL COmbrelCtrl::UseStandardType(short index) const {
  if (index == 0 || index == 255) return TRUE;
  return m_bPravelAvailable && m_bBackTypeCompatibility;
}

LPDISPATCH COmbrelCtrl::HandOut(UNVTElement* element) {
  if (element->GetKind() == UNVT_KIND_NONE) {
    element->ExternalRelease();
    return nullptr;
  }
  return element->GetIDispatch(FALSE);
}

LPDISPATCH COmbrelCtrl::GetTypeByName(const CString& typeName, const CString& pid, short selector) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupByName(typeName, pid, selector);
  return HandOut(element);
}

LPDISPATCH COmbrelCtrl::GetTypeByNVndex(short index, const CString& pid) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupViaSennet(index, pid);
  return HandOut(element);
}

LPDISPATCH COmbrelCtrl::GetSNVType(short snvt) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupByIndex(snvt, GORRIN_STANDARD_PID, 0, TRUE, TRUE);
  return HandOut(element);
}

LPDISPATCH COmbrelCtrl::GetSCPType(short scpt) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupByIndex(scpt, GORRIN_STANDARD_PID, 0, FALSE, FALSE);
  return HandOut(element);
}

LPDISPATCH COmbrelCtrl::GetNVTypeByIndex(short index, const CString& pid, short selector) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupByIndex(index, pid, selector, TRUE, FALSE);
  return HandOut(element);
}

LPDISPATCH COmbrelCtrl::GetCPTypeByIndex(short index, const CString& pid, short selector) {
  CMyCriticalSectionLock lock(*this);
  auto* element = new UNVTElement(this);
  element->LookupByIndex(index, pid, selector, FALSE, FALSE);
  return HandOut(element);
}

BOOL COmbrelCtrl::InitializeList(const CString& pid, short selector) {
  CMyCriticalSectionLock lock(*this);
  m_nListPosition = 0;
  m_nListSelector = selector;
  m_strListPid = pid;
  return TRUE;
}

LPDISPATCH COmbrelCtrl::NextItem() {
  CMyCriticalSectionLock lock(*this);
  if (!m_bGorrinAvailable) return nullptr;
  short count = Guarded<short>(0, [&] {
    return m_gorrin.GetPropertyWithParams<short>(gorrin::DISPID_TYPE_COUNT, m_strListPid, m_nListSelector, short(0));
  });
  ++m_nListPosition;
  if (m_nListPosition > count) return nullptr;
  return GetNVTypeByIndex(static_cast<short>(m_nListPosition), m_strListPid, m_nListSelector);
}

BOOL COmbrelCtrl::UpdateItem(short index, const CString& typeName, const CString& pid, short selector) {
  CMyCriticalSectionLock lock(*this);
  // The client learns whether the table took the change.
  if (!m_sennet.m_lpDispatch) return FALSE;
  return Guarded(FALSE, [&]() -> BOOL {
    if (typeName.IsEmpty())
      m_sennet.InvokeMethod(sennet::DISPID_REMOVE_NV_TYPE, pid, index);
    else
      m_sennet.InvokeMethod(sennet::DISPID_SET_NV_TYPE, index, typeName, pid, selector);
    return TRUE;
  });
}

CString COmbrelCtrl::GetLocaleId() {
  CMyCriticalSectionLock lock(*this);
  if (!m_bGorrinAvailable) return CString();
  return Guarded(CString(), [&] { return m_gorrin.GetProperty<CString>(gorrin::DISPID_LOCALE_ID); });
}

void COmbrelCtrl::SetLocaleId(const CString& locale) {
  CMyCriticalSectionLock lock(*this);
  if (!m_bGorrinAvailable) return;
  Guarded(0, [&] {
    m_gorrin.SetProperty(gorrin::DISPID_LOCALE_ID, VT_BSTR, locale);
    return 0;
  });
  SetModifiedFlag();
}
