// The names of the canonical data types that the "Datatype" rows offer.
#pragma once

#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"

struct DataTypeName {
  int vt;  // -1 ends the table
  const wchar_t* name;
};

// The table in its order, ended by {-1, nullptr}.
const DataTypeName* GetDataTypeNames();
std::vector<CString> GetDataTypeNameList();
// The table's name, or the decimal number for any other value.
CString LookupDataTypeName(VARTYPE vt);
// Exact, case-sensitive; null when not in the table. A null name throws HRESULT E_FAIL.
const DataTypeName* FindVarTypeByName(const wchar_t* name);
