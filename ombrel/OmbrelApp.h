// The module object: reads the debug-trace switch once, when the module is first used.
#pragma once

#include "platform/win32/WinTypes.h"

class COmbrelApp {
 public:
  BOOL InitInstance();
  int ExitInstance() { return 0; }

  BOOL m_bDbgLog = FALSE;
};

// The module's one app object, initialised on first use.
COmbrelApp& AfxGetOmbrelApp();
