// VARIANT life cycle and conversion with OLE Automation's rules.
//
// VariantChangeType(Ex) converts between EMPTY, NULL, I1, I2, I4, I8, UI1, UI2, UI4, UI8, INT,
// UINT, R4, R8, CY, DATE, BSTR, BOOL, ERROR, DISPATCH and UNKNOWN:
//   - out of the target's range: DISP_E_OVERFLOW; unparsable text: DISP_E_TYPEMISMATCH;
//     an unknown VARTYPE: DISP_E_BADVARTYPE; a pair with no conversion: DISP_E_TYPEMISMATCH;
//   - floats, CY and DATE to integers round half to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2);
//   - text follows the locale (see LocaleText.h: English (United States) here, whatever the
//     LCID): "1,000", "(5)", "5-", "$5", "&H1F" (hex) and "&O17" (octal); numbers in text
//     are rounded like floats ("2.5" -> 2 for I4);
//   - number to text: R8 with up to 15 significant digits, R4 with 7 ("0.1", "1E+20");
//     CY with up to 4 decimals; integers in decimal;
//   - between a signed and an unsigned type of one size (I1/UI1, I2/UI2, I4/UI4, INT/UINT,
//     I8/UI8) the bits are kept without a range check (I4 -1 -> UI4 4294967295);
//   - BOOL: non-zero -> VARIANT_TRUE (-1); a BOOL converts as its 16-bit value (cut to an
//     integer target, so TRUE is all bits set); to text its number, or "True"/"False" with
//     VARIANT_ALPHABOOL; from text "#TRUE#"/"#FALSE#", "True"/"False" (any case) or a number;
//   - EMPTY is 0, "" and FALSE; NULL converts only to NULL; NULL and ERROR never to EMPTY;
//     EMPTY, numbers, BOOL, CY and DATE may become NULL;
//   - DATE as text: "1/1/2020 12:00:00 PM" (the date alone at midnight, the time alone on
//     day 0); parsed as VarDateFromStr does; numbers to DATE outside years 100..9999 overflow;
//   - CY is value * 10000, rounded half to even on the way in; from a whole number its
//     magnitude must stay below 922337203685477 (922337203685478 from UI8);
//   - DISPATCH <-> UNKNOWN through QueryInterface; an object to a value type reads its
//     DISPID_VALUE property (unless VARIANT_NOVALUEPROP) and converts that;
//   - ERROR converts only to itself; arrays only to the same array type (copied);
//   - a BYREF source is dereferenced; dest may be src; on failure dest is left unchanged.
#pragma once

#include "platform/com/ComTypes.h"

constexpr USHORT VARIANT_NOVALUEPROP = 0x01;
constexpr USHORT VARIANT_ALPHABOOL = 0x02;
constexpr USHORT VARIANT_NOUSEROVERRIDE = 0x04;
constexpr USHORT VARIANT_CALENDAR_HIJRI = 0x08;
constexpr USHORT VARIANT_LOCALBOOL = 0x10;

void VariantInit(VARIANTARG* pvarg);
// Frees a BSTR, releases an interface, destroys an array; a BYREF target is left alone.
// Leaves VT_EMPTY. DISP_E_BADVARTYPE for an unknown type (the VARIANT is left as it was);
// DISP_E_ARRAYISLOCKED when its array is locked.
HRESULT VariantClear(VARIANTARG* pvarg);
// Deep copy: BSTR copied, interfaces AddRef'd, arrays copied; a BYREF is copied as the reference.
// Clears dest first.
HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
// As VariantCopy, dereferencing a BYREF source first.
HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, USHORT wFlags, VARTYPE vt);
HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID lcid, USHORT wFlags,
                            VARTYPE vt);

namespace tessaly {
// Same type and same value: BSTR by text, interfaces and BYREF by pointer, arrays by bounds and
// elements, R4/R8/DATE by ==. Different types are never equal.
bool VariantEquals(const VARIANT& a, const VARIANT& b);
// True for the element types a VARIANT may hold by value (scalars, BSTR, interfaces).
bool IsScalarVarType(VARTYPE vt);
// Bytes of one value of such a type (a BSTR or an interface is a pointer); 0 for any other type.
size_t ScalarVarTypeSize(VARTYPE vt);
}  // namespace tessaly
