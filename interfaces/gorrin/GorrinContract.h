// The Gorrin formatter control: user types (and the standard ones) per device program ID and
// selector; it hands out one type-element object per type. Ombrel reaches it only by late
// binding; these are the members it calls, plus the stand-in's call record for tests.
#pragma once

#include "platform/com/Guid.h"

DEFINE_GUID_TEXT(CLSID_GorrinCtrl, "F63D0453-A727-4BE4-BDE7-25FE3FA2B405");

#define GORRIN_PROGID L"GORRIN.GorrinCtrl.1"

namespace gorrin {
// The control.
constexpr DISPID DISPID_TYPE_BY_NAME = 2;     // (BSTR typeName, BSTR pid, short selector) -> IDispatch, null = unknown
constexpr DISPID DISPID_NV_TYPE_BY_INDEX = 3; // (short index, BSTR pid, short selector) -> IDispatch
constexpr DISPID DISPID_CP_TYPE_BY_INDEX = 4; // (short index, BSTR pid, short selector) -> IDispatch
constexpr DISPID DISPID_TYPE_COUNT = 5;       // property get (BSTR pid, short selector, short reserved) -> short
constexpr DISPID DISPID_LOCALE_ID = 6;        // property get/put BSTR

// A type element.
constexpr DISPID DISPID_ELEM_SUBFIELD_COUNT = 1;   // property get -> short
constexpr DISPID DISPID_ELEM_INDEX = 2;            // property get -> short
constexpr DISPID DISPID_ELEM_SELECTOR = 3;         // property get -> short
constexpr DISPID DISPID_ELEM_SUBINDEX_BY_NAME = 4; // (BSTR name, short* field) -> BOOL
constexpr DISPID DISPID_ELEM_FORMAT_VT = 5;        // (short len, VARIANT data, short vt, VARIANT* fmtdata, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_GET_VALUE_VT = 6;     // (short vt, VARIANT* value, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_WRITE_FORMAT_VT = 7;  // (short len, VARIANT data, VARIANT value, short sub) -> BOOL
constexpr DISPID DISPID_ELEM_GET_BOUNDS = 8;       // (short sub, double* min, double* max) -> BOOL
constexpr DISPID DISPID_ELEM_CANONICAL = 9;        // property get (short sub) -> short VARTYPE
constexpr DISPID DISPID_ELEM_LENGTH = 10;          // property get (short sub) -> short bytes
constexpr DISPID DISPID_ELEM_TYPE = 11;            // property get (short sub) -> BSTR
constexpr DISPID DISPID_ELEM_MEASUREMENT = 12;     // property get/put BSTR, "SI" or "US"
constexpr DISPID DISPID_ELEM_WRITE_VALUE2 = 13;    // (short len, VARIANT* data, VARIANT value, short sub) -> BOOL

// The stand-in's record of calls made on any of its objects in this process, for tests.
constexpr DISPID DISPID_CALL_LOG = 1000;        // property get -> BSTR, one call per line ("\n")
constexpr DISPID DISPID_CLEAR_CALL_LOG = 1001;  // method

// The program ID that stands for the standard types.
#define GORRIN_STANDARD_PID L"0000000000000000"
}  // namespace gorrin
