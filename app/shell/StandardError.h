// A server that a client started has no terminal of its own: what the toolkit and the libraries
// write to standard error would land in the client's terminal. It goes to a file in the common
// data folder under the machine root instead ("Tessaly-stderr.log", appended; a file grown past
// 1 MB starts anew).
#pragma once

#include "app/shell/TessalyCommandLine.h"
#include "platform/win32/CString.h"

// The file's path.
CString GetClientStartErrorLogPath();
// For a client's start (embedding or automation) sends standard error to that file; the path,
// or empty when the start is no client's or the file cannot be opened (standard error stays).
CString RedirectStandardErrorForClientStart(const CTessalyCommandLine& line);
