// The framework's own command ids and prompt strings.
#pragma once

#include "platform/win32/WinTypes.h"

constexpr UINT ID_FILE_NEW = 0xE100;
constexpr UINT ID_FILE_OPEN = 0xE101;
constexpr UINT ID_FILE_CLOSE = 0xE102;
constexpr UINT ID_FILE_SAVE = 0xE103;
constexpr UINT ID_FILE_SAVE_AS = 0xE104;
constexpr UINT ID_FILE_MRU_FILE1 = 0xE110;  // ... ID_FILE_MRU_FILE1 + 15
constexpr UINT ID_APP_ABOUT = 0xE140;
constexpr UINT ID_APP_EXIT = 0xE141;

constexpr UINT AFX_IDS_OPENFILE = 0xF000;
constexpr UINT AFX_IDS_SAVEFILE = 0xF001;
constexpr UINT AFX_IDS_ALLFILTER = 0xF002;
constexpr UINT AFX_IDS_SAVEFILECOPY = 0xF007;

constexpr UINT AFX_IDP_FAILED_TO_OPEN_DOC = 0xF101;
constexpr UINT AFX_IDP_FAILED_TO_SAVE_DOC = 0xF102;
constexpr UINT AFX_IDP_ASK_TO_SAVE = 0xF103;
constexpr UINT AFX_IDP_FAILED_TO_CREATE_DOC = 0xF104;
constexpr UINT AFX_IDP_FAILED_INVALID_FORMAT = 0xF180;
constexpr UINT AFX_IDP_FAILED_INVALID_PATH = 0xF181;
constexpr UINT AFX_IDP_FAILED_DISK_FULL = 0xF182;
constexpr UINT AFX_IDP_FAILED_ACCESS_WRITE = 0xF184;
constexpr UINT AFX_IDP_FAILED_IO_ERROR_WRITE = 0xF186;
// The file dialog's own question before a save replaces a file.
constexpr UINT AFX_IDP_ASK_TO_REPLACE = 0xF1F0;

// Enters the framework's prompt texts into the executable's string table (once).
void AfxRegisterFrameworkStrings();
