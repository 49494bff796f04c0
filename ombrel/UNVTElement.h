// One NV or CP type handed out by the Ombrel control. Its kind, fixed when it is made, says
// who answers: Pravel by type number (1), a Gorrin type element (2), nobody but the stored name
// (3); kind 0 elements are discarded by the control. Every member runs inside the control's lock.
#pragma once

#include "interfaces/ombrel/IUNVTElement.h"
#include "platform/com/ComPtr.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"
#include "platform/win32/CString.h"

class COmbrelCtrl;

enum UNVTElementKind { UNVT_KIND_NONE = 0, UNVT_KIND_STANDARD = 1, UNVT_KIND_USER = 2, UNVT_KIND_NAME_ONLY = 3 };

class UNVTElement : public CCmdTarget {
 public:
  // For dynamic creation only: kind 0, no control.
  UNVTElement();
  // Keeps the control alive (a reference) for the element's life.
  explicit UNVTElement(COmbrelCtrl* pCtrl);
  ~UNVTElement() override;

  // The lookups, run by the control inside its lock.
  BOOL LookupStandardType(short index);
  void LookupByIndex(short index, const CString& pid, short selector, BOOL isNv, BOOL fromSNVType);
  void LookupByName(const CString& typeName, const CString& pid, short selector);
  void LookupViaSennet(short index, const CString& pid);

  UNVTElementKind GetKind() const { return m_nKind; }

  // IUNVTElement.
  short GetSubFieldCount();
  short GetSelector();
  BOOL FormatVT(const VARIANT& data, short len, short vt, VARIANT* fmtdata, short sub);
  BOOL GetValueVT(short vt, VARIANT* value, short sub);
  BOOL WriteFormatVT(const VARIANT& data, short len, const VARIANT& value, short sub);
  BOOL GetBounds(double* f_min, double* f_max, short sub);
  short Canonical(short sub);
  short SubindexByName(const CString& sName);
  CString Type(short sub);
  short Lenght(short sub);
  short GetIndex();
  CString GetMeasurementSystem();
  void SetMeasurementSystem(const CString& system);
  BOOL WriteValue2(VARIANT* data, short len, const VARIANT& value, short sub);

  COleDispatchDriver m_element;
  CString m_strType;
  BOOL m_bStandardIndex = FALSE;
  short m_nIndex = 0;
  UNVTElementKind m_nKind = UNVT_KIND_NONE;
  COmbrelCtrl* m_pCtrl = nullptr;

 private:
  void BuildDispatchMap();
  // The back-compatibility rule of a kind 2 element: whether Pravel answers in its place.
  BOOL PravelStandsIn() const;
  // Runs call on Pravel with its switch put to TRUE, then puts it back to the control's flag.
  template <class F>
  BOOL WithPravelSwitched(F call);
  // A per-field query, answered by Pravel's method for a standard element and by the Gorrin
  // element's indexed property for a user one; fallback otherwise. The caller holds the lock.
  template <class R>
  R FieldQuery(R fallback, DISPID pravelMethod, DISPID elementProperty, short sub);
  // A value call: Pravel's for a standard element, and for a user one while Pravel stands in;
  // the Gorrin element's otherwise. FALSE for any other kind. The caller holds the lock.
  template <class P, class G>
  BOOL ValueCall(P pravelCall, G gorrinCall);
  // The write shared by WriteFormatVT and WriteValue2: Pravel always gets the data by value;
  // Gorrin's element is called through gorrinCall.
  template <class F>
  BOOL WriteThrough(const VARIANT& pravelData, short len, const VARIANT& value, short sub, F gorrinCall);

  CComPtr<IUnknown> m_ctrlRef;
};
