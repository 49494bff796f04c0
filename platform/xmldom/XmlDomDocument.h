// An XML document in the manner of a DOMDocument: load a file, walk and change its element
// tree, save it. Text is read by the ANSI rule (UTF-8, else Windows-1252) and written as UTF-8.
// Whitespace-only text between elements is dropped when a file is loaded.
#pragma once

#include <memory>
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/xmldom/XmlDomNode.h"

class CXmlDomDocument;
using XmlDomDocumentPtr = std::shared_ptr<CXmlDomDocument>;

class CXmlDomDocument {
 public:
  CXmlDomDocument() = default;
  CXmlDomDocument(const CXmlDomDocument&) = delete;
  CXmlDomDocument& operator=(const CXmlDomDocument&) = delete;

  // A new, empty document; E_OUTOFMEMORY when it cannot be made.
  static HRESULT Create(XmlDomDocumentPtr& document);

  // source: a VARIANT holding the file's path as a BSTR. S_OK and *isSuccessful VARIANT_TRUE
  // when loaded; S_FALSE and VARIANT_FALSE when the file is missing, unreadable or not
  // well-formed (exactly one document element), leaving the document empty.
  // E_INVALIDARG for a source that is not a path.
  HRESULT load(const VARIANT& source, VARIANT_BOOL* isSuccessful);
  // Why the last load failed ("" after a success).
  const std::wstring& ParseError() const { return m_parseError; }

  // S_FALSE with null when the document has no element.
  HRESULT get_documentElement(XmlDomNodePtr& element) const;
  // A new element not yet in the tree. E_INVALIDARG for a name that is not an XML name.
  HRESULT createElement(const std::wstring& tagName, XmlDomNodePtr& element) const;

  // destination: a VARIANT holding a path as a BSTR. The file is written as a whole through a
  // temporary file renamed over the old one, so a failed save leaves the old file as it was.
  // E_FAIL when the document has no element (nothing well-formed to write);
  // HRESULT_FROM_WIN32 of the file error otherwise.
  HRESULT save(const VARIANT& destination) const;
  // The text save would write.
  HRESULT SaveToString(std::string& xml) const;

 private:
  void Clear();

  // What stands before and after the document element, kept for the save.
  std::vector<XmlDomNodePtr> m_before;
  std::vector<XmlDomNodePtr> m_after;
  XmlDomNodePtr m_root;
  bool m_byteOrderMark = false;
  std::wstring m_parseError;
};
