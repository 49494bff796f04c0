// Writes older project files (.tdb) for the tests: the document's class and version, the device
// record and its tag-group part, in the archive form the program reads. The program itself
// never writes them.
#pragma once

#include <optional>
#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

struct CLegacyProjectFields {
  enum class GroupClass { kNew, kBackToDevice, kBackToDocument };

  CString channel = L"FTT-10";
  CString port = L"LON1";
  CString skipped;
  CString dbPath = L"C:\\Projects\\plant.mdb";
  CString domainId0 = L"4B";
  CString domainId1;
  WORD node0 = 1, node1 = 0, subnet0 = 1, subnet1 = 0;
  CString extra2;
  GroupClass groupClass = GroupClass::kNew;
  WORD value1 = 0;
  CString name = L"Plant";
  // Bytes written in place of the name's string (another length form, an ANSI string).
  std::optional<std::vector<BYTE>> rawName;
  CString extra;
  WORD value2 = 1;
};

std::vector<BYTE> WriteLegacyProject(const CLegacyProjectFields& fields);
// A string in the ANSI form: the length prefix and the bytes as they are.
std::vector<BYTE> AnsiArchiveString(const std::string& bytes);
// A string in the Unicode form with the UTF-16 units as they are (lone surrogates too).
std::vector<BYTE> UnicodeArchiveString(const std::u16string& units);
