// Which of the side-by-side server instances (0 to 16) this process is.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CMultiCLSID {
 public:
  static constexpr int kInstanceCount = 17;

  BYTE m_nInstance = 0;

  // The folder holding the executable names the instance: "SVR_n" (any case, n = 0..16 written
  // without leading zeros). Any other folder is instance 0.
  static BYTE InstanceFromModulePath(const CString& executablePath);
};
