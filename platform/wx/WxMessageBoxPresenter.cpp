#include "platform/wx/WxMessageBoxPresenter.h"

#include <cstdio>

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/thread.h>

CWxMessageBoxPresenter::CWxMessageBoxPresenter(const CString& caption) : m_strCaption(caption) {}

namespace {

long IconStyle(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return wxICON_ERROR;
    case MB_ICONQUESTION:
      return wxICON_QUESTION;
    case MB_ICONEXCLAMATION:
      return wxICON_EXCLAMATION;
    case MB_ICONINFORMATION:
      return wxICON_INFORMATION;
    default:
      return 0;
  }
}

}  // namespace

int CWxMessageBoxPresenter::Show(const CString& text, UINT type, UINT) {
  if (!wxThread::IsMain() || wxTheApp == nullptr) {
    std::fprintf(stderr, "%ls\n", text.GetString());
    return DefaultMessageBoxAnswer(type);
  }
  const UINT set = type & MB_TYPEMASK;
  const int defaultAnswer = DefaultMessageBoxAnswer(type);
  long style = IconStyle(type);
  // The Win32 sets mapped on wx's three buttons: the first, second and third answer in order.
  int answers[3] = {IDOK, IDCANCEL, IDCANCEL};
  switch (set) {
    case MB_OKCANCEL:
      style |= wxOK | wxCANCEL;
      break;
    case MB_RETRYCANCEL:
      style |= wxOK | wxCANCEL;
      answers[0] = IDRETRY;
      break;
    case MB_YESNO:
      // Windows' Yes/No box cannot be dismissed without an answer; here Escape or the close box
      // of the dialog counts as No, never as an answer the caller does not expect.
      style |= wxYES_NO;
      answers[0] = IDYES;
      answers[1] = IDNO;
      answers[2] = IDNO;
      break;
    case MB_YESNOCANCEL:
    case MB_ABORTRETRYIGNORE:
      style |= wxYES_NO | wxCANCEL;
      answers[0] = set == MB_YESNOCANCEL ? IDYES : IDABORT;
      answers[1] = set == MB_YESNOCANCEL ? IDNO : IDRETRY;
      answers[2] = set == MB_YESNOCANCEL ? IDCANCEL : IDIGNORE;
      break;
    default:
      style |= wxOK;
      break;
  }
  if (defaultAnswer == answers[1] && (style & wxYES_NO)) style |= wxNO_DEFAULT;
  if (defaultAnswer == IDCANCEL && (style & wxCANCEL) && !(style & wxYES_NO)) style |= wxCANCEL_DEFAULT;
  wxMessageDialog dialog(wxTheApp->GetTopWindow(), wxString(text.GetString()), wxString(m_strCaption.GetString()),
                         style);
  if (set == MB_RETRYCANCEL) dialog.SetOKCancelLabels("&Retry", "&Cancel");
  if (set == MB_ABORTRETRYIGNORE) dialog.SetYesNoCancelLabels("&Abort", "&Retry", "&Ignore");
  switch (dialog.ShowModal()) {
    case wxID_OK:
    case wxID_YES:
      return answers[0];
    case wxID_NO:
      return answers[1];
    case wxID_CANCEL:
      return (style & wxYES_NO) ? answers[2] : answers[1];
    default:
      return defaultAnswer;
  }
}
