#include "lon/DataTypeNames.h"

#include <cwchar>

#include "platform/win32/WinTypes.h"

namespace {
const DataTypeName kDataTypeNames[] = {
    {VT_UI1, L"Byte"},     {VT_UI2, L"Word"},      {VT_UI4, L"Dword"},         {VT_I1, L"Char"},
    {VT_I2, L"Short"},     {VT_I4, L"Long"},       {VT_R4, L"Float"},          {VT_R8, L"Double"},
    {VT_BOOL, L"Bool"},    {VT_ERROR, L"Scode"},   {VT_CY, L"Currency"},       {VT_DATE, L"Date"},
    {VT_BSTR, L"String"},  {VT_UNKNOWN, L"IUnknown"}, {VT_EMPTY, L"Empty/Default"}, {VT_DISPATCH, L"IDispatch"},
    {-1, nullptr},
};
}  // namespace

const DataTypeName* GetDataTypeNames() { return kDataTypeNames; }

std::vector<CString> GetDataTypeNameList() {
  std::vector<CString> names;
  for (const DataTypeName* entry = kDataTypeNames; entry->vt != -1; ++entry) names.emplace_back(entry->name);
  return names;
}

CString LookupDataTypeName(VARTYPE vt) {
  for (const DataTypeName* entry = kDataTypeNames; entry->vt != -1; ++entry)
    if (entry->vt == vt) return CString(entry->name);
  CString text;
  text.Format(L"%d", static_cast<int>(vt));
  return text;
}

const DataTypeName* FindVarTypeByName(const wchar_t* name) {
  if (name == nullptr) throw static_cast<HRESULT>(E_FAIL);
  for (const DataTypeName* entry = kDataTypeNames; entry->vt != -1; ++entry)
    if (std::wcscmp(entry->name, name) == 0) return entry;
  return nullptr;
}
