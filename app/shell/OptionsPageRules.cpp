#include "app/shell/OptionsPageRules.h"

#include <algorithm>
#include <cwchar>

#include "app/shell/ShellResources.h"

namespace options {

bool IsTxTimerTooShort(int parallelTransactions, int txTimerIndex, int throttleMs) {
  if (parallelTransactions <= 1) return false;
  const int tx = kTimerValues[static_cast<size_t>(std::clamp(txTimerIndex, 0, 15))];
  return tx < 8 * throttleMs + 40;
}

CString CheckProtocolWindow(int linesMax, int linesOpt, bool saveLog, const CString& path) {
  CString text;
  if (saveLog && path.IsEmpty()) {
    text = L"File path is empty.";
  } else if (linesMax < linesOpt) {
    text.LoadString(IDS_LINES_MAX_BELOW_OPT);
  } else if (linesMax < linesOpt + 1000) {
    text.LoadString(IDS_LINES_DIFF_TOO_SMALL);
  }
  return text;
}

int ApplyProtocolBits(int protocol, int bits, int checked) { return (protocol & ~bits) | (checked & bits); }

int ColumnMask(const std::array<bool, 12>& shown) {
  int mask = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    if (shown[i]) mask |= 1 << i;
  }
  return mask;
}

bool CanDeleteTimingSetting(bool interactive, const CString& selected, const CString& actual, size_t count) {
  return interactive && !selected.IsEmpty() && selected != actual && count > 1 && selected != L"FTT-10" &&
         selected != L"Powerline";
}

bool ParseRangedInt(const CString& text, int low, int high, int& value) {
  CString trimmed = text;
  trimmed.Trim();
  if (trimmed.IsEmpty()) return false;
  wchar_t* end = nullptr;
  const long long parsed = std::wcstoll(trimmed.GetString(), &end, 10);
  if (end == nullptr || *end != L'\0' || parsed < low || parsed > high) return false;
  value = static_cast<int>(parsed);
  return true;
}

}  // namespace options
