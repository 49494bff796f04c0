#include "platform/com/LocaleText.h"

#include <charconv>
#include <cwchar>
#include <limits>
#include <optional>
#include <vector>

#include "platform/win32/Time.h"

namespace tessaly {

namespace {

// What a locale writes and reads. Only English (United States) is kept.
struct LocaleRules {
  wchar_t decimal;
  wchar_t thousands;
  const wchar_t* currency;
};

const LocaleRules& RulesFor(LCID) {
  static const LocaleRules kEnglishUnitedStates{L'.', L',', L"$"};
  return kEnglishUnitedStates;
}

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == L'\v' || c == L'\f'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
wchar_t Lower(wchar_t c) { return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  size_t n = std::wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::wstring Trim(const std::wstring& s) {
  size_t first = 0, last = s.size();
  while (first < last && IsBlank(s[first])) ++first;
  while (last > first && IsBlank(s[last - 1])) --last;
  return s.substr(first, last - first);
}

bool StartsWith(const std::wstring& s, size_t at, const wchar_t* prefix) {
  return s.compare(at, std::wcslen(prefix), prefix) == 0;
}

// ---- numbers ------------------------------------------------------------------------------

bool ParseRadix(const std::wstring& s, TextNumber* out) {
  const wchar_t kind = Lower(s[1]);
  const unsigned base = kind == L'h' ? 16 : kind == L'o' ? 8 : 0;
  if (base == 0 || s.size() < 3) return false;
  uint64_t v = 0;
  for (size_t i = 2; i < s.size(); ++i) {
    const wchar_t c = Lower(s[i]);
    const unsigned d = IsDigit(c) ? static_cast<unsigned>(c - L'0')
                       : (c >= L'a' && c <= L'f') ? static_cast<unsigned>(c - L'a' + 10)
                                                  : 99u;
    if (d >= base) return false;
    if (v > (std::numeric_limits<uint64_t>::max() - d) / base) return false;
    v = v * base + d;
  }
  *out = TextNumber{true, false, v, 0};
  return true;
}

// Whether a plain number text out of a double's range is too large rather than too small.
bool Overflows(const std::string& plain) {
  const size_t e = plain.find('e');
  long long exponent = 0;
  if (e != std::string::npos) {
    size_t k = e + 1;
    const bool negative = k < plain.size() && plain[k] == '-';
    if (k < plain.size() && (plain[k] == '-' || plain[k] == '+')) ++k;
    for (; k < plain.size() && exponent < 100000; ++k) exponent = exponent * 10 + (plain[k] - '0');
    if (negative) exponent = -exponent;
  }
  const std::string mantissa = plain.substr(0, e);
  const size_t point = mantissa.find('.');
  const std::string whole = mantissa.substr(0, point);
  const size_t firstDigit = whole.find_first_not_of('0');
  if (firstDigit != std::string::npos) return static_cast<long long>(whole.size() - firstDigit) + exponent > 0;
  return exponent > 0;
}

}  // namespace

bool ParseLocaleNumber(const std::wstring& text, LCID lcid, TextNumber* out) {
  const LocaleRules& rules = RulesFor(lcid);
  const std::wstring s = Trim(text);
  if (s.empty()) return false;
  if (s[0] == L'&') return ParseRadix(s, out);

  size_t i = 0;
  bool parens = false, leadingSign = false, negative = false;
  if (s[i] == L'(') {
    parens = true;
    ++i;
  }
  if (!parens && i < s.size() && (s[i] == L'+' || s[i] == L'-')) {
    leadingSign = true;
    negative = s[i++] == L'-';
  }
  if (StartsWith(s, i, rules.currency)) i += std::wcslen(rules.currency);

  // The digits go into a plain C-locale text for the conversion.
  std::string plain;
  size_t digits = 0;
  bool integral = true;
  while (i < s.size() && (IsDigit(s[i]) || (s[i] == rules.thousands && digits > 0))) {
    if (s[i] != rules.thousands) plain += static_cast<char>(s[i]), ++digits;
    ++i;
  }
  if (i < s.size() && s[i] == rules.decimal) {
    integral = false;
    plain += '.';
    ++i;
    while (i < s.size() && IsDigit(s[i])) plain += static_cast<char>(s[i++]), ++digits;
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == L'e' || s[i] == L'E')) {
    integral = false;
    plain += 'e';
    ++i;
    if (i < s.size() && (s[i] == L'+' || s[i] == L'-')) plain += static_cast<char>(s[i++]);
    size_t expDigits = 0;
    while (i < s.size() && IsDigit(s[i])) plain += static_cast<char>(s[i++]), ++expDigits;
    if (expDigits == 0) return false;
  }
  if (!parens && !leadingSign && i < s.size() && (s[i] == L'+' || s[i] == L'-')) negative = s[i++] == L'-';
  if (parens) {
    if (i >= s.size() || s[i] != L')') return false;
    negative = true;
    ++i;
  }
  if (i != s.size()) return false;

  const char* first = plain.data();
  const char* last = plain.data() + plain.size();
  if (integral) {
    uint64_t magnitude = 0;
    auto r = std::from_chars(first, last, magnitude);
    if (r.ec == std::errc() && r.ptr == last) {
      *out = TextNumber{true, negative && magnitude != 0, magnitude, 0};
      return true;
    }
  }
  double d = 0;
  auto r = std::from_chars(first, last, d);
  if (r.ptr != last) return false;
  if (r.ec == std::errc::result_out_of_range) d = Overflows(plain) ? std::numeric_limits<double>::infinity() : 0.0;
  *out = TextNumber{false, false, 0, negative ? -d : d};
  return true;
}

bool ParseLocaleBool(const std::wstring& text, LCID lcid, bool* out) {
  const std::wstring s = Trim(text);
  if (s == L"#TRUE#" || s == L"#FALSE#") {
    *out = s == L"#TRUE#";
    return true;
  }
  if (EqualsNoCase(s, L"true") || EqualsNoCase(s, L"false")) {
    *out = EqualsNoCase(s, L"true");
    return true;
  }
  TextNumber n;
  if (!ParseLocaleNumber(s, lcid, &n)) return false;
  *out = n.integral ? n.magnitude != 0 : n.real != 0;
  return true;
}

// ---- dates --------------------------------------------------------------------------------

namespace {

const wchar_t* const kMonths[12] = {L"january", L"february", L"march",     L"april",   L"may",      L"june",
                                    L"july",    L"august",   L"september", L"october", L"november", L"december"};
const wchar_t* const kWeekdays[7] = {L"sunday",   L"monday", L"tuesday", L"wednesday",
                                     L"thursday", L"friday", L"saturday"};

// 1..12 for a month's name or its first three letters, 0 otherwise.
int MonthOf(const std::wstring& word) {
  for (int m = 0; m < 12; ++m) {
    if (EqualsNoCase(word, kMonths[m]) || (word.size() == 3 && EqualsNoCase(word, std::wstring(kMonths[m], 3).c_str())))
      return m + 1;
  }
  return 0;
}

bool IsWeekday(const std::wstring& word) {
  for (const wchar_t* day : kWeekdays) {
    if (EqualsNoCase(word, day) || (word.size() == 3 && EqualsNoCase(word, std::wstring(day, 3).c_str()))) return true;
  }
  return false;
}

struct DateToken {
  enum Kind { Number, Month, Am, Pm } kind;
  int value = 0;
  int digits = 0;
  bool joinsNext = false;  // followed by ':' or '.', so the next number continues a time
  bool byPoint = false;    // joined by '.'
};

bool Tokenize(const std::wstring& s, std::vector<DateToken>* tokens) {
  size_t i = 0;
  while (i < s.size()) {
    const wchar_t c = s[i];
    if (IsBlank(c) || c == L',' || c == L'/' || c == L'-') {
      ++i;
    } else if (c == L':' || c == L'.') {
      // A point separates the parts of a time as a colon does ("2.5" is 2:05).
      if (tokens->empty() || tokens->back().kind != DateToken::Number || tokens->back().joinsNext) return false;
      tokens->back().joinsNext = true;
      tokens->back().byPoint = c == L'.';
      ++i;
      if (i >= s.size() || !IsDigit(s[i])) return false;
    } else if (IsDigit(c)) {
      DateToken t{DateToken::Number};
      while (i < s.size() && IsDigit(s[i])) {
        if (++t.digits > 4) return false;
        t.value = t.value * 10 + (s[i++] - L'0');
      }
      tokens->push_back(t);
    } else if (IsLetter(c)) {
      std::wstring word;
      while (i < s.size() && IsLetter(s[i])) word += s[i++];
      if (word == L"T" && !tokens->empty() && i < s.size() && IsDigit(s[i])) continue;  // "2024-03-05T06:00"
      if (EqualsNoCase(word, L"am") || EqualsNoCase(word, L"a")) {
        tokens->push_back(DateToken{DateToken::Am});
      } else if (EqualsNoCase(word, L"pm") || EqualsNoCase(word, L"p")) {
        tokens->push_back(DateToken{DateToken::Pm});
      } else if (int month = MonthOf(word)) {
        tokens->push_back(DateToken{DateToken::Month, month});
      } else if (!IsWeekday(word)) {
        return false;
      }
    } else {
      return false;
    }
  }
  return true;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysIn(int month, int year) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// A written year: one or two digits are 1930..2029.
int YearOf(const DateToken& t) {
  if (t.digits > 2) return t.value;
  return t.value < 30 ? 2000 + t.value : 1900 + t.value;
}

struct Ymd {
  int year, month, day;
};

bool Valid(const Ymd& d) {
  return d.year >= 100 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
         d.day <= DaysIn(d.month, d.year);
}

bool IsDayText(const DateToken& t) { return t.digits <= 2 && t.value >= 1 && t.value <= 31; }

int CurrentYear() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return now.wYear;
}

// The date of the numbers and the month name left once the time is taken out.
std::optional<Ymd> DateOf(const std::vector<DateToken>& numbers, int month) {
  const size_t n = numbers.size();
  if (month != 0) {
    if (n == 1) {
      Ymd thisYear{CurrentYear(), month, numbers[0].value};
      if (IsDayText(numbers[0]) && Valid(thisYear)) return thisYear;
      return Ymd{YearOf(numbers[0]), month, 1};
    }
    if (n == 2) {
      if (IsDayText(numbers[0])) return Ymd{YearOf(numbers[1]), month, numbers[0].value};
      return Ymd{YearOf(numbers[0]), month, numbers[1].value};
    }
    return std::nullopt;
  }
  if (n == 2) {
    const DateToken& a = numbers[0];
    const DateToken& b = numbers[1];
    const int year = CurrentYear();
    // Month and day of this year, month first as the locale writes it; else a month and a year.
    for (const Ymd& d : {Ymd{year, a.value, b.value}, Ymd{year, b.value, a.value}}) {
      if (a.digits <= 2 && b.digits <= 2 && Valid(d)) return d;
    }
    if (a.digits <= 2 && a.value >= 1 && a.value <= 12) return Ymd{YearOf(b), a.value, 1};
    if (b.digits <= 2 && b.value >= 1 && b.value <= 12) return Ymd{YearOf(a), b.value, 1};
    return std::nullopt;
  }
  if (n == 3) {
    const DateToken& a = numbers[0];
    const DateToken& b = numbers[1];
    const DateToken& c = numbers[2];
    // Month/day/year first, as the locale writes it, then year/month/day, then day/month/year.
    const Ymd orders[] = {{YearOf(c), a.value, b.value}, {YearOf(a), b.value, c.value}, {YearOf(c), b.value, a.value}};
    const bool shortFields[] = {a.digits <= 2 && b.digits <= 2, b.digits <= 2 && c.digits <= 2,
                                a.digits <= 2 && b.digits <= 2};
    for (size_t k = 0; k < 3; ++k) {
      if (shortFields[k] && Valid(orders[k])) return orders[k];
    }
  }
  return std::nullopt;
}

}  // namespace

bool ParseLocaleDate(const std::wstring& text, LCID, DATE* out) {
  std::vector<DateToken> tokens;
  if (!Tokenize(Trim(text), &tokens) || tokens.empty()) return false;

  // The time: numbers joined by ':', or a number right before AM/PM.
  std::vector<int> clock;
  int month = 0;
  int half = 0;  // 1 AM, 2 PM
  std::vector<DateToken> numbers;
  bool byPoint = false;
  for (size_t k = 0; k < tokens.size(); ++k) {
    const DateToken& t = tokens[k];
    if (t.kind == DateToken::Am || t.kind == DateToken::Pm) {
      if (half != 0) return false;
      half = t.kind == DateToken::Am ? 1 : 2;
      if (clock.empty()) {
        if (numbers.empty()) return false;
        clock.push_back(numbers.back().value);
        numbers.pop_back();
      }
    } else if (t.kind == DateToken::Month) {
      if (month != 0) return false;
      month = t.value;
    } else if (t.joinsNext || (k > 0 && tokens[k - 1].joinsNext)) {
      if (!clock.empty() && !(k > 0 && tokens[k - 1].joinsNext)) return false;  // one time only
      clock.push_back(t.value);
      byPoint = byPoint || t.byPoint;
    } else {
      numbers.push_back(t);
    }
  }
  if (clock.size() > 3) return false;
  clock.resize(3, 0);
  int hour = clock[0];
  if (half != 0 && hour <= 12) hour = hour % 12 + (half == 2 ? 12 : 0);
  if (hour > 23 || clock[1] > 59 || clock[2] > 59) return false;

  const bool timeAlone = numbers.empty() && month == 0;
  // Windows reads "0.0" as a real number, which is no date, though "0.1" is 0:01.
  if (timeAlone && byPoint && half == 0 && hour == 0 && clock[1] == 0 && clock[2] == 0) return false;
  Ymd day{1899, 12, 30};  // a time alone lies on day 0
  if (!timeAlone) {
    std::optional<Ymd> d = DateOf(numbers, month);
    if (!d || !Valid(*d)) return false;
    day = *d;
  }
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(day.year);
  st.wMonth = static_cast<WORD>(day.month);
  st.wDay = static_cast<WORD>(day.day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(clock[1]);
  st.wSecond = static_cast<WORD>(clock[2]);
  return SystemTimeToVariantTime(&st, out) != 0;
}

bool FormatLocaleDate(DATE date, LCID, std::wstring* out) {
  constexpr double kMinDate = -657434.0;  // 100-01-01
  constexpr double kMaxDate = 2958466.0;  // 10000-01-01, excluded
  SYSTEMTIME st{};
  if (!(date >= kMinDate && date < kMaxDate) || !VariantTimeToSystemTime(date, &st)) return false;
  const bool dayZero = st.wYear == 1899 && st.wMonth == 12 && st.wDay == 30;
  const bool midnight = st.wHour == 0 && st.wMinute == 0 && st.wSecond == 0;
  wchar_t day[32], time[32];
  std::swprintf(day, 32, L"%u/%u/%u", st.wMonth, st.wDay, st.wYear);
  const unsigned hour12 = st.wHour % 12 == 0 ? 12 : st.wHour % 12;
  std::swprintf(time, 32, L"%u:%02u:%02u %ls", hour12, st.wMinute, st.wSecond, st.wHour < 12 ? L"AM" : L"PM");
  std::wstring text;
  if (dayZero) text = time;
  else if (midnight) text = day;
  else text = std::wstring(day) + L" " + time;
  *out = text;
  return true;
}

}  // namespace tessaly
