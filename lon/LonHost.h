// What the device model asks of the open document and of the application. The document and the
// application implement it; while none is set the device model behaves as with no document open.
#pragma once

#include "foundation/ScopedInstaller.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CLonHost {
 public:
  virtual ~CLonHost() = default;
  // Whether a project document is open (CDoc::GetDoc is not null).
  virtual bool HasDocument() = 0;
  // The document's "Protocol" mask.
  virtual DWORD GetProtocolMask() = 0;
  // The document's NV monitoring setting: 0 "selected", 1 "all".
  virtual int GetMonitorNVs() = 0;
  // The document's root name setting.
  virtual CString GetRootName() = 0;
  // The server instance number, 0 to 16.
  virtual int GetServerInstance() = 0;
};

// Null until the application sets it; set and cleared on the GUI thread only. The helpers below
// call the host under the lock that SetLonHost takes.
void SetLonHost(CLonHost* host);
CLonHost* GetLonHost();

// Sets the host for its lifetime and puts the one before it back.
using CScopedLonHost = CScopedInstaller<CLonHost, &GetLonHost, &SetLonHost>;

// Mask bits of the protocol texts of the network events.
constexpr DWORD LON_PROTOCOL_SCAN = 0x80;
constexpr DWORD LON_PROTOCOL_NV = 0x100;

// The Protocol mask of the open document, 0x3FF (all on) with none.
DWORD GetLonProtocolMask();
inline bool IsLonProtocolEnabled(DWORD bit) { return (GetLonProtocolMask() & bit) != 0; }
// True when a document is open and its NV monitoring is "selected".
bool IsMonitorSelectedOnly();
// The server instance number (0 with no application).
int GetLonServerInstance();
