// Item property ids of OPC Data Access 2.0 (IOPCItemProperties). 1 to 6 are the fixed set,
// 100 to 4999 the recommended set; vendors use ids from 5000 up.
#pragma once

#include "platform/win32/WinTypes.h"

// Fixed set.
constexpr DWORD OPC_PROP_CDT = 1;        // canonical data type, VT_I2
constexpr DWORD OPC_PROP_VALUE = 2;      // value, of the canonical type
constexpr DWORD OPC_PROP_QUALITY = 3;    // VT_I2
constexpr DWORD OPC_PROP_TIME = 4;       // VT_DATE
constexpr DWORD OPC_PROP_RIGHTS = 5;     // access rights, VT_I4
constexpr DWORD OPC_PROP_SCANRATE = 6;   // fastest rate in ms, VT_R4

// Related to the item value.
constexpr DWORD OPC_PROP_UNIT = 100;
constexpr DWORD OPC_PROP_DESC = 101;
constexpr DWORD OPC_PROP_HIEU = 102;
constexpr DWORD OPC_PROP_LOEU = 103;
constexpr DWORD OPC_PROP_HIRANGE = 104;
constexpr DWORD OPC_PROP_LORANGE = 105;
constexpr DWORD OPC_PROP_CLOSE = 106;
constexpr DWORD OPC_PROP_OPEN = 107;
constexpr DWORD OPC_PROP_TIMEZONE = 108;

// Related to operator displays.
constexpr DWORD OPC_PROP_DSP = 200;
constexpr DWORD OPC_PROP_FGC = 201;
constexpr DWORD OPC_PROP_BGC = 202;
constexpr DWORD OPC_PROP_BLINK = 203;
constexpr DWORD OPC_PROP_BMP = 204;
constexpr DWORD OPC_PROP_SND = 205;

// Related to alarms and conditions.
constexpr DWORD OPC_PROP_ALMSTAT = 300;
constexpr DWORD OPC_PROP_ALMHELP = 301;
constexpr DWORD OPC_PROP_ALMAREAS = 302;
constexpr DWORD OPC_PROP_ALMPRIMARYAREA = 303;
constexpr DWORD OPC_PROP_ALMCONDITION = 304;
constexpr DWORD OPC_PROP_ALMLIMIT = 305;
constexpr DWORD OPC_PROP_ALMDB = 306;
constexpr DWORD OPC_PROP_ALMHH = 307;
constexpr DWORD OPC_PROP_ALMH = 308;
constexpr DWORD OPC_PROP_ALML = 309;
constexpr DWORD OPC_PROP_ALMLL = 310;
constexpr DWORD OPC_PROP_ALMROC = 311;
constexpr DWORD OPC_PROP_ALMDEV = 312;
