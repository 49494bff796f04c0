// The simulated network control's test interface, reached by QueryInterface on the control
// for IID_IKestrumSimulation. It stands for what a real network would do by itself: devices
// that change, go silent and come back, a user who presses a service pin or answers a value
// prompt, time that passes; and it lets tests break a call and count calls.
//
// Objects are named by kind and key: a node by its Neuron ID, an NV or CP by its item ID,
// an interface by its name, a block by "<Neuron ID>/<block index>"; the other kinds have one
// object per control and the key "". An empty or null key in FailCall and GetCallCount means
// every object of the kind.
#pragma once

#include "interfaces/kestrum/KestrumDispIds.h"

namespace kestrum {

enum ObjectKind : LONG {
  kObjControl = 0,
  kObjInterfaces = 1,   // the interface collection
  kObjInterface = 2,    // key: interface name
  kObjHost = 3,
  kObjDomain = 4,
  kObjStatus = 5,       // key: Neuron ID (node), "near:"/"far:" + Neuron ID (router side), "" (interface)
  kObjStatistics = 6,
  kObjInterfaceStatistics = 7,
  kObjNetwork = 8,
  kObjNode = 9,         // key: Neuron ID
  kObjRouter = 10,      // key: Neuron ID
  kObjRouterSide = 11,  // key: "near:"/"far:" + Neuron ID
  kObjBlock = 12,       // key: "<Neuron ID>/<index>"
  kObjNv = 13,          // key: item ID
  kObjCp = 14,          // key: item ID
  kObjCollection = 15,  // NV, CP and block collections
  kObjType = 16,        // key: item ID of the NV
  kObjMultiSetting = 17,
};

// How an input's device value moves with the control's clock.
enum Behaviour : LONG {
  kBehaviourConstant = 0,
  kBehaviourRamp = 1,        // +step per second, from low to high, then again from low
  kBehaviourRandomWalk = 2,  // +-step per second at random (seeded, repeatable), kept within low..high
};

struct IKestrumSimulation : IUnknown {
  // ---- devices ----
  // The device's value of an NV or CP (field -1 whole, else a member), as the device would
  // send it; the NV's behaviour becomes constant. A monitored NV reports the change.
  virtual HRESULT SetDeviceValue(LPCWSTR itemId, short field, const VARIANT* value) = 0;
  // The device's current value (not the cache), in its canonical type.
  virtual HRESULT GetDeviceValue(LPCWSTR itemId, short field, VARIANT* value) = 0;
  // How an NV's device value changes over time (on the whole value of a scalar type).
  virtual HRESULT SetBehaviour(LPCWSTR itemId, LONG behaviour, double step, double low, double high) = 0;
  // Forces the status that reads of the NV or CP give (a status from kStatus*); -1 ends it.
  virtual HRESULT SetValueStatus(LPCWSTR itemId, LONG status) = 0;
  // A device that stops answering (FALSE) or answers again (TRUE).
  virtual HRESULT SetDeviceOnline(LPCWSTR neuronId, BOOL online) = 0;
  // Sets a counter (a DISPID of namespace status or stats, or vni::kInvalidResponses) of a
  // status object (kObjStatus with its key), the statistics (kObjStatistics) or the
  // interface statistics (kObjInterfaceStatistics).
  virtual HRESULT SetCounter(LONG kind, LPCWSTR key, DISPID counter, ULONG value) = 0;
  // Adds late acknowledgements to the interface statistics (stats::kLateAcknowledgements).
  virtual HRESULT AddLateAcknowledgements(ULONG count) = 0;
  // Makes another network interface known (as if plugged in).
  virtual HRESULT AddNetworkInterface(LPCWSTR name, LPCWSTR channel, LPCWSTR port) = 0;

  // ---- failures ----
  // The next `times` calls (-1: every call) of the DISPID on the object fail with
  // DISP_E_EXCEPTION and `message`. The call is counted but does nothing.
  virtual HRESULT FailCall(LONG kind, LPCWSTR key, DISPID dispid, LPCWSTR message, LONG times) = 0;
  virtual HRESULT ClearFailures() = 0;

  // ---- the people and the network ----
  // The device's service pin: evt::kServicePin when reporting is on (S_OK), else S_FALSE.
  virtual HRESULT PressServicePin(LPCWSTR neuronId) = 0;
  virtual HRESULT RaiseInfo(LONG kind, LPCWSTR text1, LPCWSTR text2) = 0;
  // evt::kInform2 with the node's object (null Neuron ID: no object).
  virtual HRESULT RaiseInform2(LONG code, LPCWSTR neuronId, LPCWSTR text) = 0;
  // The answer the user gives to the next value prompt (nv::kWrite, cp::kPromptValue);
  // answers queue up in order. Null: the user cancels. Without an answer the prompt is cancelled.
  virtual HRESULT QueuePromptAnswer(LPCWSTR text) = 0;

  // ---- the clock ----
  // The control runs on the system clock until one of these fixes it; from then on its time
  // moves only by AdvanceClock, and every AdvanceClock is one monitoring round at the new time.
  virtual HRESULT SetClock(ULONGLONG fileTime) = 0;
  virtual HRESULT AdvanceClock(ULONG milliseconds) = 0;
  virtual HRESULT GetClock(ULONGLONG* fileTime) = 0;

  // ---- calls ----
  // Calls are counted and logged only while recording is on (it starts off, so a call
  // costs no bookkeeping); failures set by FailCall apply either way.
  virtual HRESULT RecordCalls(BOOL record) = 0;
  // Calls made on the object's DISPID (any call kind) while recording, since the last ResetCalls.
  virtual HRESULT GetCallCount(LONG kind, LPCWSTR key, DISPID dispid, LONG* count) = 0;
  // Every call in order, one line each: "<kind> <key> <get|put|method> <dispid>".
  virtual HRESULT GetCallLog(BSTR* log) = 0;
  virtual HRESULT ResetCalls() = 0;

  // ---- events ----
  // On the thread that created the control: delivers the events waiting now, as
  // ctl::kPumpEvents does. Other threads get RPC_E_WRONG_THREAD.
  virtual HRESULT PumpEvents(LONG* delivered) = 0;

 protected:
  ~IKestrumSimulation() = default;
};

}  // namespace kestrum

DECLARE_INTERFACE_IID(kestrum::IKestrumSimulation, kestrum::IID_IKestrumSimulation)
