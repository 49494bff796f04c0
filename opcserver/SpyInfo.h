// The plain records that the GUI reads of live OPC servers, groups and items: copies of their
// state and call counters, taken under the statistics lock.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"
#include "platform/com/ComTypes.h"

// One call counter with the time of the last call.
struct CSpyCounter {
  CSpyCounter();
  // count + 1, time = now (UTC).
  void Raise();

  DWORD m_nCount = 0;
  FILETIME m_ftTime;
};

class CServerInfo {
 public:
  LCID m_dwLCID = 0;
  FILETIME m_ftLastUpdate{0, 0};
  CString m_strName;
  DWORD m_dwKey = 0;
};

class CGroupInfo {
 public:
  enum Counter {
    SyncRead,
    SyncWrite,
    AsyncRead,
    AsyncReadComplete,
    AsyncWrite,
    AsyncWriteComplete,
    AsyncCancel,
    AsyncCancelComplete,
    DataChange,
    CounterCount
  };

  CString m_strName;
  bool m_bActive = false;
  DWORD m_dwUpdateRate = 0;
  DWORD m_dwLastCycle = 0;
  DWORD m_hClient = 0;
  LONG m_lTimeBias = 0;
  float m_fDeadband = 0.0f;
  LCID m_dwLCID = 0;
  CString m_strClientName;
  bool m_bSubscribed = false;
  DWORD m_nItemCount = 0;
  DWORD m_dwKey = 0;
  DWORD m_dwServerKey = 0;
  CSpyCounter m_counters[CounterCount];
};

class CItemInfo {
 public:
  enum Counter { Reads, Writes, Polls, Updates, CounterCount };

  // True when every field is equal.
  static bool Compare(const CItemInfo& a, const CItemInfo& b);

  CString m_strItemID;
  CString m_strGroupName;
  CString m_strClientName;
  DWORD m_hClient = 0;
  VARTYPE m_vtRequested = VT_EMPTY;
  VARTYPE m_vtCanonical = VT_EMPTY;
  CString m_strValue;
  BOOL m_bActive = FALSE;
  WORD m_wQuality = 0;
  FILETIME m_ftTimestamp{0, 0};
  DWORD m_dwAccessRights = 0;
  CSpyCounter m_counters[CounterCount];
  DWORD m_dwKey = 0;
};

// "R" for 1, "R/W" for anything else.
CString FormatAccessRightsText(DWORD rights);
// The text of an OPC quality word for events and views: `text` (or "Good" when it is empty and
// noGood is false), marked uncertain or replaced by "Bad" by the quality bits.
CString QualityToText(WORD quality, const CString& text = CString(), bool noGood = false);
