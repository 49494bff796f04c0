// The Pravel formatter control: standard NV and CP types addressed by type number. Ombrel
// reaches it only by late binding; these are the members it calls, plus the stand-in's call
// record for tests.
#pragma once

#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(CLSID_PravelCtrl, "88210917-B318-4D1F-BEB3-8A48C168F88A");

#define PRAVEL_PROGID L"PRAVEL.PravelCtrl.1"

// Every member takes the type number as its first argument.
namespace pravel {
constexpr DISPID DISPID_TYPE_NAME = 2;        // (short index, short sub) -> BSTR, "" = unknown type
constexpr DISPID DISPID_CANONICAL = 3;        // (short index, short sub) -> short VARTYPE
constexpr DISPID DISPID_FORMAT_VT = 4;        // (short index, short len, VARIANT data, short vt, VARIANT* fmtdata, short sub) -> BOOL
constexpr DISPID DISPID_WRITE_FORMAT_VT = 5;  // (short index, short len, VARIANT data, VARIANT value, short sub) -> BOOL
constexpr DISPID DISPID_SUBINDEX_BY_NAME = 6; // (short index, BSTR name) -> short, -1 = no such field
constexpr DISPID DISPID_SUBFIELD_COUNT = 7;   // property get (short index) -> short
constexpr DISPID DISPID_LENGTH = 8;           // (short index, short sub) -> short bytes
constexpr DISPID DISPID_GET_VALUE_VT = 9;     // (short index, short vt, VARIANT* value, short sub) -> BOOL
constexpr DISPID DISPID_GET_BOUNDS = 10;      // (short index, double* min, double* max, short sub) -> BOOL
constexpr DISPID DISPID_BACK_TYPE_COMP = 11;  // property put VT_BOOL (get too, for tests)

// The stand-in's record of calls made on any instance in this process, for tests.
constexpr DISPID DISPID_CALL_LOG = 1000;        // property get -> BSTR, one call per line ("\n")
constexpr DISPID DISPID_CLEAR_CALL_LOG = 1001;  // method
}  // namespace pravel
