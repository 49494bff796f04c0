// Component categories an OPC Data Access server registers itself under, with the
// descriptions clients list them by.
#pragma once

#include "platform/com/ComTypes.h"

inline constexpr CATID CATID_OPCDAServer10 = {0x63D5F430, 0xCFE4, 0x11D1, {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
inline constexpr CATID CATID_OPCDAServer20 = {0x63D5F432, 0xCFE4, 0x11D1, {0xB2, 0xC8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};

inline constexpr LPCWSTR OPC_CATEGORY_DESCRIPTION_DA10 = L"OPC Data Access Servers Version 1.0";
inline constexpr LPCWSTR OPC_CATEGORY_DESCRIPTION_DA20 = L"OPC Data Access Servers Version 2.0";
