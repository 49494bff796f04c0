// The debugger's output channel: here a line on standard error.
#pragma once

#include "platform/win32/WinTypes.h"

void OutputDebugStringW(LPCWSTR text);
