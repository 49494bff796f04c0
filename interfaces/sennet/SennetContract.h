// The Sennet type table: its identities and the dispatch ids of IXMLFormatter. Clients bind
// late, by these DISPIDs (the interface is dual; IXMLFormatter.h has its vtable form).
#pragma once

#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(CLSID_XMLFormatter, "308D0A45-F49B-4804-AE7A-A21389FBBB0D");
DEFINE_GUID_TEXT(IID_IXMLFormatter, "6104CF52-DAC4-4725-B11A-FC3E6436F86C");
// The type library's id as text too: the registry names it under the class.
#define SENNET_LIBID_TEXT "D7ED5063-2133-4417-B383-79AEF2DEDB13"
DEFINE_GUID_TEXT(LIBID_SENNETLib, SENNET_LIBID_TEXT);

#define SENNET_PROGID L"Sennet.XMLFormatter.1"
#define SENNET_VI_PROGID L"Sennet.XMLFormatter"

// The table's file name inside the folder Ombrel is configured with.
#define SENNET_FILE_NAME L"nv_types.xml"

namespace sennet {
// (BSTR fileName): S_OK loaded, S_FALSE not loaded.
constexpr DISPID DISPID_OPEN_FILE = 1;
// (): S_OK, does nothing.
constexpr DISPID DISPID_CLOSE_FILE = 2;
// (BSTR pid, short index, out BSTR* typeName, out short* selector) -> LONG ret (1 found, 0 not).
constexpr DISPID DISPID_GET_NV_TYPE_NAME = 3;
// (short index, BSTR typeName, BSTR pid, short selector): note the order.
constexpr DISPID DISPID_SET_NV_TYPE = 4;
// (BSTR pid, short index).
constexpr DISPID DISPID_REMOVE_NV_TYPE = 5;
}  // namespace sennet

// Through IDispatch: a success of the method is S_OK from Invoke (S_FALSE is seen in the
// result, ret 0); a failure is DISP_E_EXCEPTION with the method's HRESULT as scode. The BSTR
// passed by reference to GetNvTypeName is in/out: its earlier value is freed and replaced.
