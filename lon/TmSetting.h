// One named set of LON transaction timings.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

struct CTmSetting {
  explicit CTmSetting(const CString& name = CString()) : Name(name) {}
  CString Name;
  BYTE Retry = 3;
  BYTE TxTimer = 5;
  BYTE RepeatTimer = 4;
  USHORT ParallelTransCount = 16;
  int32_t Throttle = 10;
};
