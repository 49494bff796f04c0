// The program's command line, one switch per argument. A switch starts with "-" (or "--"), or
// with "/" when the rest is a switch name without a further "/", so Linux paths stay paths.
// Names compare ignoring case. Anything else is a parameter: the first one names a file to open.
#pragma once

#include <vector>

#include "platform/win32/CString.h"

class CTessalyCommandLine {
 public:
  static constexpr const wchar_t* kDefaultLogFile = L"./Tessaly.log";

  // "Debug" was given: the log goes to m_strLogFile, or is closed when "OFF" followed the file.
  bool m_bDebug = false;
  CString m_strLogFile;
  bool m_bLogOff = false;

  bool m_bRun = false;
  bool m_bEmbedding = false;
  bool m_bAutomation = false;
  // The first of "RegServer" and "UnregServer" ends the reading: nothing after it counts.
  bool m_bRegServer = false;
  bool m_bUnregServer = false;
  CString m_strFileName;

  // args without the program's own name.
  static CTessalyCommandLine Parse(const std::vector<CString>& args);
  static CTessalyCommandLine Parse(int argc, char** argv);

  // Embedding, then automation, win over "Run".
  int GetStartMode() const;
};
