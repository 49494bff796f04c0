// Small conversions of values into text and back: numbers, VARIANT type names, time stamps in
// the six display styles, hex text of dialog fields, ";"-separated lists, string-resource lists.
#pragma once

#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

CString IntToString(int value);

// " Array" appended for VT_ARRAY; "Unknown" for a type not in the table (VT_BYREF included).
CString VarTypeToName(VARTYPE type);

// Time stamp display styles of the protocol window.
enum TimeFormat {
  TimeFormatTimeMsDate = 0,
  TimeFormatTimeDate = 1,
  TimeFormatTimeMs = 2,
  TimeFormatTime = 3,
  TimeFormatDateTimeMs = 4,
  TimeFormatDateTime = 5,
};

// Time "%02d:%02d:%02d.%03d" or without milliseconds, the date in the locale's representation.
// Empty for another style or a time that is not valid.
CString SystemTimeToString(const SYSTEMTIME& time, int style);
// UTC shows UTC (no local conversion); empty for a FILETIME that is not a valid time.
CString FileTimeToString(const FILETIME& time, int style);

// The style of the open project comes from its settings; with no source (no document), style 0.
using TimeStyleSource = int (*)();
void SetTimeStyleSource(TimeStyleSource source);
CString FormatTimeStamp(const FILETIME& time);
// A statistics cell: "0" for a count below 1, else "%d - %s" of count and time stamp.
CString FormatCountAndTime(int count, const FILETIME& time);

// Dialog fields in hexadecimal: "%08X" both ways. A text that holds no hex number leaves value.
CString Hex32ToText(UINT value);
bool TextToHex32(const CString& text, UINT& value);
// A field whose resource text is a format with one argument: the formatted value, or the value
// itself when the result is empty.
CString FormatFieldText(const CString& format, const CString& value);

// ";"-separated lists: values as signed decimal; reading skips empty pieces.
CString UIntArrayToText(const std::vector<UINT>& values);
void TextToUIntArray(std::vector<UINT>& values, const CString& text);

// Every ";"-separated piece of string resource id, empty ones included (a missing resource
// gives one empty piece).
void LoadStringList(UINT id, std::vector<CString>& pieces);

// A file or folder matches the path (wildcards allowed in the last component).
bool FileExists(const CString& path);
