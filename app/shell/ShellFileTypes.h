// The shell's file types of the program on a Linux desktop, as "-RegServer" and "-UnregServer"
// write and remove them: a desktop entry that opens a project with the program (one per server
// instance) and a shared-mime-info type each for "*.tdbx" and for the older "*.tdb", under the
// machine root's data folder (GetShellDataFolder: "applications" and "mime"). The desktop's
// tools find them when that folder is one of the XDG data folders. The databases are brought
// up to date by update-mime-database and update-desktop-database where they are installed.
#pragma once

#include "platform/win32/CString.h"

// The machine root's "share" folder.
CString GetShellDataFolder();
// The desktop entry's file name of the instance ("norvane-tessaly.desktop", for instance 7
// "norvane-tessaly_7.desktop").
CString GetDesktopEntryName(int instance);
// Both types' names and the type package's file.
extern const wchar_t* const kProjectMimeType;
extern const wchar_t* const kLegacyProjectMimeType;
CString GetMimePackagePath(const CString& dataFolder);

// Writes the entry (Exec: the executable with the file) and the types; false when a file could
// not be written.
bool RegisterShellFileTypes(const CString& executable, int instance, const CString& dataFolder);
// Removes the instance's entry, and the types once no instance's entry is left; false when a
// file could not be removed.
bool UnregisterShellFileTypes(int instance, const CString& dataFolder);
