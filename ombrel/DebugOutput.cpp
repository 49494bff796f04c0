#include "ombrel/DebugOutput.h"

#include "platform/win32/TextConv.h"

#include <cstdio>
#include <string>

void OutputDebugStringW(LPCWSTR text) {
  std::string line = WideToUtf8(text ? text : L"");
  line += '\n';
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
}
