#include "lon/ConfigProperty.h"

#include "lon/CookieTable.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/LonDispatch.h"

CConfigProperty::CConfigProperty(const COleDispatchDriver& cp, const CString& itemId)
    : m_dispatch(cp), m_strItemId(itemId), m_pLink(std::make_shared<CDataPointLink<CConfigProperty>>(this)) {
  m_dwCookie = GetCpCookieTable().Register(this);
  m_dispatch.SetProperty(kestrum::cp::kCookie, VT_UI4, static_cast<ULONG>(m_dwCookie));
}

CConfigProperty::~CConfigProperty() {
  DetachLink();
  GetCpCookieTable().Unregister(m_dwCookie);
  m_dispatch.ReleaseDispatch();
}

CConfigProperty* CConfigProperty::FromCookie(DWORD cookie) {
  return static_cast<CConfigProperty*>(GetCpCookieTable().Lookup(cookie));
}

CString CConfigProperty::GetName() { return lon_dispatch::GetText(m_dispatch, kestrum::cp::kName); }
CString CConfigProperty::GetDescription() { return lon_dispatch::GetText(m_dispatch, kestrum::cp::kDescription); }

bool CConfigProperty::SetDescription(const CString& text) {
  try {
    m_dispatch.SetProperty(kestrum::cp::kDescription, VT_BSTR, text);
    return true;
  } catch (const COleDispatchException& e) {
    e.ReportError();
    return false;
  }
}

CString CConfigProperty::GetTypeName() { return lon_dispatch::GetText(m_dispatch, kestrum::cp::kTypeName); }

CString CConfigProperty::GetFieldText(short field) {
  if (field == -1) return lon_dispatch::GetText(m_dispatch, kestrum::cp::kValueText);
  VARIANT value = GetFieldValue(VT_BSTR, field);
  CString text;
  if (value.vt == VT_BSTR) text = CString(tessaly::BstrToString(value.bstrVal).c_str());
  VariantClear(&value);
  return text;
}

VARIANT CConfigProperty::GetFieldValue(VARTYPE vt, short field) {
  return m_dispatch.GetPropertyWithParams<VARIANT>(kestrum::cp::kFieldValue, static_cast<USHORT>(vt), field);
}

CString CConfigProperty::GetMemberName(short field) {
  return m_dispatch.GetPropertyWithParams<CString>(kestrum::cp::kMemberName, field);
}

short CConfigProperty::GetFieldCount() { return lon_dispatch::GetShort(m_dispatch, kestrum::cp::kFieldCount); }

bool CConfigProperty::StoreValueText() {
  VARIANT raw;
  VariantInit(&raw);
  bool stored = false;
  try {
    raw = m_dispatch.GetProperty<VARIANT>(kestrum::cp::kRawValue);
    LONG result = m_dispatch.InvokeMethod<LONG>(kestrum::cp::kPromptValue, static_cast<USHORT>(VT_BSTR), &raw, short(-1));
    if (result != 0 && raw.vt == VT_BSTR) {
      m_dispatch.SetProperty(kestrum::cp::kValueText, VT_BSTR, raw.bstrVal);
      stored = true;
    }
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
  // The raw value is ours whether the prompt answered, refused or failed.
  VariantClear(&raw);
  return stored;
}

bool CConfigProperty::WriteField(const VARIANT& value, short field) {
  VARIANT raw = m_dispatch.GetProperty<VARIANT>(kestrum::cp::kRawValue);
  bool changed = false;
  try {
    changed = m_dispatch.InvokeMethod<bool>(kestrum::cp::kWriteField, &raw, value, field);
  } catch (...) {
    VariantClear(&raw);
    throw;
  }
  bool result = false;
  if (changed) {
    try {
      m_dispatch.SetProperty(kestrum::cp::kRawValue, VT_VARIANT, raw);
      result = true;
    } catch (const COleDispatchException&) {
      result = false;
    }
  }
  VariantClear(&raw);
  return result;
}
