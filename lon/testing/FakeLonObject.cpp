#include "lon/testing/FakeLonObject.h"

void CFakeLonObject::SetProp(DISPID id, const VARIANT& value) {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_props[id] = value;
  }
  DispatchEntry get;
  get.dispid = id;
  get.kind = DispatchKind::PropertyGet;
  get.result = VT_VARIANT;
  get.handler = [this, id](CDispatchCall& call) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_calls[id];
    return VariantCopy(&call.Result(), &m_props[id]);
  };
  m_dispatchMap.Add(get);
  DispatchEntry put;
  put.dispid = id;
  put.kind = DispatchKind::PropertyPut;
  put.params = {VT_VARIANT};
  put.handler = [this, id](CDispatchCall& call) {
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_puts[id];
    m_props[id] = call.Arg(0);
    return S_OK;
  };
  m_dispatchMap.Add(put);
}

COleVariant CFakeLonObject::GetProp(DISPID id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_props[id];
}

void CFakeLonObject::SetIndexedGet(DISPID id, size_t argCount, std::function<COleVariant(CDispatchCall&)> f) {
  DispatchEntry get;
  get.dispid = id;
  get.kind = DispatchKind::PropertyGet;
  get.params.assign(argCount, VT_VARIANT);
  get.result = VT_VARIANT;
  get.handler = [this, id, f](CDispatchCall& call) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_calls[id];
    }
    COleVariant value = f(call);
    return VariantCopy(&call.Result(), &value);
  };
  m_dispatchMap.Add(get);
}

void CFakeLonObject::SetIndexedPut(DISPID id, size_t argCount, std::function<void(CDispatchCall&)> f) {
  DispatchEntry put;
  put.dispid = id;
  put.kind = DispatchKind::PropertyPut;
  put.params.assign(argCount + 1, VT_VARIANT);
  put.handler = [this, id, f](CDispatchCall& call) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_puts[id];
    }
    f(call);
    return S_OK;
  };
  m_dispatchMap.Add(put);
}

void CFakeLonObject::SetMethod(DISPID id, size_t argCount, std::function<HRESULT(CDispatchCall&)> f) {
  DispatchEntry method;
  method.dispid = id;
  method.kind = DispatchKind::Method;
  method.params.assign(argCount, VT_VARIANT);
  method.result = VT_VARIANT;
  method.handler = [this, id, f](CDispatchCall& call) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      ++m_calls[id];
    }
    return f(call);
  };
  m_dispatchMap.Add(method);
}

int CFakeLonObject::Calls(DISPID id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_calls[id];
}

int CFakeLonObject::Puts(DISPID id) {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_puts[id];
}

COleVariant FakeBool(bool b) {
  COleVariant v;
  v.vt = VT_BOOL;
  v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
COleVariant FakeText(const wchar_t* text) { return COleVariant(text); }
COleVariant FakeShort(short v) { return COleVariant(v); }
COleVariant FakeLong(LONG v) {
  COleVariant r;
  r.vt = VT_I4;
  r.lVal = v;
  return r;
}
COleVariant FakeObject(IDispatch* object) {
  COleVariant v;
  v.vt = VT_DISPATCH;
  v.pdispVal = object;
  if (object) object->AddRef();
  return v;
}
