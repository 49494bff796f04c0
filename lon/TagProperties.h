// The OPC-relevant properties of one NV as the "Tag Properties" dialog edits them; two records
// are equal when all five fields are (texts compared exactly).
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

struct CTagProperties {
  CString m_strItemId;
  CString m_strDescription;
  bool m_bAlwaysUseCache = false;
  VARTYPE m_vtCanonical = VT_EMPTY;  // 0xFFFF for a name outside the data-type table
  LONG m_nCacheTimeout = 0;          // ms

  friend bool operator==(const CTagProperties&, const CTagProperties&) = default;
};
