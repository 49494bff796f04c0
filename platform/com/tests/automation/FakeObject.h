// A dispatch object on the stack that counts its references and answers DISPID_VALUE,
// so tests can show that copies and clears keep AddRef/Release balanced.
#pragma once

#include "platform/com/ComErrors.h"
#include "platform/com/ComTypes.h"

class FakeObject : public IDispatch {
 public:
  explicit FakeObject(LONG value = 7, bool hasValue = true) : m_value(value), m_hasValue(hasValue) {}

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++m_refs); }
  ULONG Release() override { return static_cast<ULONG>(--m_refs); }
  HRESULT GetTypeInfoCount(UINT* pctinfo) override {
    *pctinfo = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (id != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET) || !m_hasValue) return DISP_E_MEMBERNOTFOUND;
    result->vt = VT_I4;
    result->lVal = m_value;
    return S_OK;
  }

  // References beyond the one the test itself holds.
  long Extra() const { return m_refs - 1; }

 private:
  long m_refs = 1;
  LONG m_value;
  bool m_hasValue;
};
