#include "standins/kestrum/SimObject.h"

#include "platform/com/Bstr.h"

namespace kestrum::sim {

namespace {
thread_local CallContext* t_context = nullptr;

void FillFailure(EXCEPINFO* info, const std::wstring& message) {
  if (!info) return;
  *info = EXCEPINFO{};
  info->bstrSource = SysAllocString(kProgId);
  info->bstrDescription = tessaly::SysAllocStringView(message);
  info->scode = E_FAIL;
}
}  // namespace

CallContext& Current() { return *t_context; }

HRESULT InvokeSimObject(CSimNetwork& net, ObjRef& ref, IDispatch* self, DISPID id, REFIID riid, WORD flags,
                        DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  std::wstring message;
  if (net.RecordCall(ref, id, flags, &message)) {
    FillFailure(excepInfo, message);
    return DISP_E_EXCEPTION;
  }
  if (!net.Alive(ref)) {
    FillFailure(excepInfo, L"The device is no longer in the open database.");
    return DISP_E_EXCEPTION;
  }
  CallContext context{&net, &ref, self};
  CallContext* previous = t_context;
  t_context = &context;
  HRESULT hr = TableFor(ref.kind).Invoke(id, riid, flags, params, result, excepInfo, argErr);
  t_context = previous;
  return hr;
}

CComPtr<IDispatch> CSimObject::Create(std::shared_ptr<CSimNetwork> net, ObjRef ref) {
  CComObject<CSimObject>* object = nullptr;
  if (FAILED(CComObject<CSimObject>::CreateInstance(&object))) throw std::bad_alloc();
  object->m_net = std::move(net);
  object->m_ref = std::move(ref);
  return CComPtr<IDispatch>(static_cast<IDispatch*>(object));
}

ObjRef* CSimObject::RefOf(IDispatch* dispatch, CSimNetwork* expectedNet) {
  if (!dispatch) return nullptr;
  CComPtr<ISimObjectRef> sim;
  if (FAILED(dispatch->QueryInterface(IID_ISimObjectRef, reinterpret_cast<void**>(&sim))) || !sim) return nullptr;
  // The caller holds `dispatch`, which keeps the object and its ref alive.
  return sim->Net() == expectedNet ? sim->Ref() : nullptr;
}

HRESULT CSimObject::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_POINTER;
  *pctinfo = 0;
  return S_OK;
}

HRESULT CSimObject::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
  if (ppTInfo) *ppTInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT CSimObject::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
  return TableFor(m_ref.kind).GetIDsOfNames(riid, rgszNames, cNames, rgDispId);
}

HRESULT CSimObject::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
  return InvokeSimObject(*m_net, m_ref, this, dispIdMember, riid, wFlags, pDispParams, pVarResult, pExcepInfo,
                         puArgErr);
}

}  // namespace kestrum::sim
