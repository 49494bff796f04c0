// What the OPC engine asks of the application: vendor text, version, start time and the end of
// the program. The application implements it and publishes it as g_pOpcServerProperties.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class COpcServerPropertiesManager {
 public:
  // Stamps the start time.
  COpcServerPropertiesManager();
  COpcServerPropertiesManager(const COpcServerPropertiesManager&) = delete;
  COpcServerPropertiesManager& operator=(const COpcServerPropertiesManager&) = delete;
  virtual ~COpcServerPropertiesManager();

  // "OPC Server by Norvane GmbH".
  virtual CString GetVendorName();
  // The product version "a.b.c...." as three numbers; a missing number is 0.
  virtual void GetVersion(WORD& major, WORD& minor, WORD& build);
  // "%d.%d.%d." read from text, each number cut to its low 16 bits; a missing one is 0.
  static void ParseVersionText(const CString& text, WORD& major, WORD& minor, WORD& build);
  // Called when the last server object went away; the base does nothing.
  virtual void CloseServerApplication();

  FILETIME m_ftStartTime;
  HANDLE m_hComServerThread = nullptr;
  DWORD m_dwComServerThreadId = 0;
};

// Set by the application before clients can connect, cleared when it ends.
extern COpcServerPropertiesManager* g_pOpcServerProperties;
