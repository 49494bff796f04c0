// A dispatch object for tests of the device model: properties kept by DISPID, methods answered
// by handlers, calls counted per DISPID. Stands in for one object of the network control.
#pragma once

#include <functional>
#include <map>
#include <mutex>

#include "platform/com/DispatchTable.h"
#include "platform/com/OleVariant.h"

class CFakeLonObject : public CCmdTarget {
 public:
  CFakeLonObject() = default;
  // Kept alive by the test; references from drivers do not delete it.
  void OnFinalRelease() override {}

  // A plain property (get and put) holding `value`.
  void SetProp(DISPID id, const VARIANT& value);
  COleVariant GetProp(DISPID id);
  // An indexed get answered by f(args).
  void SetIndexedGet(DISPID id, size_t argCount, std::function<COleVariant(CDispatchCall&)> f);
  // An indexed put: f(args, value).
  void SetIndexedPut(DISPID id, size_t argCount, std::function<void(CDispatchCall&)> f);
  // A method with argCount arguments; f fills call.Result() or calls call.Fail.
  void SetMethod(DISPID id, size_t argCount, std::function<HRESULT(CDispatchCall&)> f);

  // Drops the stored values (and the objects they hold) before the objects they point at go.
  void ClearProps() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_props.clear();
  }
  int Calls(DISPID id);
  int Puts(DISPID id);

 private:
  std::mutex m_mutex;
  std::map<DISPID, COleVariant> m_props;
  std::map<DISPID, int> m_calls;
  std::map<DISPID, int> m_puts;
};

COleVariant FakeBool(bool b);
COleVariant FakeText(const wchar_t* text);
COleVariant FakeShort(short v);
COleVariant FakeLong(LONG v);
COleVariant FakeObject(IDispatch* object);
