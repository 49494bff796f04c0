#include "platform/com/SafeArray.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Variant.h"

namespace {

// Hidden space before every descriptor: the element VARTYPE sits in its last 4 bytes.
constexpr size_t kHidden = 16;
constexpr USHORT kNoFreeData = FADF_AUTO | FADF_STATIC | FADF_EMBEDDED;
constexpr USHORT kKindFlags = FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH | FADF_VARIANT;

char* BlockOf(SAFEARRAY* psa) { return reinterpret_cast<char*>(psa) - kHidden; }
DWORD* HiddenVartype(SAFEARRAY* psa) { return reinterpret_cast<DWORD*>(reinterpret_cast<char*>(psa) - sizeof(DWORD)); }

size_t DescriptorBytes(UINT cDims) { return sizeof(SAFEARRAY) + (cDims - 1) * sizeof(SAFEARRAYBOUND); }

ULONG ElementSize(VARTYPE vt) {
  return static_cast<ULONG>(vt == VT_VARIANT ? sizeof(VARIANT) : tessaly::ScalarVarTypeSize(vt));
}

USHORT KindFlags(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_BSTR;
    case VT_UNKNOWN:
      return FADF_UNKNOWN;
    case VT_DISPATCH:
      return FADF_DISPATCH;
    case VT_VARIANT:
      return FADF_VARIANT;
    default:
      return 0;
  }
}

// Elements in the whole array; false on overflow.
bool CountElements(const SAFEARRAY* psa, size_t* count) {
  size_t n = 1;
  for (UINT i = 0; i < psa->cDims; ++i) {
    const size_t c = psa->rgsabound[i].cElements;
    if (c != 0 && n > std::numeric_limits<size_t>::max() / c) return false;
    n *= c;
  }
  *count = n;
  return true;
}

bool DataBytes(const SAFEARRAY* psa, size_t* bytes) {
  size_t n;
  if (!CountElements(psa, &n)) return false;
  if (psa->cbElements != 0 && n > std::numeric_limits<size_t>::max() / 2 / psa->cbElements) return false;
  *bytes = n * psa->cbElements;
  return true;
}

// Frees what elements [first, first + count) own and zeroes them.
void ClearElements(SAFEARRAY* psa, size_t first, size_t count) {
  if (psa->pvData == nullptr || count == 0) return;
  char* base = static_cast<char*>(psa->pvData) + first * psa->cbElements;
  for (size_t i = 0; i < count; ++i) {
    void* elem = base + i * psa->cbElements;
    if (psa->fFeatures & FADF_BSTR) {
      SysFreeString(*static_cast<BSTR*>(elem));
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      if (IUnknown* p = *static_cast<IUnknown**>(elem)) p->Release();
    } else if (psa->fFeatures & FADF_VARIANT) {
      VariantClear(static_cast<VARIANT*>(elem));
    }
  }
  std::memset(base, 0, count * psa->cbElements);
}

HRESULT ElementOffset(SAFEARRAY* psa, const LONG* rgIndices, size_t* offset) {
  size_t at = 0, stride = 1;
  for (UINT i = 0; i < psa->cDims; ++i) {
    const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - 1 - i];  // leftmost dimension first
    const int64_t index = static_cast<int64_t>(rgIndices[i]) - b.lLbound;
    if (index < 0 || index >= static_cast<int64_t>(b.cElements)) return DISP_E_BADINDEX;
    at += static_cast<size_t>(index) * stride;
    stride *= b.cElements;
  }
  *offset = at * psa->cbElements;
  return S_OK;
}

std::atomic_ref<ULONG> Locks(SAFEARRAY* psa) { return std::atomic_ref<ULONG>(psa->cLocks); }

}  // namespace

HRESULT SafeArrayAllocDescriptor(UINT cDims, SAFEARRAY** ppsaOut) {
  if (ppsaOut == nullptr) return E_POINTER;
  *ppsaOut = nullptr;
  if (cDims == 0 || cDims > 0xFFFF) return E_INVALIDARG;
  char* block = static_cast<char*>(std::calloc(1, kHidden + DescriptorBytes(cDims)));
  if (block == nullptr) return E_OUTOFMEMORY;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kHidden);
  psa->cDims = static_cast<USHORT>(cDims);
  *ppsaOut = psa;
  return S_OK;
}

HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut) {
  const ULONG size = ElementSize(vt);
  if (size == 0) {
    if (ppsaOut) *ppsaOut = nullptr;
    return E_INVALIDARG;
  }
  HRESULT hr = SafeArrayAllocDescriptor(cDims, ppsaOut);
  if (FAILED(hr)) return hr;
  SAFEARRAY* psa = *ppsaOut;
  psa->cbElements = size;
  psa->fFeatures = static_cast<USHORT>(FADF_HAVEVARTYPE | KindFlags(vt));
  *HiddenVartype(psa) = vt;
  return S_OK;
}

HRESULT SafeArrayAllocData(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  size_t bytes;
  if (psa->cbElements == 0 || !DataBytes(psa, &bytes)) return E_INVALIDARG;
  void* data = std::calloc(1, bytes ? bytes : 1);
  if (data == nullptr) return E_OUTOFMEMORY;
  psa->pvData = data;
  return S_OK;
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  if (rgsabound == nullptr) return nullptr;
  SAFEARRAY* psa = nullptr;
  if (FAILED(SafeArrayAllocDescriptorEx(vt, cDims, &psa))) return nullptr;
  for (UINT i = 0; i < cDims; ++i) psa->rgsabound[cDims - 1 - i] = rgsabound[i];
  if (FAILED(SafeArrayAllocData(psa))) {
    SafeArrayDestroyDescriptor(psa);
    return nullptr;
  }
  return psa;
}

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  SAFEARRAYBOUND bound{cElements, lLbound};
  return SafeArrayCreate(vt, 1, &bound);
}

HRESULT SafeArrayDestroyData(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (Locks(psa).load() != 0) return DISP_E_ARRAYISLOCKED;
  size_t count;
  if (psa->pvData && CountElements(psa, &count)) ClearElements(psa, 0, count);
  if (!(psa->fFeatures & kNoFreeData)) {
    std::free(psa->pvData);
    psa->pvData = nullptr;
  }
  return S_OK;
}

HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  if (Locks(psa).load() != 0) return DISP_E_ARRAYISLOCKED;
  std::free(BlockOf(psa));
  return S_OK;
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (psa == nullptr) return S_OK;
  if (Locks(psa).load() != 0) return DISP_E_ARRAYISLOCKED;
  HRESULT hr = SafeArrayDestroyData(psa);
  if (FAILED(hr)) return hr;
  return SafeArrayDestroyDescriptor(psa);
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (psa == nullptr || plLbound == nullptr) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[psa->cDims - nDim].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (psa == nullptr || plUbound == nullptr) return E_INVALIDARG;
  if (nDim < 1 || nDim > psa->cDims) return DISP_E_BADINDEX;
  const SAFEARRAYBOUND& b = psa->rgsabound[psa->cDims - nDim];
  *plUbound = static_cast<LONG>(static_cast<int64_t>(b.lLbound) + b.cElements - 1);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (psa == nullptr || pvt == nullptr) return E_INVALIDARG;
  if (psa->fFeatures & FADF_HAVEVARTYPE) {
    *pvt = static_cast<VARTYPE>(*HiddenVartype(psa));
  } else if (psa->fFeatures & FADF_BSTR) {
    *pvt = VT_BSTR;
  } else if (psa->fFeatures & FADF_UNKNOWN) {
    *pvt = VT_UNKNOWN;
  } else if (psa->fFeatures & FADF_DISPATCH) {
    *pvt = VT_DISPATCH;
  } else if (psa->fFeatures & FADF_VARIANT) {
    *pvt = VT_VARIANT;
  } else {
    return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  auto locks = Locks(psa);
  ULONG n = locks.load();
  do {
    if (n >= 0xFFFF) return E_UNEXPECTED;
  } while (!locks.compare_exchange_weak(n, n + 1));
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (psa == nullptr) return E_INVALIDARG;
  auto locks = Locks(psa);
  ULONG n = locks.load();
  do {
    if (n == 0) return E_UNEXPECTED;
  } while (!locks.compare_exchange_weak(n, n - 1));
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (psa == nullptr || ppvData == nullptr) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayPtrOfIndex(SAFEARRAY* psa, LONG* rgIndices, void** ppvData) {
  if (psa == nullptr || rgIndices == nullptr || ppvData == nullptr) return E_INVALIDARG;
  if (psa->pvData == nullptr) return E_INVALIDARG;
  size_t offset;
  HRESULT hr = ElementOffset(psa, rgIndices, &offset);
  if (FAILED(hr)) return hr;
  *ppvData = static_cast<char*>(psa->pvData) + offset;
  return S_OK;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (pv == nullptr) return E_INVALIDARG;
  void* elem;
  HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &elem);
  if (FAILED(hr)) return hr;
  hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  if (psa->fFeatures & FADF_BSTR) {
    BSTR src = *static_cast<BSTR*>(elem);
    BSTR copy = src ? SysAllocStringByteLen(reinterpret_cast<const char*>(src), SysStringByteLen(src)) : nullptr;
    if (src && !copy) hr = E_OUTOFMEMORY;
    *static_cast<BSTR*>(pv) = copy;
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* p = *static_cast<IUnknown**>(elem);
    if (p) p->AddRef();
    *static_cast<IUnknown**>(pv) = p;
  } else if (psa->fFeatures & FADF_VARIANT) {
    VariantInit(static_cast<VARIANT*>(pv));
    hr = VariantCopy(static_cast<VARIANT*>(pv), static_cast<VARIANT*>(elem));
  } else {
    std::memcpy(pv, elem, psa->cbElements);
  }
  SafeArrayUnlock(psa);
  return hr;
}

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  void* elem;
  HRESULT hr = SafeArrayPtrOfIndex(psa, rgIndices, &elem);
  if (FAILED(hr)) return hr;
  const bool byValue = (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) != 0;
  if (pv == nullptr && !byValue) return E_INVALIDARG;
  hr = SafeArrayLock(psa);
  if (FAILED(hr)) return hr;
  if (psa->fFeatures & FADF_BSTR) {
    BSTR src = static_cast<BSTR>(pv);
    BSTR copy = src ? SysAllocStringByteLen(reinterpret_cast<const char*>(src), SysStringByteLen(src)) : nullptr;
    if (src && !copy) {
      hr = E_OUTOFMEMORY;
    } else {
      SysFreeString(*static_cast<BSTR*>(elem));
      *static_cast<BSTR*>(elem) = copy;
    }
  } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
    auto* p = static_cast<IUnknown*>(pv);
    if (p) p->AddRef();  // before the release, in case it is the same object
    IUnknown* old = *static_cast<IUnknown**>(elem);
    *static_cast<IUnknown**>(elem) = p;
    if (old) old->Release();
  } else if (psa->fFeatures & FADF_VARIANT) {
    VARIANT copy;
    VariantInit(&copy);
    hr = VariantCopy(&copy, static_cast<VARIANT*>(pv));
    if (SUCCEEDED(hr)) {
      VariantClear(static_cast<VARIANT*>(elem));
      std::memcpy(elem, &copy, sizeof(VARIANT));
    }
  } else {
    std::memcpy(elem, pv, psa->cbElements);
  }
  SafeArrayUnlock(psa);
  return hr;
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (ppsaOut == nullptr) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (psa == nullptr) return S_OK;
  SAFEARRAY* copy = nullptr;
  HRESULT hr = SafeArrayAllocDescriptor(psa->cDims, &copy);
  if (FAILED(hr)) return hr;
  std::memcpy(BlockOf(copy), BlockOf(psa), kHidden + DescriptorBytes(psa->cDims));
  copy->cLocks = 0;
  copy->pvData = nullptr;
  copy->fFeatures = static_cast<USHORT>(copy->fFeatures & ~kNoFreeData);  // the copy owns its data
  if (psa->pvData == nullptr) {
    *ppsaOut = copy;
    return S_OK;
  }
  hr = SafeArrayAllocData(copy);
  if (FAILED(hr)) {
    SafeArrayDestroyDescriptor(copy);
    return hr;
  }
  size_t count = 0;
  CountElements(psa, &count);
  const char* from = static_cast<const char*>(psa->pvData);
  char* to = static_cast<char*>(copy->pvData);
  const ULONG size = psa->cbElements;
  if (!(psa->fFeatures & kKindFlags)) {
    std::memcpy(to, from, count * size);
  } else {
    for (size_t i = 0; i < count && SUCCEEDED(hr); ++i) {
      const void* s = from + i * size;
      void* d = to + i * size;
      if (psa->fFeatures & FADF_BSTR) {
        BSTR b = *static_cast<const BSTR*>(s);
        if (b) {
          *static_cast<BSTR*>(d) = SysAllocStringByteLen(reinterpret_cast<const char*>(b), SysStringByteLen(b));
          if (*static_cast<BSTR*>(d) == nullptr) hr = E_OUTOFMEMORY;
        }
      } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
        IUnknown* p = *static_cast<IUnknown* const*>(s);
        if (p) p->AddRef();
        *static_cast<IUnknown**>(d) = p;
      } else {
        hr = VariantCopy(static_cast<VARIANT*>(d), static_cast<const VARIANT*>(s));
      }
    }
  }
  if (FAILED(hr)) {
    SafeArrayDestroy(copy);
    return hr;
  }
  *ppsaOut = copy;
  return S_OK;
}

HRESULT SafeArrayRedim(SAFEARRAY* psa, SAFEARRAYBOUND* psaboundNew) {
  if (psa == nullptr || psaboundNew == nullptr) return E_INVALIDARG;
  if (Locks(psa).load() != 0) return DISP_E_ARRAYISLOCKED;
  if (psa->fFeatures & (FADF_FIXEDSIZE | kNoFreeData)) return E_INVALIDARG;
  // The rightmost dimension varies slowest, so its elements form whole slabs at the end.
  size_t slab = 1;
  for (UINT i = 1; i < psa->cDims; ++i) slab *= psa->rgsabound[i].cElements;
  const size_t oldCount = slab * psa->rgsabound[0].cElements;
  const size_t newElems = psaboundNew->cElements;
  if (slab != 0 && newElems > std::numeric_limits<size_t>::max() / 2 / slab / (psa->cbElements ? psa->cbElements : 1))
    return E_OUTOFMEMORY;
  const size_t newCount = slab * newElems;
  if (newCount < oldCount) ClearElements(psa, newCount, oldCount - newCount);
  const size_t newBytes = newCount * psa->cbElements;
  void* data = std::realloc(psa->pvData, newBytes ? newBytes : 1);
  if (data == nullptr) return E_OUTOFMEMORY;  // old bounds kept; any cleared elements are zero, still valid
  if (newCount > oldCount)
    std::memset(static_cast<char*>(data) + oldCount * psa->cbElements, 0, (newCount - oldCount) * psa->cbElements);
  psa->pvData = data;
  psa->rgsabound[0] = *psaboundNew;
  return S_OK;
}
