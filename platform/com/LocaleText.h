// Numbers, booleans and dates as OLE Automation reads and writes them as text under a locale.
// The system runs under English (United States), LCID 1033: "." for decimals, "," between
// thousands, "$" for currency, month/day/year dates and 12-hour times. The default and
// neutral locales are that locale here, and any other LCID falls back to it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/com/ComTypes.h"

namespace tessaly {

constexpr LCID kLcidEnglishUnitedStates = 0x0409;

// A number read from text: a whole number (magnitude and sign) when it has no fraction or
// exponent and fits 64 bits, otherwise a double.
struct TextNumber {
  bool integral = true;
  bool negative = false;
  uint64_t magnitude = 0;
  double real = 0;
};

// Blanks around, a sign before or after ("5-"), parentheses for a negative ("(5)"), the
// currency sign ("$5", "-$5"), thousands separators ("1,000"), a decimal part and an exponent;
// or "&H1F" (hex) and "&O17" (octal). False for anything else.
bool ParseLocaleNumber(const std::wstring& text, LCID lcid, TextNumber* out);

// "#TRUE#"/"#FALSE#" (exactly), "True"/"False" (any case), or a number (non-zero is true).
bool ParseLocaleBool(const std::wstring& text, LCID lcid, bool* out);

// The forms VarDateFromStr accepts: dates of one to three numbers and a month name ("1/2/1970",
// "1970-01-02", "2 Jan 1970", "Jan 2, 70", "Jan 2" and "1 2" in the current year), times
// "h:mm[:ss]" or "h am" with AM/PM (also "a"/"p"), weekday names ignored. A time alone lies on
// day 0. False for anything else or a date outside years 100..9999.
bool ParseLocaleDate(const std::wstring& text, LCID lcid, DATE* out);

// "1/2/1970 8:09:36 AM"; the date alone at midnight ("1/2/1970"), the time alone on day 0
// ("12:00:00 AM"). False outside years 100..9999.
bool FormatLocaleDate(DATE date, LCID lcid, std::wstring* out);

}  // namespace tessaly
