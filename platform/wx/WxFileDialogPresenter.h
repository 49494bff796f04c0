// The file-dialog presenter of the GUI: the toolkit's file dialog, modal over the top window. The
// framework adds the default extension and asks before a file is replaced, so the toolkit's own
// question is left off. Asked on another thread than the GUI thread, a dialog is cancelled.
#pragma once

#include "platform/afx/FileDialog.h"

class CWxFileDialogPresenter : public IFileDialogPresenter {
 public:
  std::optional<CString> Show(const CFileDialogRequest& request) override;
};
