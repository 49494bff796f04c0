#include "platform/win32/MessageBox.h"

#include <cstdio>

namespace {

std::mutex g_presenterLock;
std::shared_ptr<IMessageBoxPresenter> g_presenter;

int AskPresenter(const CString& text, UINT type, UINT helpId) {
  std::shared_ptr<IMessageBoxPresenter> presenter = GetMessageBoxPresenter();
  if (presenter) return presenter->Show(text, type, helpId);
  // No one to ask: say it where an operator will see it and take the button Enter would press.
  std::string line = "Tessaly: " + CStringToUtf8(text) + "\n";
  std::fputs(line.c_str(), stderr);
  std::fflush(stderr);
  return DefaultMessageBoxAnswer(type);
}

}  // namespace

int AfxMessageBox(LPCTSTR text, UINT type, UINT helpId) { return AskPresenter(CString(text), type, helpId); }


int DefaultMessageBoxAnswer(UINT type) {
  static const std::vector<int> kButtons[] = {
      {IDOK},                      // MB_OK
      {IDOK, IDCANCEL},            // MB_OKCANCEL
      {IDABORT, IDRETRY, IDIGNORE},  // MB_ABORTRETRYIGNORE
      {IDYES, IDNO, IDCANCEL},     // MB_YESNOCANCEL
      {IDYES, IDNO},               // MB_YESNO
      {IDRETRY, IDCANCEL},         // MB_RETRYCANCEL
  };
  UINT set = type & MB_TYPEMASK;
  if (set >= std::size(kButtons)) return IDOK;
  const std::vector<int>& buttons = kButtons[set];
  size_t which = (type & MB_DEFMASK) >> 8;
  return which < buttons.size() ? buttons[which] : buttons.front();
}

std::shared_ptr<IMessageBoxPresenter> SetMessageBoxPresenter(std::shared_ptr<IMessageBoxPresenter> presenter) {
  std::lock_guard<std::mutex> guard(g_presenterLock);
  std::swap(g_presenter, presenter);
  return presenter;
}

std::shared_ptr<IMessageBoxPresenter> GetMessageBoxPresenter() {
  std::lock_guard<std::mutex> guard(g_presenterLock);
  return g_presenter;
}

// ---- CScriptedMessageBoxPresenter ----

void CScriptedMessageBoxPresenter::Answer(int button) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_answers.push_back(button);
}

void CScriptedMessageBoxPresenter::Answer(std::initializer_list<int> buttons) {
  std::lock_guard<std::mutex> guard(m_lock);
  m_answers.insert(m_answers.end(), buttons.begin(), buttons.end());
}

int CScriptedMessageBoxPresenter::Show(const CString& text, UINT type, UINT helpId) {
  std::lock_guard<std::mutex> guard(m_lock);
  int answer;
  if (m_answers.empty()) {
    answer = DefaultMessageBoxAnswer(type);
    ++m_unscripted;
  } else {
    answer = m_answers.front();
    m_answers.pop_front();
  }
  m_boxes.push_back(Box{text, type, helpId, answer});
  return answer;
}

std::vector<CScriptedMessageBoxPresenter::Box> CScriptedMessageBoxPresenter::Boxes() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_boxes;
}

std::vector<CString> CScriptedMessageBoxPresenter::Texts() const {
  std::lock_guard<std::mutex> guard(m_lock);
  std::vector<CString> texts;
  for (const Box& box : m_boxes) texts.push_back(box.text);
  return texts;
}

size_t CScriptedMessageBoxPresenter::UnscriptedCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_unscripted;
}

size_t CScriptedMessageBoxPresenter::PendingAnswers() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_answers.size();
}
