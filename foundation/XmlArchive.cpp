#include "foundation/XmlArchive.h"

#include "platform/win32/Files.h"
#include "platform/win32/Format.h"
#include "platform/win32/Numbers.h"
#include "platform/win32/TextConv.h"
#include "platform/xmldom/XmlNesting.h"

namespace {
// Paths and names with double or leading blanks must load as saved. The switch is global to
// the parser, so it is set once, before the first archive parses.
void KeepWhiteSpace() {
  static const bool once = [] {
    TiXmlBase::SetCondenseWhiteSpace(false);
    return true;
  }();
  (void)once;
}
}  // namespace

std::string CXmlArchive::ToAnsi(LPCTSTR text) { return WideToAnsi(text != nullptr ? text : L""); }

CString CXmlArchive::FromAnsi(const char* text) { return CString(AnsiToWide(text != nullptr ? text : "")); }

CXmlArchive::CXmlArchive(LPCTSTR path, int mode)
    : TiXmlDocument(tessaly::win32::NativePath(path != nullptr ? path : L"")),
      m_mode(mode == load ? load : store),
      m_path(path),
      m_pCurrent(this) {
  if (IsStoring()) {
    LinkEndChild(new TiXmlDeclaration("1.0", "", ""));
    return;
  }
  KeepWhiteSpace();
  if (m_path.IsEmpty() || !LoadText()) AfxThrowArchiveException(CArchiveException::badIndex);
}

bool CXmlArchive::LoadText() {
  std::vector<BYTE> bytes;
  if (tessaly::win32::ReadWholeFile(m_path, bytes) != ERROR_SUCCESS || bytes.empty()) return false;
  return ParseText(std::string(bytes.begin(), bytes.end()));
}

bool CXmlArchive::ParseText(const std::string& raw) {
  // Line ends as TinyXML's own file loading leaves them, whether the text came from a file or
  // was read by the caller: CR LF and a lone CR become LF.
  std::string text;
  text.reserve(raw.size());
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r') {
      text += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
    } else {
      text += raw[i];
    }
  }
  // TinyXML recurses once per level: a hostile depth must not reach it.
  if (!tessaly::XmlNestingWithin(text)) return false;
  // TinyXML's UTF-8 reading trusts a lead byte's length, into the next tag or past the text's
  // end: bytes that are no UTF-8 are read one by one, whatever the declaration says.
  Parse(text.c_str(), nullptr, IsValidUtf8(text) ? TIXML_ENCODING_UNKNOWN : TIXML_ENCODING_LEGACY);
  return !Error();
}

CXmlArchive::CXmlArchive(const std::string& text) : m_mode(load), m_pCurrent(this) {
  KeepWhiteSpace();
  if (!ParseText(text) || RootElement() == nullptr) AfxThrowArchiveException(CArchiveException::badIndex);
}

bool CXmlArchive::Save() {
  m_lSaveError = ERROR_INVALID_PARAMETER;
  if (!IsStoring() || m_path.IsEmpty()) return false;
  TiXmlPrinter printer;
  if (!Accept(&printer)) return false;
  m_lSaveError = tessaly::win32::ReplaceFileSafely(m_path, std::string(printer.CStr(), printer.Size()));
  return m_lSaveError == ERROR_SUCCESS;
}

TiXmlElement* CXmlArchive::AddElement(LPCTSTR name) {
  if (!IsStoring()) return nullptr;
  TiXmlElement* element = new TiXmlElement(ToAnsi(name));
  m_pCurrent->LinkEndChild(element);
  m_pCurrent = element;
  return element;
}

TiXmlElement* CXmlArchive::AddTextElement(LPCTSTR name, LPCTSTR text) {
  if (!IsStoring()) return nullptr;
  TiXmlElement* element = new TiXmlElement(ToAnsi(name));
  const std::string ansi = ToAnsi(text);
  auto* node = new TiXmlText(ansi);
  // TinyXML drops a text of blanks alone, escaped or not, but keeps it in a CDATA section (a
  // CR there would come back as LF, so such a text is left as it was).
  node->SetCDATA(!ansi.empty() && ansi.find_first_not_of(" \t\n\v\f") == std::string::npos);
  element->LinkEndChild(node);
  m_pCurrent->LinkEndChild(element);
  return element;
}

TiXmlElement* CXmlArchive::AddIntElement(LPCTSTR name, int value) {
  return AddTextElement(name, FormatToWString(L"%d", value).c_str());
}

TiXmlElement* CXmlArchive::AddShortElement(LPCTSTR name, SHORT value) {
  return AddTextElement(name, FormatToWString(L"%d", static_cast<int>(value)).c_str());
}

TiXmlComment* CXmlArchive::AddComment(LPCTSTR text) {
  if (!IsStoring()) return nullptr;
  TiXmlComment* comment = new TiXmlComment(ToAnsi(text).c_str());
  m_pCurrent->LinkEndChild(comment);
  return comment;
}

void CXmlArchive::LeaveElement() {
  // Leaving the root element makes the document current again, never nothing.
  if (m_pCurrent->Parent() != nullptr) m_pCurrent = m_pCurrent->Parent();
}

void CXmlArchive::LeaveElementStoring() {
  if (IsStoring()) LeaveElement();
}

void CXmlArchive::LeaveElementLoading() {
  if (IsLoading()) LeaveElement();
}

TiXmlElement* CXmlArchive::EnterElement(LPCTSTR name) {
  if (!IsLoading()) return nullptr;
  TiXmlElement* element = m_pCurrent->FirstChildElement(ToAnsi(name));
  if (element == nullptr) AfxThrowArchiveException(CArchiveException::badIndex);
  m_pCurrent = element;
  return element;
}

TiXmlElement* CXmlArchive::EnterElementAt(LPCTSTR name, int n) {
  if (!IsLoading() || n < 0) return nullptr;
  const std::string value = ToAnsi(name);
  // Sibling elements only: a comment or text that happens to read like the name is no entry.
  TiXmlElement* element = m_pCurrent->FirstChildElement(value);
  for (int i = 0; i < n && element != nullptr; ++i) element = element->NextSiblingElement(value);
  if (element != nullptr) m_pCurrent = element;
  return element;
}

void CXmlArchive::ReadString(LPCTSTR name, CString& result) {
  if (!IsLoading()) return;
  TiXmlElement* element = m_pCurrent->FirstChildElement(ToAnsi(name));
  if (element == nullptr) AfxThrowArchiveException(CArchiveException::badIndex);
  result = ElementText(element);
}

CString CXmlArchive::ElementText(const TiXmlElement* element) {
  const TiXmlNode* child = element != nullptr ? element->FirstChild() : nullptr;
  const TiXmlText* node = child != nullptr ? child->ToText() : nullptr;
  if (node == nullptr) return CString();
  std::string text = node->Value();
  if (!node->CDATA()) {
    static const char kWhite[] = " \t\n\v\f\r";
    const size_t first = text.find_first_not_of(kWhite);
    if (first == std::string::npos) {
      if (text.find('\n') != std::string::npos) text.clear();
    } else {
      const size_t end = text.find_last_not_of(kWhite) + 1;
      if (text.find('\n', end) != std::string::npos) text.erase(end);
      if (text.find('\n') < first) text.erase(0, first);
    }
  }
  return FromAnsi(text.c_str());
}

LONG CXmlArchive::ReadNumber(LPCTSTR name) {
  CString text;
  ReadString(name, text);
  return Win32_wcstol(text.GetString(), nullptr, 10);
}

void CXmlArchive::ReadUInt(LPCTSTR name, UINT& value) {
  if (IsLoading()) value = static_cast<UINT>(ReadNumber(name));
}

void CXmlArchive::ReadUShort(LPCTSTR name, USHORT& value) {
  if (IsLoading()) value = static_cast<USHORT>(ReadNumber(name));
}

void CXmlArchive::ReadByte(LPCTSTR name, BYTE& value) {
  if (IsLoading()) value = static_cast<BYTE>(ReadNumber(name));
}
