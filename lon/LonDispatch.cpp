#include "lon/LonDispatch.h"

#include "interfaces/kestrum/KestrumDispIds.h"

namespace lon_dispatch {

COleDispatchDriver GetObject(COleDispatchDriver& owner, DISPID id) {
  LPDISPATCH object = nullptr;
  owner.GetProperty(id, VT_DISPATCH, &object);
  return COleDispatchDriver(object, TRUE);
}

std::vector<COleDispatchDriver> GetCollection(COleDispatchDriver& owner, DISPID id) {
  std::vector<COleDispatchDriver> items;
  COleDispatchDriver collection = GetObject(owner, id);
  if (collection.m_lpDispatch == nullptr) return items;
  short count = 0;
  collection.GetProperty(kestrum::coll::kCount, VT_I2, &count);
  for (short i = 0; i < count; ++i) {
    LPDISPATCH item = nullptr;
    collection.GetPropertyWithParams(kestrum::coll::kItem, VT_DISPATCH, &item, ShortVariant(i));
    items.emplace_back(item, TRUE);
  }
  return items;
}

CString GetText(COleDispatchDriver& owner, DISPID id) {
  CString text;
  owner.GetProperty(id, VT_BSTR, &text);
  return text;
}

bool GetBool(COleDispatchDriver& owner, DISPID id) {
  BOOL value = FALSE;
  owner.GetProperty(id, VT_BOOL, &value);
  return value != FALSE;
}

short GetShort(COleDispatchDriver& owner, DISPID id) {
  short value = 0;
  owner.GetProperty(id, VT_I2, &value);
  return value;
}

LONG GetLong(COleDispatchDriver& owner, DISPID id) {
  LONG value = 0;
  owner.GetProperty(id, VT_I4, &value);
  return value;
}

VARIANT ShortVariant(short value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I2;
  v.iVal = value;
  return v;
}

}  // namespace lon_dispatch
