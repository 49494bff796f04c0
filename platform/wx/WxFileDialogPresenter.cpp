#include "platform/wx/WxFileDialogPresenter.h"

#include <wx/app.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/thread.h>

std::optional<CString> CWxFileDialogPresenter::Show(const CFileDialogRequest& request) {
  if (!wxThread::IsMain() || wxTheApp == nullptr) return std::nullopt;
  wxString wildcard;
  for (const auto& [name, pattern] : request.FilterPairs()) {
    if (!wildcard.empty()) wildcard += "|";
    wildcard += wxString(name.GetString()) + "|" + wxString(pattern.GetString());
  }
  long style = request.open ? wxFD_OPEN : wxFD_SAVE;
  if (request.open && (request.flags & OFN_FILEMUSTEXIST) != 0) style |= wxFD_FILE_MUST_EXIST;
  const wxFileName start(wxString(request.fileName.GetString()));
  wxFileDialog dialog(wxTheApp->GetTopWindow(), wxString(request.title.GetString()),
                      start.IsAbsolute() ? start.GetPath() : wxString(), start.GetFullName(),
                      wildcard.empty() ? wxString(wxFileSelectorDefaultWildcardStr) : wildcard, style);
  if (dialog.ShowModal() != wxID_OK) return std::nullopt;
  return CString(dialog.GetPath().wc_str());
}
