#include "opcserver/SpyInfo.h"

#include "interfaces/opc/OpcDa.h"
#include "opcserver/OpcServerResource.h"
#include "platform/win32/Time.h"

namespace {
// To the millisecond, as a SYSTEMTIME would give it; without the round trip through one,
// since every item's record stamps its counters when it is made.
FILETIME NowUtc() {
  FILETIME ft{0, 0};
  GetSystemTimeAsFileTime(&ft);
  ULONGLONG ticks = (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  ticks -= ticks % 10000;
  ft.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
  ft.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return ft;
}
bool SameCounter(const CSpyCounter& a, const CSpyCounter& b) {
  return a.m_nCount == b.m_nCount && a.m_ftTime.dwLowDateTime == b.m_ftTime.dwLowDateTime &&
         a.m_ftTime.dwHighDateTime == b.m_ftTime.dwHighDateTime;
}
}  // namespace

CSpyCounter::CSpyCounter() : m_ftTime(NowUtc()) {}

void CSpyCounter::Raise() {
  ++m_nCount;
  m_ftTime = NowUtc();
}

bool CItemInfo::Compare(const CItemInfo& a, const CItemInfo& b) {
  for (int i = 0; i < CounterCount; ++i)
    if (!SameCounter(a.m_counters[i], b.m_counters[i])) return false;
  return a.m_strItemID == b.m_strItemID && a.m_strGroupName == b.m_strGroupName &&
         a.m_strClientName == b.m_strClientName && a.m_hClient == b.m_hClient &&
         a.m_vtRequested == b.m_vtRequested && a.m_vtCanonical == b.m_vtCanonical && a.m_strValue == b.m_strValue &&
         a.m_bActive == b.m_bActive && a.m_wQuality == b.m_wQuality && a.m_dwAccessRights == b.m_dwAccessRights &&
         a.m_dwKey == b.m_dwKey && CompareFileTime(&a.m_ftTimestamp, &b.m_ftTimestamp) == 0;
}

CString FormatAccessRightsText(DWORD rights) {
  RegisterOpcServerStrings();
  CString text;
  text.LoadString(rights == OPC_READABLE ? IDS_OPC_RIGHTS_R : IDS_OPC_RIGHTS_RW);
  return text;
}

CString QualityToText(WORD quality, const CString& text, bool noGood) {
  CString result = text;
  if (result.IsEmpty() && !noGood) result = L"Good";
  switch (quality & OPC_QUALITY_MASK) {
    case OPC_QUALITY_UNCERTAIN:
      if (result.IsEmpty()) result = L"(Uncertain)";
      else result += L" (Uncertain)";
      break;
    case OPC_QUALITY_BAD:
      result = L"Bad";
      break;
    default:
      break;
  }
  return result;
}
