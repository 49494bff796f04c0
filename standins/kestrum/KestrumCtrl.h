// The simulated network control: created by its ProgID, answering the control's DISPIDs,
// raising its events through a connection point, and offering the simulation interface.
//
// Events are raised on the thread that created the control: the network queues them and
// wakes a hidden message window of that thread, whose procedure hands them to the sinks
// (without any lock held). The component library shares the process's message layer, so the
// host's own loop delivers them; ctl::kPumpEvents (or PumpEvents) on the creating thread
// delivers the waiting ones at once.
#pragma once

#include "platform/com/ConnectionPoint.h"
#include "standins/kestrum/SimObject.h"

namespace kestrum::sim {

class CKestrumCtrl : public CComObjectRootEx<CComMultiThreadModel>,
                     public CComCoClass<CKestrumCtrl, &CLSID_KestrumCtrl>,
                     public IDispatch,
                     public IConnectionPointContainerImpl<CKestrumCtrl>,
                     public IConnectionPointImpl<CKestrumCtrl, &DIID_KestrumEvents>,
                     public IKestrumSimulation,
                     public ISimObjectRef {
 public:
  BEGIN_COM_MAP(CKestrumCtrl)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY(IConnectionPointContainer)
    COM_INTERFACE_ENTRY(IKestrumSimulation)
    COM_INTERFACE_ENTRY(ISimObjectRef)
  END_COM_MAP()
  BEGIN_CONNECTION_POINT_MAP(CKestrumCtrl)
    CONNECTION_POINT_ENTRY(DIID_KestrumEvents)
  END_CONNECTION_POINT_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();

  // The registry script of the class (ProgID, version-independent ProgID, InprocServer32).
  static const wchar_t* RegistryScript();

  // IDispatch
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  // ISimObjectRef
  ObjRef* Ref() override { return &m_ref; }
  CSimNetwork* Net() override { return m_net.get(); }

  // IKestrumSimulation
  HRESULT SetDeviceValue(LPCWSTR itemId, short field, const VARIANT* value) override;
  HRESULT GetDeviceValue(LPCWSTR itemId, short field, VARIANT* value) override;
  HRESULT SetBehaviour(LPCWSTR itemId, LONG behaviour, double step, double low, double high) override;
  HRESULT SetValueStatus(LPCWSTR itemId, LONG status) override;
  HRESULT SetDeviceOnline(LPCWSTR neuronId, BOOL online) override;
  HRESULT SetCounter(LONG kind, LPCWSTR key, DISPID counter, ULONG value) override;
  HRESULT AddLateAcknowledgements(ULONG count) override;
  HRESULT AddNetworkInterface(LPCWSTR name, LPCWSTR channel, LPCWSTR port) override;
  HRESULT FailCall(LONG kind, LPCWSTR key, DISPID dispid, LPCWSTR message, LONG times) override;
  HRESULT ClearFailures() override;
  HRESULT PressServicePin(LPCWSTR neuronId) override;
  HRESULT RaiseInfo(LONG kind, LPCWSTR text1, LPCWSTR text2) override;
  HRESULT RaiseInform2(LONG code, LPCWSTR neuronId, LPCWSTR text) override;
  HRESULT QueuePromptAnswer(LPCWSTR text) override;
  HRESULT SetClock(ULONGLONG fileTime) override;
  HRESULT AdvanceClock(ULONG milliseconds) override;
  HRESULT GetClock(ULONGLONG* fileTime) override;
  HRESULT RecordCalls(BOOL record) override;
  HRESULT GetCallCount(LONG kind, LPCWSTR key, DISPID dispid, LONG* count) override;
  HRESULT GetCallLog(BSTR* log) override;
  HRESULT ResetCalls() override;
  HRESULT PumpEvents(LONG* delivered) override;

 private:
  struct Pump;
  static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  // Hands the waiting events to the sinks; the creating thread only.
  LONG Deliver();

  std::shared_ptr<CSimNetwork> m_net;
  std::shared_ptr<Pump> m_pump;
  ObjRef m_ref;
  DWORD m_thread = 0;
};

}  // namespace kestrum::sim
