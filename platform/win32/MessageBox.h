// The message-box service behind AfxMessageBox. A presenter answers the boxes: the GUI plugs
// in a dialog, tests plug in CScriptedMessageBoxPresenter. With no presenter the text goes to
// stderr and the box answers its default button (see DefaultMessageBoxAnswer).
// Thread-safe: the presenter is called without any lock of the service held, so a presenter
// may itself ask boxes (a modal loop) or be replaced while it runs.
#pragma once

#include <deque>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class IMessageBoxPresenter {
 public:
  virtual ~IMessageBoxPresenter() = default;
  // The button pressed (IDOK, IDCANCEL, IDYES, IDNO, ...).
  virtual int Show(const CString& text, UINT type, UINT helpId) = 0;
};

int AfxMessageBox(LPCTSTR text, UINT type = MB_OK, UINT helpId = 0);
// The text is string resource stringId of the calling module ("" when missing).
TESSALY_MODULE_LOCAL inline int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpId = 0) {
  CString text;
  text.LoadString(stringId);
  return AfxMessageBox(text.GetString(), type, helpId);
}

// The button that Enter presses: the MB_DEFBUTTONn-th button of the type's set, the first one
// when n is beyond the set. MB_OK: IDOK; MB_OKCANCEL: IDOK, IDCANCEL; MB_ABORTRETRYIGNORE:
// IDABORT, IDRETRY, IDIGNORE; MB_YESNOCANCEL: IDYES, IDNO, IDCANCEL; MB_YESNO: IDYES, IDNO;
// MB_RETRYCANCEL: IDRETRY, IDCANCEL. An unknown set answers IDOK.
int DefaultMessageBoxAnswer(UINT type);

// Installs presenter (null: back to stderr) and returns the one it replaces.
std::shared_ptr<IMessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<IMessageBoxPresenter> presenter);
std::shared_ptr<IMessageBoxPresenter> GetMessageBoxPresenter();

// Answers from a queue and records every box, in order. An empty queue answers the default
// button (and counts the box as unscripted).
class CScriptedMessageBoxPresenter : public IMessageBoxPresenter {
 public:
  struct Box {
    CString text;
    UINT type;
    UINT helpId;
    int answer;
  };

  void Answer(int button);
  void Answer(std::initializer_list<int> buttons);
  int Show(const CString& text, UINT type, UINT helpId) override;

  std::vector<Box> Boxes() const;
  std::vector<CString> Texts() const;
  size_t UnscriptedCount() const;
  size_t PendingAnswers() const;

 private:
  mutable std::mutex m_lock;
  std::deque<int> m_answers;
  std::vector<Box> m_boxes;
  size_t m_unscripted = 0;
};

// Installs a presenter for a scope and puts the earlier one back.
class CScopedMessageBoxPresenter {
 public:
  explicit CScopedMessageBoxPresenter(std::shared_ptr<IMessageBoxPresenter> presenter)
      : m_previous(SetMessageBoxPresenter(std::move(presenter))) {}
  ~CScopedMessageBoxPresenter() { SetMessageBoxPresenter(std::move(m_previous)); }
  CScopedMessageBoxPresenter(const CScopedMessageBoxPresenter&) = delete;
  CScopedMessageBoxPresenter& operator=(const CScopedMessageBoxPresenter&) = delete;

 private:
  std::shared_ptr<IMessageBoxPresenter> m_previous;
};
