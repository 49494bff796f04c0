// The Ombrel control: its identities, the dispatch interface _DOmbrel and the registry key it
// reads. Clients bind late, by these DISPIDs.
#pragma once

#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(CLSID_OmbrelCtrl, "5EEBA2AB-BD70-4CF3-94A3-3AAA68B3D495");
DEFINE_GUID_TEXT(CLSID_OmbrelPropPage, "3216FF90-5BE2-4167-A412-2C1E4FF74EDA");
DEFINE_GUID_TEXT(IID_DOmbrel, "61859DE1-23CB-4AFA-ABD6-6071CE02E1F9");
DEFINE_GUID_TEXT(IID_DOmbrelEvents, "12A62984-FD7E-419F-9A82-16B72B500010");
DEFINE_GUID_TEXT(LIBID_OMBRELLib, "7268CE55-640B-44C9-98AA-7C57016B5BF3");

#define OMBREL_PROGID L"OMBREL.OmbrelCtrl.1"
#define OMBREL_PROPPAGE_PROGID L"OMBREL.OmbrelPropPage.1"

// Under HKEY_LOCAL_MACHINE: "XMLFilePath" (string), "BackTypeComp include" (string) and
// "DbgLog" (DWORD).
#define OMBREL_SETTINGS_KEY L"SOFTWARE\\Norvane GmbH\\Dravik Tool Set\\Components\\NVT_Formatter"

namespace ombrel {
constexpr DISPID DISPID_BACK_TYPE_COMPATIBILITY = 1;  // property VT_BOOL
constexpr DISPID DISPID_VERSION = 2;                  // property get BSTR, "1.0"
constexpr DISPID DISPID_GET_TYPE_BY_NAME = 3;         // (BSTR typeName, BSTR pid, short selector) -> IDispatch
constexpr DISPID DISPID_GET_TYPE_BY_NV_INDEX = 4;     // GetTypeByNVndex(short index, BSTR pid) -> IDispatch
constexpr DISPID DISPID_GET_SNV_TYPE = 5;             // (short snvt) -> IDispatch
constexpr DISPID DISPID_INITIALIZE_LIST = 6;          // (BSTR pid, short selector) -> BOOL
constexpr DISPID DISPID_NEXT_ITEM = 7;                // () -> IDispatch
constexpr DISPID DISPID_UPDATE_ITEM = 8;              // (short index, BSTR typeName, BSTR pid, short selector) -> BOOL
constexpr DISPID DISPID_GET_SCP_TYPE = 9;             // (short scpt) -> IDispatch
constexpr DISPID DISPID_GET_NV_TYPE_BY_INDEX = 10;    // (short index, BSTR pid, short selector) -> IDispatch
constexpr DISPID DISPID_GET_CP_TYPE_BY_INDEX = 11;    // (short index, BSTR pid, short selector) -> IDispatch
constexpr DISPID DISPID_LOCALE_ID = 12;               // property BSTR
}  // namespace ombrel
