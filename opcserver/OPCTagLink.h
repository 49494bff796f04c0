// The tag interface the server works on. It lives with the device model; until the device
// model's library is built, a declaration of the same shape stands in so that this folder keeps
// building and linking.
#pragma once

#if defined(TESSALY_HAVE_LON)
#include "lon/OPCTag.h"
#else
#include <atomic>

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

class COPCTag {
 public:
  virtual ~COPCTag() = default;
  virtual VARTYPE GetCanonicalType() = 0;
  virtual DWORD GetAccessRights() = 0;
  virtual CString GetItemID() = 0;
  virtual CString GetName() = 0;
  virtual HRESULT ReadValue(VARIANT* out, VARTYPE type) = 0;
  virtual WORD GetQuality() = 0;
  virtual void GetTimestamp(FILETIME* out) = 0;
  virtual bool Refresh(DWORD source) = 0;
  virtual bool WriteValue(const VARIANT* value) = 0;
  virtual bool GetValueRange(double* low, double* high) = 0;
  virtual bool IsSupportedType(VARTYPE type) {
    type &= ~VT_ARRAY;
    if (type > 23) return false;
    switch (type) {
      case VT_NULL: case VT_DISPATCH: case VT_ERROR: case VT_VARIANT: case VT_UNKNOWN: case VT_DECIMAL: case 15:
        return false;
      default:
        return true;
    }
  }
  virtual void Activate() { ++m_nActiveCount; }
  virtual void Deactivate() {
    if (--m_nActiveCount < 0) m_nActiveCount = 0;
  }
  virtual void StartMonitoring() {}
  virtual void StopMonitoring() {}

  std::atomic<int> m_nActiveCount{0};
  std::atomic<int> m_nActiveItemRefs{0};
};
#endif
