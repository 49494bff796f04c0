// The 17 side-by-side server instances: their class ids, ProgIDs and registry scripts. A client
// configured for an instance finds it by these, so the table never changes between builds.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

constexpr int kOpcServerInstanceCount = 17;

// Entry n is the class id of instance n.
extern const CLSID g_opcServerInstanceClsids[kOpcServerInstanceCount];

// The class id of an instance; CLSID_NULL outside 0 to 16.
const CLSID& GetOpcServerInstanceCLSID(int instance);
// "Norvane.Tessaly2_5.1" (versioned) or "Norvane.Tessaly2_5"; "Norvane.Tessaly2.1" for instance
// 0. Empty outside 0 to 16.
CString GetOpcServerInstanceProgID(int instance, bool versioned = true);
// The id of the instance's "REGISTRY" resource; 0 outside 0 to 16.
UINT GetOpcServerInstanceScriptId(int instance);
// The instance whose class id this is, or -1.
int FindOpcServerInstance(REFCLSID clsid);
// The instance's registry script (its resource text); %MODULE% stands for the executable and
// %CLSID% for the instance's braced class id.
CString GetOpcServerInstanceScript(int instance);
// Enters the 17 scripts as "REGISTRY" resources of this module (once).
void RegisterOpcServerScripts();
