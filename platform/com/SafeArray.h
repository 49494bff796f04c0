// SAFEARRAY: OLE Automation's self-describing arrays.
//
// Dimensions are given and indexed leftmost first (SafeArrayCreate's bounds, SafeArrayGetLBound's
// nDim = 1, the indices of Get/PutElement and PtrOfIndex). The descriptor keeps them rightmost
// first in rgsabound, and the data is laid out with the leftmost index varying fastest, as OLE
// does. SafeArrayRedim changes the rightmost dimension. The element VARTYPE is kept in hidden
// space before the descriptor (FADF_HAVEVARTYPE).
#pragma once

#include "platform/com/ComTypes.h"

// Element types: I1, I2, I4, I8, UI1, UI2, UI4, UI8, INT, UINT, R4, R8, CY, DATE, BSTR, BOOL,
// ERROR, VARIANT, UNKNOWN, DISPATCH. Null for any other type, no dimensions, or a size too large.
SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
// Clears BSTR, VARIANT and interface elements and frees everything. Null is fine;
// DISP_E_ARRAYISLOCKED when locked (nothing freed).
HRESULT SafeArrayDestroy(SAFEARRAY* psa);
HRESULT SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut);
HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut);
HRESULT SafeArrayAllocData(SAFEARRAY* psa);  // zeroed data for the bounds set in the descriptor
HRESULT SafeArrayDestroyData(SAFEARRAY* psa);
HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa);

UINT SafeArrayGetDim(SAFEARRAY* psa);
UINT SafeArrayGetElemsize(SAFEARRAY* psa);
// nDim counts from 1 (leftmost); DISP_E_BADINDEX for a dimension out of range.
HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);

HRESULT SafeArrayLock(SAFEARRAY* psa);
HRESULT SafeArrayUnlock(SAFEARRAY* psa);  // E_UNEXPECTED when not locked
HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);  // locks
HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);

// rgIndices: one index per dimension, leftmost first; DISP_E_BADINDEX out of range.
// GetElement copies out: a BSTR is duplicated into *(BSTR*)pv, an interface AddRef'd into
// *(IUnknown**)pv, a VARIANT copied into *(VARIANT*)pv (treated as uninitialised output).
// PutElement copies in: for BSTR, UNKNOWN and DISPATCH pv is the value itself, for VARIANT a
// VARIANT*, otherwise a pointer to the value; the old element is freed.
HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData);
// Deep copy; a null source gives a null copy.
HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
// New bound for the rightmost dimension; removed elements are cleared, new ones zeroed.
HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew);
