// The component categories manager: ICatRegister on the registry's category keys
//   HKCR\Component Categories\{catid}, value "<lcid in hex>" = description
//   HKCR\CLSID\{clsid}\Implemented Categories\{catid}
//   HKCR\CLSID\{clsid}\Required Categories\{catid}
// The runtime serves it as a built-in class: CoCreateInstance(CLSID_StdComponentCategoriesMgr,
// nullptr, CLSCTX_INPROC_SERVER, IID_ICatRegister, ...). A register call that fails takes back
// the keys it created; unregistering what is not there succeeds.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/ObjIdl.h"

inline constexpr CLSID CLSID_StdComponentCategoriesMgr = {
    0x0002E005, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// The manager's class object (an IClassFactory), for the runtime's activation.
HRESULT GetStdComponentCategoriesMgrClassObject(REFIID riid, void** ppv);
