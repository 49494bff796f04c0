// One dispatch object of the simulated control (a node, an NV, a collection...): it names
// what it stands for (ObjRef) and answers calls from the table of its kind. Every call is
// counted, may be failed by the simulation interface, and fails once its device is gone.
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "standins/kestrum/SimNetwork.h"

namespace kestrum::sim {

// Gets from an IDispatch back to the simulated object it is (only this library's objects
// answer it), so that objects passed in (an interface item, a domain, a node, a
// multi-setting) can be recognised.
struct ISimObjectRef : IUnknown {
  virtual ObjRef* Ref() = 0;
  virtual CSimNetwork* Net() = 0;

 protected:
  ~ISimObjectRef() = default;
};
DEFINE_GUID_TEXT(IID_ISimObjectRef, "23159928-7E11-4C40-91E8-152574F642C7");

// What a handler of the tables works on: set around every call.
struct CallContext {
  CSimNetwork* net;
  ObjRef* ref;
  IDispatch* self;
};
CallContext& Current();

// The table of an object kind (built once).
const CDispatchTable& TableFor(ObjectKind kind);

// Answers one call: counts it, applies an injected failure, refuses objects that are gone,
// then runs the kind's table with the context set.
HRESULT InvokeSimObject(CSimNetwork& net, ObjRef& ref, IDispatch* self, DISPID id, REFIID riid, WORD flags,
                        DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr);

}  // namespace kestrum::sim

DECLARE_INTERFACE_IID(kestrum::sim::ISimObjectRef, kestrum::sim::IID_ISimObjectRef)

namespace kestrum::sim {

class CSimObject : public CComObjectRootEx<CComMultiThreadModel>, public IDispatch, public ISimObjectRef {
 public:
  BEGIN_COM_MAP(CSimObject)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(ISimObjectRef)
  END_COM_MAP()

  // A new object for ref (one reference).
  static CComPtr<IDispatch> Create(std::shared_ptr<CSimNetwork> net, ObjRef ref);

  // The simulated object behind a dispatch pointer of this library, or null.
  static ObjRef* RefOf(IDispatch* dispatch, CSimNetwork* expectedNet);

  ObjRef* Ref() override { return &m_ref; }
  CSimNetwork* Net() override { return m_net.get(); }

  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

 private:
  std::shared_ptr<CSimNetwork> m_net;
  ObjRef m_ref;
};

}  // namespace kestrum::sim
