#include "lon/OPCTag.h"

#include <cstring>

#include "interfaces/opc/OpcError.h"
#include "lon/LonResources.h"
#include "platform/com/Bstr.h"
#include "platform/com/Memory.h"
#include "platform/com/Variant.h"
#include "platform/win32/Resources.h"
#include "platform/win32/Time.h"

std::atomic<int> g_nMonitoredDatapoints{0};

namespace {
struct ItemPropertyEntry {
  DWORD id;
  UINT text;
  VARTYPE type;  // VT_EMPTY stands for the tag's canonical type
};
constexpr ItemPropertyEntry kItemProperties[] = {
    {1, IDS_PROP_CANONICAL_TYPE, VT_I2}, {2, IDS_PROP_VALUE, VT_EMPTY},
    {3, IDS_PROP_QUALITY, VT_I2},        {4, IDS_PROP_TIMESTAMP, VT_DATE},
    {5, IDS_PROP_ACCESS_RIGHTS, VT_I4},  {101, IDS_PROP_DESCRIPTION, VT_BSTR},
    {6, IDS_PROP_SCAN_RATE, VT_R4},
};
constexpr DWORD kItemPropertyCount = sizeof(kItemProperties) / sizeof(kItemProperties[0]);

LPWSTR CoTaskMemText(UINT id) {
  RegisterLonResources();
  std::optional<std::wstring> text = FindStringResource(id);
  if (!text || text->empty()) return nullptr;
  size_t bytes = (text->size() + 1) * sizeof(wchar_t);
  auto* out = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (out != nullptr) std::memcpy(out, text->c_str(), bytes);
  return out;
}
}  // namespace

HRESULT COPCTag::GetItemProperty(DWORD id, VARIANT* out) {
  if (out == nullptr) return E_INVALIDARG;
  switch (id) {
    case 1:
      out->vt = VT_I2;
      out->iVal = static_cast<SHORT>(GetCanonicalType());
      return S_OK;
    case 2: {
      // A value that cannot be read is that property's error, never S_OK with nothing in it.
      HRESULT hr = ReadValue(out, GetCanonicalType());
      if (FAILED(hr)) VariantClear(out);
      return hr;
    }
    case 3:
      out->vt = VT_I2;
      out->iVal = static_cast<SHORT>(GetQuality());
      return S_OK;
    case 4: {
      FILETIME ft{0xFFFFFFFF, 0xFFFFFFFF};
      GetTimestamp(&ft);
      SYSTEMTIME st{};
      DATE date = 0.0;
      // A missing or unconvertible time stamp gives the zero date rather than garbage.
      if (!FileTimeToSystemTime(&ft, &st) || !SystemTimeToVariantTime(&st, &date)) date = 0.0;
      out->vt = VT_DATE;
      out->date = date;
      return S_OK;
    }
    case 5:
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(GetAccessRights());
      return S_OK;
    case 6:
      out->vt = VT_R4;
      out->fltVal = 100.0f;
      return S_OK;
    case 101: {
      CString description = GetDescription();
      VARIANT text;
      VariantInit(&text);
      text.vt = VT_BSTR;
      text.bstrVal = SysAllocString(description.GetString());
      HRESULT hr = VariantCopy(out, &text);
      VariantClear(&text);
      return SUCCEEDED(hr) ? S_OK : hr;
    }
    default:
      return OPC_E_INVALID_PID;
  }
}

void COPCTag::QueryAvailableProperties(DWORD count, DWORD* ids, LPWSTR* descriptions, VARTYPE* types) {
  // The caller's arrays hold `count` entries: never write past them (0 asks for nothing).
  DWORD n = count < kItemPropertyCount ? count : kItemPropertyCount;
  for (DWORD i = 0; i < n; ++i) {
    const ItemPropertyEntry& entry = kItemProperties[i];
    if (ids) ids[i] = entry.id;
    if (descriptions) descriptions[i] = CoTaskMemText(entry.text);
    if (types) types[i] = entry.type == VT_EMPTY ? GetCanonicalType() : entry.type;
  }
}

HRESULT COPCTag::LookupItemID(DWORD id) {
  if (id == 101 || id == 5000 || id == 5001) return E_FAIL;
  return OPC_E_INVALID_PID;
}

bool COPCTag::IsSupportedType(VARTYPE type) {
  type &= static_cast<VARTYPE>(~VT_ARRAY);
  if (type > 23) return false;
  switch (type) {
    case VT_NULL:
    case VT_DISPATCH:
    case VT_ERROR:
    case VT_VARIANT:
    case VT_UNKNOWN:
    case VT_DECIMAL:
    case 15:
      return false;
    default:
      return true;
  }
}

void COPCTag::Activate() { ++m_nActiveCount; }

void COPCTag::Deactivate() { DecrementActiveCount(); }

bool COPCTag::DecrementActiveCount() {
  int current = m_nActiveCount.load();
  while (current > 0) {
    if (m_nActiveCount.compare_exchange_weak(current, current - 1)) return true;
  }
  return false;
}
