// Registration of one server instance: its registry script (LocalServer32 names the running
// executable) and the two OPC Data Access component categories. The "RegServer" and
// "UnregServer" switches call these; both report their real result.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

class CLoggingFile;

// The instance's script, then for the 1.0 and the 2.0 category: the category, and, when that
// succeeded, the class's mark as implementing it. A failing script touches no category. True
// only when every step succeeded. modulePath empty: the executable's path. A failure is written
// to log when one is given.
bool RegisterOPCCategories(REFCLSID clsid, const CString& modulePath = CString(), CLoggingFile* log = nullptr);
// Removes the script's keys and the class's two category marks; the categories themselves stay
// (other servers implement them). True only when every step succeeded.
bool UnregisterOPCCategories(REFCLSID clsid, CLoggingFile* log = nullptr);

// Each makes one call on the component categories manager. The description is cut to 127
// characters and registered for LCID 1033.
HRESULT RegisterCategory(REFCATID catid, const CString& description);
HRESULT RegisterClassImplCategory(REFCLSID clsid, REFCATID catid);
HRESULT UnRegisterClassImplCategory(REFCLSID clsid, REFCATID catid);
