// A small dispatch object for the tests of this folder, implemented by DISPID with a table.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "platform/com/SafeArray.h"

#include <map>
#include <new>
#include <stdexcept>
#include <string>

namespace dispatch_test {

enum : DISPID {
  kSub = 1,       // method (I4 a, I4 b) -> I4 a - b
  kItem = 2,      // get (I2 index) -> BSTR; put (I2 index, BSTR value)
  kTwice = 3,     // method (BYREF I4) doubles it in place
  kFill = 4,      // method (VARIANT holding a UI1 array) writes 1, 2, 3 ... into it
  kFail = 5,      // method () fails with "Device is offline"
  kOpt = 6,       // method (I4 a, optional I4 b) -> I4, b defaults to 100
  kValue = 7,     // get/put I4
  kSetRef = 8,    // method (BYREF VARIANT) stores the text "set"
  kRawFail = 9,   // raw handler returning E_ACCESSDENIED
  kThrowStd = 10,    // method () throws std::runtime_error("disk full")
  kThrowAlloc = 11,  // method () throws std::bad_alloc
};

class CDispatchObject : public CComObjectRootEx<CComMultiThreadModel>,
                        public IDispatchTableImpl<CDispatchObject> {
 public:
  CDispatchObject() : m_table(L"Test.Object") {
    m_table.AddMethod(L"Sub", kSub, [](LONG a, LONG b) -> LONG { return a - b; });
    m_table.AddGet(L"Item", kItem, [this](short i) -> std::wstring { return m_items[i]; });
    m_table.AddPut(L"Item", kItem, [this](short i, const std::wstring& v) { m_items[i] = v; });
    m_table.AddMethod(L"Twice", kTwice, [](LONG* v) { *v *= 2; });
    m_table.AddMethod(L"Fill", kFill, [](const VARIANT& v) {
      if (v.vt != (VT_ARRAY | VT_UI1)) throw CDispatchError(L"not a byte array", E_INVALIDARG);
      BYTE* data = nullptr;
      SafeArrayAccessData(v.parray, reinterpret_cast<void**>(&data));
      for (ULONG i = 0; i < v.parray->rgsabound[0].cElements; ++i) data[i] = static_cast<BYTE>(i + 1);
      SafeArrayUnaccessData(v.parray);
    });
    m_table.AddMethod(L"Fail", kFail, []() { throw CDispatchError(L"Device is offline", E_ABORT); });
    m_table.AddMethod(L"Opt", kOpt, [](LONG a, std::optional<LONG> b) -> LONG { return a + b.value_or(100); });
    m_table.AddGet(L"Value", kValue, [this]() -> LONG { return m_value; });
    m_table.AddPut(L"Value", kValue, this, &CDispatchObject::PutValue);
    m_table.AddMethod(L"SetRef", kSetRef, [](VARIANT* v) {
      VariantClear(v);
      v->vt = VT_BSTR;
      v->bstrVal = SysAllocString(L"set");
    });
    m_table.AddMethod(L"ThrowStd", kThrowStd, []() { throw std::runtime_error("disk full"); });
    m_table.AddMethod(L"ThrowAlloc", kThrowAlloc, []() { throw std::bad_alloc(); });
    m_table.Add({L"RawFail", kRawFail, DispatchKind::Method, {}, 0, VT_EMPTY,
                 [](CDispatchCall&) -> HRESULT { return E_ACCESSDENIED; }});
  }

  BEGIN_COM_MAP(CDispatchObject)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  const CDispatchTable& GetDispatchTable() const { return m_table; }
  void PutValue(LONG v) { m_value = v; }

  LONG m_value = 0;
  std::map<short, std::wstring> m_items;

 private:
  CDispatchTable m_table;
};

inline CComPtr<IDispatch> MakeDispatchObject(CComObject<CDispatchObject>** raw = nullptr) {
  CComObject<CDispatchObject>* p = nullptr;
  CComObject<CDispatchObject>::CreateInstance(&p);
  if (raw) *raw = p;
  return CComPtr<IDispatch>(static_cast<IDispatch*>(p));
}

}  // namespace dispatch_test
