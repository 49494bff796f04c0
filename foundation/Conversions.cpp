#include "foundation/Conversions.h"

#include <atomic>
#include <cwchar>
#include <ctime>

#include "platform/win32/Files.h"
#include "platform/win32/Numbers.h"
#include "platform/win32/Time.h"

CString IntToString(int value) {
  wchar_t buffer[16];
  _itow_s(value, buffer, 16, 10);
  return CString(buffer);
}

namespace {

struct VarTypeName {
  int type;
  const wchar_t* name;
};

const VarTypeName kVarTypeNames[] = {
    {VT_UI1, L"Byte"},      {VT_UI2, L"Word"},          {VT_UI4, L"Dword"},     {VT_I1, L"Char"},
    {VT_I2, L"Short"},      {VT_I4, L"Long"},           {VT_R4, L"Float"},      {VT_R8, L"Double"},
    {VT_BOOL, L"Bool"},     {VT_ERROR, L"Scode"},       {VT_CY, L"Currency"},   {VT_DATE, L"Date"},
    {VT_BSTR, L"String"},   {VT_UNKNOWN, L"IUnknown"},  {VT_EMPTY, L"Empty/Default"},
    {VT_DISPATCH, L"IDispatch"}, {-1, nullptr},
};

std::atomic<TimeStyleSource> g_timeStyleSource{nullptr};

CString DatePart(const SYSTEMTIME& time) {
  std::tm tm{};
  tm.tm_year = time.wYear - 1900;
  tm.tm_mon = time.wMonth - 1;
  tm.tm_mday = time.wDay;
  tm.tm_hour = time.wHour;
  tm.tm_min = time.wMinute;
  tm.tm_sec = time.wSecond;
  tm.tm_wday = time.wDayOfWeek % 7;
  wchar_t buffer[128];
  const size_t n = std::wcsftime(buffer, 128, L"%x", &tm);
  return CString(buffer, static_cast<int>(n));
}

}  // namespace

CString VarTypeToName(VARTYPE type) {
  int rest = type;
  const bool array = (rest & VT_ARRAY) != 0;
  rest &= ~VT_ARRAY;
  CString name(L"Unknown");
  for (const VarTypeName* entry = kVarTypeNames; entry->type != -1; ++entry) {
    if (entry->type == rest) {
      name = entry->name;
      break;
    }
  }
  if (array) name += L" Array";
  return name;
}

CString SystemTimeToString(const SYSTEMTIME& time, int style) {
  if (style < TimeFormatTimeMsDate || style > TimeFormatDateTime) return CString();
  FILETIME check;
  if (!SystemTimeToFileTime(&time, &check)) return CString();
  const CString withMs = FormatString(L"%02d:%02d:%02d.%03d", time.wHour, time.wMinute, time.wSecond, time.wMilliseconds);
  const CString withoutMs = FormatString(L"%02d:%02d:%02d", time.wHour, time.wMinute, time.wSecond);
  switch (style) {
    case TimeFormatTimeMsDate: return withMs + L" " + DatePart(time);
    case TimeFormatTimeDate: return withoutMs + L" " + DatePart(time);
    case TimeFormatTimeMs: return withMs;
    case TimeFormatTime: return withoutMs;
    case TimeFormatDateTimeMs: return DatePart(time) + L" " + withMs;
    default: return DatePart(time) + L" " + withoutMs;
  }
}

CString FileTimeToString(const FILETIME& time, int style) {
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&time, &st)) return CString();
  return SystemTimeToString(st, style);
}

void SetTimeStyleSource(TimeStyleSource source) { g_timeStyleSource.store(source); }

CString FormatTimeStamp(const FILETIME& time) {
  const TimeStyleSource source = g_timeStyleSource.load();
  return FileTimeToString(time, source != nullptr ? source() : TimeFormatTimeMsDate);
}

CString FormatCountAndTime(int count, const FILETIME& time) {
  if (count < 1) return CString(L"0");
  return FormatString(L"%d - %s", count, FormatTimeStamp(time));
}

CString Hex32ToText(UINT value) { return FormatString(L"%08X", value); }

bool TextToHex32(const CString& text, UINT& value) {
  unsigned int parsed = 0;
  if (std::swscanf(text.GetString(), L"%08X", &parsed) != 1) return false;
  value = parsed;
  return true;
}

CString FormatFieldText(const CString& format, const CString& value) {
  CString result = FormatString(format.GetString(), value);
  return result.IsEmpty() ? value : result;
}

CString UIntArrayToText(const std::vector<UINT>& values) {
  CString text;
  for (size_t i = 0; i < values.size(); ++i) {
    if (i > 0) text += L";";
    text += IntToString(static_cast<int>(values[i]));
  }
  return text;
}

void TextToUIntArray(std::vector<UINT>& values, const CString& text) {
  int position = 0;
  for (CString piece = text.Tokenize(L";", position); position != -1; piece = text.Tokenize(L";", position)) {
    values.push_back(static_cast<UINT>(_wtol(piece.GetString())));
  }
}

void LoadStringList(UINT id, std::vector<CString>& pieces) {
  CString full;
  full.LoadString(id);
  CString piece;
  for (int i = 0; AfxExtractSubString(piece, full.GetString(), i, L';'); ++i) pieces.push_back(piece);
}

bool FileExists(const CString& path) { return tessaly::win32::AnyFileMatches(path.GetString()); }
