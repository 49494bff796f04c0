// The message-box presenter of the GUI: a wx message dialog per box, modal over the top window.
// Boxes asked on another thread than the GUI thread are not shown (a dialog there could wait on a
// GUI thread that waits for that thread): their text goes to stderr and the default button answers.
#pragma once

#include "platform/win32/MessageBox.h"

class CWxMessageBoxPresenter : public IMessageBoxPresenter {
 public:
  // The caption of every box.
  explicit CWxMessageBoxPresenter(const CString& caption);
  int Show(const CString& text, UINT type, UINT helpId) override;

 private:
  CString m_strCaption;
};
