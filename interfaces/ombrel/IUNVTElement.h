// IUNVTElement: the dispatch interface of the type elements that the Ombrel control hands
// out. "sub" selects a field of a structured type, -1 the whole type.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(IID_IUNVTElement, "63501AD8-2254-4FC2-83C3-2D5C6C022AD0");
DEFINE_GUID_TEXT(CLSID_UNVTElement, "5CE7E1E5-97E2-4285-9C81-A6E8536424DD");

// Dispatch only: every member is reached through IDispatch::Invoke.
struct IUNVTElement : IDispatch {
 protected:
  ~IUNVTElement() = default;
};
DECLARE_INTERFACE_IID(IUNVTElement, IID_IUNVTElement)

namespace ombrel {
constexpr DISPID DISPID_ELEM_SUBFIELD_COUNT = 1;   // property get short
constexpr DISPID DISPID_ELEM_SELECTOR = 2;         // property get short
constexpr DISPID DISPID_ELEM_FORMAT_VT = 3;        // (VARIANT data, short len, short vt, VARIANT* fmtdata, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_GET_VALUE_VT = 4;     // (short vt, VARIANT* value, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_WRITE_FORMAT_VT = 5;  // (VARIANT data, short len, VARIANT value, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_GET_BOUNDS = 6;       // (double* min, double* max, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_CANONICAL = 7;        // (short sub) -> short
constexpr DISPID DISPID_ELEM_SUBINDEX_BY_NAME = 8; // (BSTR name) -> short
constexpr DISPID DISPID_ELEM_TYPE = 9;             // (short sub) -> BSTR
constexpr DISPID DISPID_ELEM_LENGTH = 10;          // Lenght(short sub) -> short
constexpr DISPID DISPID_ELEM_INDEX = 11;           // property get short
constexpr DISPID DISPID_ELEM_MEASUREMENT = 12;     // property BSTR
constexpr DISPID DISPID_ELEM_WRITE_VALUE2 = 13;    // (VARIANT* data, short len, VARIANT value, short sub) -> BOOL
}  // namespace ombrel
