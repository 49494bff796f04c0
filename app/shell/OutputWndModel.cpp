#include "app/shell/OutputWndModel.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

#include "app/shell/ShellResources.h"
#include "foundation/KxModuleVersion.h"
#include "foundation/ProtocolEventText.h"
#include "platform/win32/Files.h"
#include "platform/win32/TextConv.h"

namespace {

std::string Utf16Lines(const std::deque<CString>& lines, size_t count) {
  std::wstring text;
  for (size_t i = 0; i < count && i < lines.size(); ++i) {
    text += lines[i].GetString();
    text += L"\r\n";
  }
  return WideToUtf16LE(text);
}

bool AppendToFile(const CString& path, const std::string& bytes) {
  const std::string native = tessaly::win32::NativePath(path);
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool ok = ::close(fd) == 0 && done == bytes.size();
  return ok;
}

}  // namespace

COutputWndModel::COutputWndModel(SettingsSource settings) : m_settings(std::move(settings)) { RegisterShellResources(); }

COutputWndModel::~COutputWndModel() { m_collector.Stop(); }

bool COutputWndModel::Passes(int mask, int kind) {
  const unsigned k = static_cast<unsigned>(kind);
  if (k <= 15) return (mask & 1) != 0;
  if (k <= 30) return (mask & 2) != 0;
  return true;
}

void COutputWndModel::Create(HWND outputWindow, IOutputWndView* view) {
  m_pView = view;
  CString header;
  FormatResourceString(header, IDS_OUTPUT_HEADER, GetProductVersionText(), GetCopyrightText());
  header.Replace(L"\r\n", L"\n");
  int start = 0;
  for (int end; (end = header.Find(L'\n', start)) >= 0; start = end + 1) AppendLine(header.Mid(start, end - start));
  AppendLine(header.Mid(start));
  m_collector.SetOutputWindow(outputWindow);
  m_collector.Start();
}

void COutputWndModel::Destroy() {
  m_collector.Stop();
  AppendCollected();
  if (m_bSaveLog && !m_strCutLogPath.IsEmpty()) AppendToCutLog(m_lines.size());
  m_pView = nullptr;
}

void COutputWndModel::Update(CSubjectTEx<CProtocolEvent*>*, CProtocolEvent* event) {
  if (event == nullptr) return;
  const std::optional<COutputSettings> settings = m_settings ? m_settings() : std::nullopt;
  if (!Passes(settings ? settings->nProtocolMask : 1023, event->GetKind())) return;
  std::unique_ptr<CProtocolEvent> clone = event->Clone();
  if (m_bProtocoling) {
    m_collector.Add(std::move(clone));
    return;
  }
  if (m_kept.size() >= kMaxKeptWhilePaused) m_kept.pop_front();
  m_kept.push_back(std::move(clone));
}

void COutputWndModel::OnProtocolText() {
  AppendCollected();
  Trim();
}

void COutputWndModel::AppendCollected() { AppendLines(m_collector.TakeText()); }

void COutputWndModel::AppendLines(const CString& text) {
  if (text.IsEmpty()) return;
  CString shown;
  int start = 0;
  for (int end; (end = text.Find(L"\r\n", start)) >= 0; start = end + 2) {
    const CString line = text.Mid(start, end - start);
    m_lines.push_back(line);
    shown += line;
    shown += L"\n";
  }
  if (start < text.GetLength()) {  // a last line without its end
    m_lines.push_back(text.Mid(start));
    shown += text.Mid(start);
    shown += L"\n";
  }
  if (m_pView != nullptr) m_pView->AppendText(shown);
}

void COutputWndModel::AppendLine(const CString& text) {
  AppendCollected();
  CString line = text;
  line += L"\r\n";
  AppendLines(line);
}

void COutputWndModel::TogglePause() {
  m_bProtocoling = !m_bProtocoling;
  if (!m_bProtocoling) {
    m_collector.SetRunning(false);
    CString text;
    text.LoadString(IDS_LOGGING_STOPPED);
    AppendLine(text);
    return;
  }
  for (auto& event : m_kept) m_collector.Add(std::move(event));
  m_kept.clear();
  if (!m_collector.IsRunning()) m_collector.SetRunning(true);
}

void COutputWndModel::ClearAll() {
  AppendCollected();
  m_lines.clear();
  if (m_pView != nullptr) m_pView->ClearText();
  CString text;
  text.LoadString(IDS_OUTPUT_CLEARED);
  AppendLine(text);
}

LONG COutputWndModel::Save(const CString& path) {
  AppendCollected();
  return tessaly::win32::ReplaceFileSafely(path, Utf16Lines(m_lines, m_lines.size()));
}

void COutputWndModel::Trim() {
  if (const std::optional<COutputSettings> settings = m_settings ? m_settings() : std::nullopt) {
    // A limit below 2 or a difference outside 1..max-1 would cut nothing or everything.
    m_nLinesMax = std::max(settings->nLinesMax, 2);
    const int diff = std::clamp(settings->nLinesDiff, 1, m_nLinesMax - 1);
    m_nLinesKeep = m_nLinesMax - diff;
    m_bSaveLog = settings->bSaveLog;
    if (m_bSaveLog) m_strCutLogPath = settings->strSaveLogPath;
  }
  while (m_lines.size() > static_cast<size_t>(m_nLinesMax)) {
    const size_t cut = static_cast<size_t>(m_nLinesMax - m_nLinesKeep);
    if (m_bSaveLog) AppendToCutLog(cut);
    m_lines.erase(m_lines.begin(), m_lines.begin() + static_cast<std::ptrdiff_t>(cut));
    if (m_pView != nullptr) m_pView->RemoveFirstLines(static_cast<int>(cut));
  }
}

void COutputWndModel::AppendToCutLog(size_t count) {
  if (count == 0 || m_strCutLogPath.IsEmpty()) return;
  if (AppendToFile(m_strCutLogPath, Utf16Lines(m_lines, count))) {
    m_failedCutLogs.erase(m_strCutLogPath);
    return;
  }
  if (!m_failedCutLogs.insert(m_strCutLogPath).second) return;
  CString text;
  FormatResourceString(text, IDS_CUT_LOG_FAILED, m_strCutLogPath);
  m_lines.push_back(text);
  if (m_pView != nullptr) m_pView->AppendText(text + L"\n");
}
