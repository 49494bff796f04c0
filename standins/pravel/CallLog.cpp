#include "standins/pravel/CallLog.h"

#include <mutex>
#include <vector>

namespace {
std::mutex& LogLock() {
  static std::mutex lock;
  return lock;
}
std::vector<std::wstring>& Lines() {
  static std::vector<std::wstring> lines;
  return lines;
}
}  // namespace

void CCallLog::Add(std::wstring line) {
  std::lock_guard<std::mutex> guard(LogLock());
  Lines().push_back(std::move(line));
}

std::wstring CCallLog::Text() {
  std::lock_guard<std::mutex> guard(LogLock());
  std::wstring text;
  for (const std::wstring& line : Lines()) {
    if (!text.empty()) text += L'\n';
    text += line;
  }
  return text;
}

void CCallLog::Clear() {
  std::lock_guard<std::mutex> guard(LogLock());
  Lines().clear();
}
