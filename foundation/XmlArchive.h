// An XML file read or written in the manner of an archive: opened on a path for storing or for
// loading, with a current element and one operation per kind of value. The same serialisation
// routine runs in both modes. Errors are CArchiveException: cause 5 for a file that cannot be
// loaded or a missing element (callers raise cause 7 for an unsupported version).
// Text goes into the file in the ANSI code page (UTF-8 here) and comes back by the ANSI rule.
// Blanks in texts come back as written: the parser does not condense white space, and a text
// of blanks alone is written as CDATA, which TinyXML keeps.
#pragma once

#include <string>

#include <tinyxml.h>

#include "platform/afx/ArchiveException.h"
#include "platform/win32/CString.h"

class CXmlArchive : public TiXmlDocument {
 public:
  enum { store = 0, load = 1 };

  // Loading throws cause 5 when the file is missing, empty, unreadable, not well-formed or
  // nested more deeply than any real file (checked before it is parsed).
  CXmlArchive(LPCTSTR path, int mode);
  // Loading from the text of a file (a fuzz harness or a file already read), read as the file
  // would be; cause 5 as above.
  explicit CXmlArchive(const std::string& text);
  CXmlArchive(const CXmlArchive&) = delete;
  CXmlArchive& operator=(const CXmlArchive&) = delete;
  ~CXmlArchive() = default;

  bool IsLoading() const { return m_mode == load; }
  bool IsStoring() const { return m_mode == store; }

  // Storing only: writes a temporary file and renames it over the path; false on any failure
  // (the old file is then untouched) and in loading mode.
  bool Save();
  // Why the last Save failed (a Win32 error; ERROR_SUCCESS after one that succeeded).
  LONG GetSaveError() const { return m_lSaveError; }

  // ---- storing (null and no change when loading) ----
  // The new element becomes current.
  TiXmlElement* AddElement(LPCTSTR name);
  // An element with one text child; the current node stays.
  TiXmlElement* AddTextElement(LPCTSTR name, LPCTSTR text);
  TiXmlElement* AddIntElement(LPCTSTR name, int value);
  TiXmlElement* AddShortElement(LPCTSTR name, SHORT value);
  TiXmlComment* AddComment(LPCTSTR text);
  void LeaveElementStoring();

  // ---- loading (null, or the destination unchanged, when storing) ----
  // The first child element of that name becomes current; none throws cause 5.
  TiXmlElement* EnterElement(LPCTSTR name);
  // The element of that name at 0-based position n among the current node's child elements;
  // null (and the current node stays) when there is none. Never throws.
  TiXmlElement* EnterElementAt(LPCTSTR name, int n);
  // Text of the first child element of that name (ElementText); none throws cause 5.
  void ReadString(LPCTSTR name, CString& result);
  // Decimal text (leading white space, digits up to the first other character), cut to the width.
  void ReadUInt(LPCTSTR name, UINT& value);
  void ReadUShort(LPCTSTR name, USHORT& value);
  void ReadByte(LPCTSTR name, BYTE& value);
  void LeaveElementLoading();

  TiXmlNode* GetCurrent() const { return m_pCurrent; }

  // The conversions used for everything that goes into and comes out of the document, for
  // callers that set or read attributes directly.
  static std::string ToAnsi(LPCTSTR text);
  static CString FromAnsi(const char* text);
  // The element's text as a value: white space at either end that holds a line end is the
  // file's layout (a value on lines of its own) and is dropped; blanks on the value's own line
  // and inside it are the value's. A CDATA text is taken as written. "" without text.
  static CString ElementText(const TiXmlElement* element);

 private:
  // Reads and parses the file; false when it is missing, empty, nested too deeply or malformed.
  bool LoadText();
  // Line ends as TinyXML's file loading leaves them; refuses a depth no real file reaches
  // before TinyXML sees it.
  bool ParseText(const std::string& raw);
  void LeaveElement();
  LONG ReadNumber(LPCTSTR name);

  int m_mode;
  CString m_path;
  TiXmlNode* m_pCurrent;
  LONG m_lSaveError = ERROR_SUCCESS;
};
