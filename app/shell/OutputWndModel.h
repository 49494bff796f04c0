// The logic of the protocol output pane, without a window: the event filter, pause and resume,
// the text as lines with its limits and the cut-lines log, Clear and Save. The window shows what
// the model tells its view and forwards WM_PROTOCOL_TEXT to OnProtocolText.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>

#include "app/shell/OutputWndEventThread.h"
#include "foundation/EventsManager.h"
#include "platform/win32/CString.h"

// What the pane reads from the open project; no project: no settings.
struct COutputSettings {
  int nProtocolMask = 1023;
  int nLinesMax = 3000;
  int nLinesDiff = 1000;
  bool bSaveLog = false;
  CString strSaveLogPath;  // the dated file of today
};

class IOutputWndView {
 public:
  virtual ~IOutputWndView() = default;
  // Whole lines, each ended by "\n".
  virtual void AppendText(const CString& text) = 0;
  virtual void RemoveFirstLines(int count) = 0;
  virtual void ClearText() = 0;
};

class COutputWndModel : public CProtocolEventObserver {
 public:
  static constexpr size_t kMaxKeptWhilePaused = 1001;

  using SettingsSource = std::function<std::optional<COutputSettings>()>;
  explicit COutputWndModel(SettingsSource settings);
  ~COutputWndModel() override;
  COutputWndModel(const COutputWndModel&) = delete;
  COutputWndModel& operator=(const COutputWndModel&) = delete;

  // The pane's creation: the header lines, then the collector starts handing text to window.
  void Create(HWND outputWindow, IOutputWndView* view);
  // The pane's destruction: the collector is stopped and joined, the text it holds is taken,
  // and with "save removed lines" on the whole text goes to the cut-lines log.
  void Destroy();

  // Observer of the events manager (GUI thread).
  void Update(CSubjectTEx<CProtocolEvent*>* subject, CProtocolEvent* event) override;
  // WM_PROTOCOL_TEXT: appends the collected text, then trims.
  void OnProtocolText();

  // A line of the GUI's own, after any text already collected.
  void AppendLine(const CString& text);
  void TogglePause();
  bool IsProtocoling() const { return m_bProtocoling; }
  void ClearAll();
  // The whole text as UTF-16LE with CR LF, replacing the file safely; the Win32 error.
  LONG Save(const CString& path);
  void SetLastSavePath(const CString& path) { m_strLastSavePath = path; }
  const CString& GetLastSavePath() const { return m_strLastSavePath; }

  const std::deque<CString>& GetLines() const { return m_lines; }
  bool IsEmpty() const { return m_lines.empty(); }
  size_t GetKeptCount() const { return m_kept.size(); }
  COutputWndEventThread& GetCollector() { return m_collector; }

  // Whether the mask lets an event of that kind through.
  static bool Passes(int mask, int kind);

 private:
  void AppendCollected();
  void AppendLines(const CString& text);
  void Trim();
  void AppendToCutLog(size_t count);

  SettingsSource m_settings;
  IOutputWndView* m_pView = nullptr;
  COutputWndEventThread m_collector;
  std::deque<CString> m_lines;
  std::deque<std::unique_ptr<CProtocolEvent>> m_kept;
  bool m_bProtocoling = true;
  CString m_strLastSavePath;
  int m_nLinesMax = 3000;
  int m_nLinesKeep = 2000;
  bool m_bSaveLog = false;
  CString m_strCutLogPath;
  std::set<CString> m_failedCutLogs;
};
