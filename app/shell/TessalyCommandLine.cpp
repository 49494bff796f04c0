#include "app/shell/TessalyCommandLine.h"

#include "app/shell/InitStatus.h"
#include "platform/win32/TextConv.h"

namespace {

const wchar_t* const kSwitchNames[] = {L"Debug", L"Run", L"Embedding", L"Automation", L"RegServer", L"UnregServer",
                                       L"OFF"};

// The switch name of an argument, or empty when it is a parameter.
CString SwitchName(const CString& arg) {
  if (arg.GetLength() > 2 && arg[0] == L'-' && arg[1] == L'-') return arg.Mid(2);
  if (arg.GetLength() > 1 && arg[0] == L'-') return arg.Mid(1);
  if (arg.GetLength() > 1 && arg[0] == L'/') {
    const CString name = arg.Mid(1);
    if (name.Find(L'/') >= 0) return CString();
    for (const wchar_t* known : kSwitchNames) {
      if (name.CompareNoCase(known) == 0) return name;
    }
  }
  return CString();
}

bool Is(const CString& name, const wchar_t* wanted) { return !name.IsEmpty() && name.CompareNoCase(wanted) == 0; }

}  // namespace

CTessalyCommandLine CTessalyCommandLine::Parse(const std::vector<CString>& args) {
  CTessalyCommandLine line;
  for (size_t i = 0; i < args.size(); ++i) {
    const CString name = SwitchName(args[i]);
    if (name.IsEmpty()) {
      if (line.m_strFileName.IsEmpty()) line.m_strFileName = args[i];
    } else if (Is(name, L"Debug")) {
      line.m_bDebug = true;
      line.m_bLogOff = false;
      line.m_strLogFile = kDefaultLogFile;
      // The next argument is the file unless it is a switch; "OFF" after it closes the log.
      if (i + 1 < args.size() && SwitchName(args[i + 1]).IsEmpty()) line.m_strLogFile = args[++i];
      if (i + 1 < args.size()) {
        const CString next = args[i + 1];
        const CString nextName = SwitchName(next).IsEmpty() ? next : SwitchName(next);
        if (nextName.CompareNoCase(L"OFF") == 0) {
          line.m_bLogOff = true;
          ++i;
        }
      }
    } else if (Is(name, L"Run")) {
      line.m_bRun = true;
    } else if (Is(name, L"Embedding")) {
      line.m_bEmbedding = true;
    } else if (Is(name, L"Automation")) {
      line.m_bAutomation = true;
    } else if (Is(name, L"UnregServer")) {
      line.m_bUnregServer = true;
      break;
    } else if (Is(name, L"RegServer")) {
      line.m_bRegServer = true;
      break;
    }
  }
  return line;
}

CTessalyCommandLine CTessalyCommandLine::Parse(int argc, char** argv) {
  std::vector<CString> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(Utf8ToWide(argv[i]).c_str());
  return Parse(args);
}

int CTessalyCommandLine::GetStartMode() const {
  if (m_bEmbedding) return StartModeEmbedding;
  if (m_bAutomation) return StartModeAutomation;
  if (m_bRun) return StartModeRun;
  return StartModeInteractive;
}
