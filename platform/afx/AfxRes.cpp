#include "platform/afx/AfxRes.h"

#include <mutex>

#include "platform/win32/Resources.h"

void AfxRegisterFrameworkStrings() {
  static std::once_flag once;
  std::call_once(once, [] {
    static const StringResource kStrings[] = {
        {AFX_IDS_OPENFILE, L"Open"},
        {AFX_IDS_SAVEFILE, L"Save As"},
        {AFX_IDS_ALLFILTER, L"All Files (*.*)"},
        {AFX_IDS_SAVEFILECOPY, L"Save Copy As"},
        {AFX_IDP_FAILED_TO_OPEN_DOC, L"Failed to open document."},
        {AFX_IDP_FAILED_TO_SAVE_DOC, L"Failed to save document."},
        {AFX_IDP_ASK_TO_SAVE, L"Save changes to %1?"},
        {AFX_IDP_FAILED_TO_CREATE_DOC, L"Failed to create empty document."},
        {AFX_IDP_FAILED_INVALID_FORMAT, L"Unexpected file format."},
        {AFX_IDP_FAILED_INVALID_PATH, L"Unable to write to %1, its folder does not exist or the name is not valid."},
        {AFX_IDP_FAILED_DISK_FULL, L"Unable to write to %1, the disk is full."},
        {AFX_IDP_FAILED_ACCESS_WRITE, L"Unable to write to %1, it is read-only or opened by someone else."},
        {AFX_IDP_FAILED_IO_ERROR_WRITE, L"An unexpected error occurred while writing %1."},
        {AFX_IDP_ASK_TO_REPLACE, L"%1 already exists.\nDo you want to replace it?"},
    };
    RegisterStringResourcesIn(nullptr, kStrings, std::size(kStrings));
  });
}
