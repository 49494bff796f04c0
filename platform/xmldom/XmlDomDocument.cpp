#include "platform/xmldom/XmlDomDocument.h"

#include <tinyxml.h>

#include <algorithm>
#include <cwctype>
#include <memory>
#include <new>

#include "platform/com/Bstr.h"
#include "platform/win32/Files.h"
#include "platform/win32/TextConv.h"
#include "platform/xmldom/XmlNesting.h"

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";

bool IsBlank(const std::string& s) {
  for (char c : s) {
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') return false;
  }
  return true;
}

// The path a load or save names; false for anything but text.
bool PathOf(const VARIANT& v, std::wstring& path) {
  if (v.vt == VT_BSTR) path = tessaly::BstrToString(v.bstrVal);
  else if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal) path = tessaly::BstrToString(*v.pbstrVal);
  else return false;
  return !path.empty();
}

bool IsNameStart(wchar_t c) { return c == L'_' || c == L':' || std::iswalpha(static_cast<wint_t>(c)) || c >= 0x80; }
bool IsNameChar(wchar_t c) {
  return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.';
}

// One node of TinyXML's tree without its children; null for blank text.
XmlDomNodePtr FromTinyNode(const TiXmlNode* node) {
  switch (node->Type()) {
    case TiXmlNode::TINYXML_ELEMENT: {
      const TiXmlElement* e = node->ToElement();
      auto out = std::make_shared<CXmlDomNode>(XmlDomNodeType::Element, AnsiToWide(e->ValueStr()), std::wstring());
      for (const TiXmlAttribute* a = e->FirstAttribute(); a; a = a->Next()) {
        out->Attributes().emplace_back(AnsiToWide(a->NameTStr()), AnsiToWide(a->ValueStr()));
      }
      return out;
    }
    case TiXmlNode::TINYXML_TEXT: {
      const TiXmlText* t = node->ToText();
      if (!t->CDATA() && IsBlank(t->ValueStr())) return nullptr;
      auto out = std::make_shared<CXmlDomNode>(XmlDomNodeType::Text, std::wstring(), AnsiToWide(t->ValueStr()));
      out->SetCData(t->CDATA());
      return out;
    }
    case TiXmlNode::TINYXML_COMMENT:
      return std::make_shared<CXmlDomNode>(XmlDomNodeType::Comment, std::wstring(), AnsiToWide(node->ValueStr()));
    case TiXmlNode::TINYXML_DECLARATION: {
      const TiXmlDeclaration* d = node->ToDeclaration();
      auto out = std::make_shared<CXmlDomNode>(XmlDomNodeType::Declaration, std::wstring(), std::wstring());
      out->Attributes().emplace_back(L"version", AnsiToWide(d->Version()));
      out->Attributes().emplace_back(L"encoding", AnsiToWide(d->Encoding()));
      out->Attributes().emplace_back(L"standalone", AnsiToWide(d->Standalone()));
      return out;
    }
    default:
      return std::make_shared<CXmlDomNode>(XmlDomNodeType::Other, std::wstring(), AnsiToWide(node->ValueStr()));
  }
}

// The whole subtree, walked with a stack of our own rather than the call stack.
XmlDomNodePtr FromTiny(const TiXmlNode* top) {
  XmlDomNodePtr out = FromTinyNode(top);
  if (!out) return out;
  std::vector<std::pair<const TiXmlNode*, XmlDomNodePtr>> pending{{top, out}};
  while (!pending.empty()) {
    auto [tiny, dom] = std::move(pending.back());
    pending.pop_back();
    for (const TiXmlNode* c = tiny->FirstChild(); c; c = c->NextSibling()) {
      XmlDomNodePtr child = FromTinyNode(c);
      if (!child) continue;
      dom->appendChild(child);
      if (child->Type() == XmlDomNodeType::Element && c->FirstChild()) pending.emplace_back(c, child);
    }
  }
  return out;
}

const std::wstring& AttributeOf(const CXmlDomNode& node, const wchar_t* name) {
  static const std::wstring none;
  for (const auto& [n, v] : node.Attributes()) {
    if (n == name) return v;
  }
  return none;
}

// One node without its children.
TiXmlNode* ToTinyNode(const CXmlDomNode& node) {
  switch (node.Type()) {
    case XmlDomNodeType::Element: {
      std::unique_ptr<TiXmlElement> e(new TiXmlElement(WideToUtf8(node.NodeName())));
      for (const auto& [name, value] : node.Attributes()) e->SetAttribute(WideToUtf8(name), WideToUtf8(value));
      return e.release();
    }
    case XmlDomNodeType::Text: {
      auto* t = new TiXmlText(WideToUtf8(node.NodeValue()));
      t->SetCDATA(node.IsCData());
      return t;
    }
    case XmlDomNodeType::Comment: {
      auto* c = new TiXmlComment();
      c->SetValue(WideToUtf8(node.NodeValue()));
      return c;
    }
    case XmlDomNodeType::Declaration: {
      // Whatever encoding the file was read in, it is written as UTF-8, so the declaration
      // must say so to stay true.
      std::string encoding = WideToUtf8(AttributeOf(node, L"encoding"));
      if (!encoding.empty()) encoding = "UTF-8";
      return new TiXmlDeclaration(WideToUtf8(AttributeOf(node, L"version")), encoding,
                                  WideToUtf8(AttributeOf(node, L"standalone")));
    }
    case XmlDomNodeType::Other:
      break;
  }
  auto* u = new TiXmlUnknown();
  u->SetValue(WideToUtf8(node.NodeValue()));
  return u;
}

// The whole subtree, walked with a stack of our own; the caller owns the result.
TiXmlNode* ToTiny(const CXmlDomNode& top) {
  std::unique_ptr<TiXmlNode> out(ToTinyNode(top));
  std::vector<std::pair<const CXmlDomNode*, TiXmlNode*>> pending{{&top, out.get()}};
  while (!pending.empty()) {
    auto [dom, tiny] = pending.back();
    pending.pop_back();
    XmlDomNodePtr c;
    for (dom->get_firstChild(c); c; c->get_nextSibling(c)) {
      TiXmlNode* child = tiny->LinkEndChild(ToTinyNode(*c));
      pending.emplace_back(c.get(), child);
    }
  }
  return out.release();
}

// Levels of elements from node down, node included.
size_t Depth(const CXmlDomNode& top) {
  size_t deepest = 0;
  std::vector<std::pair<const CXmlDomNode*, size_t>> pending{{&top, 1}};
  while (!pending.empty()) {
    auto [node, depth] = pending.back();
    pending.pop_back();
    if (node->Type() != XmlDomNodeType::Element) continue;
    deepest = std::max(deepest, depth);
    XmlDomNodePtr c;
    for (node->get_firstChild(c); c; c->get_nextSibling(c)) pending.emplace_back(c.get(), depth + 1);
  }
  return deepest;
}

}  // namespace

HRESULT CXmlDomDocument::Create(XmlDomDocumentPtr& document) {
  document.reset();
  try {
    document = std::make_shared<CXmlDomDocument>();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

void CXmlDomDocument::Clear() {
  m_before.clear();
  m_after.clear();
  m_root.reset();
  m_byteOrderMark = false;
}

HRESULT CXmlDomDocument::load(const VARIANT& source, VARIANT_BOOL* isSuccessful) {
  if (isSuccessful) *isSuccessful = VARIANT_FALSE;
  std::wstring path;
  if (!PathOf(source, path)) return E_INVALIDARG;
  Clear();
  m_parseError.clear();

  std::vector<BYTE> bytes;
  if (LONG error = tessaly::win32::ReadWholeFile(CString(path), bytes); error != ERROR_SUCCESS) {
    m_parseError = L"The file cannot be read.";
    return S_FALSE;
  }
  std::string text(bytes.begin(), bytes.end());
  bool bom = text.compare(0, 3, kByteOrderMark) == 0;
  if (bom) text.erase(0, 3);

  // TinyXML recurses once per level: a hostile depth must not reach it.
  if (!tessaly::XmlNestingWithin(text)) {
    m_parseError = L"The elements are nested too deeply.";
    return S_FALSE;
  }
  TiXmlDocument tiny;
  // Bytes that are not UTF-8 are read one by one (as Windows-1252 below).
  const TiXmlEncoding encoding = IsValidUtf8(text) ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY;
  const char* end = tiny.Parse(text.c_str(), nullptr, encoding);
  if (tiny.Error()) {
    m_parseError = AnsiToWide(tiny.ErrorDesc());
    return S_FALSE;
  }
  // TinyXML stops quietly at text it cannot place; a null end means it read everything.
  if ((end && *end != '\0') || text.find('\0') != std::string::npos) {
    m_parseError = L"Text follows the document element.";
    return S_FALSE;
  }

  std::vector<XmlDomNodePtr> before, after;
  XmlDomNodePtr root;
  for (const TiXmlNode* n = tiny.FirstChild(); n; n = n->NextSibling()) {
    XmlDomNodePtr node = FromTiny(n);
    if (!node) continue;
    if (node->Type() == XmlDomNodeType::Element) {
      if (root) {
        m_parseError = L"Only one top level element is allowed.";
        return S_FALSE;
      }
      root = node;
    } else if (node->Type() == XmlDomNodeType::Text) {
      m_parseError = L"Text is not allowed outside the document element.";
      return S_FALSE;
    } else {
      (root ? after : before).push_back(node);
    }
  }
  if (!root) {
    m_parseError = L"The document has no top level element.";
    return S_FALSE;
  }
  m_before = std::move(before);
  m_after = std::move(after);
  m_root = std::move(root);
  m_byteOrderMark = bom;
  if (isSuccessful) *isSuccessful = VARIANT_TRUE;
  return S_OK;
}

HRESULT CXmlDomDocument::get_documentElement(XmlDomNodePtr& element) const {
  element = m_root;
  return element ? S_OK : S_FALSE;
}

HRESULT CXmlDomDocument::createElement(const std::wstring& tagName, XmlDomNodePtr& element) const {
  element.reset();
  if (tagName.empty() || !IsNameStart(tagName[0])) return E_INVALIDARG;
  for (wchar_t c : tagName) {
    if (!IsNameChar(c)) return E_INVALIDARG;
  }
  try {
    element = std::make_shared<CXmlDomNode>(XmlDomNodeType::Element, tagName, std::wstring());
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CXmlDomDocument::SaveToString(std::string& xml) const {
  xml.clear();
  if (!m_root) return E_FAIL;
  // What could not be loaded again is not written.
  if (Depth(*m_root) > tessaly::kMaxXmlNesting) return E_FAIL;
  try {
    TiXmlDocument tiny;
    for (const auto& n : m_before) tiny.LinkEndChild(ToTiny(*n));
    tiny.LinkEndChild(ToTiny(*m_root));
    for (const auto& n : m_after) tiny.LinkEndChild(ToTiny(*n));
    TiXmlPrinter printer;
    printer.SetStreamPrinting();  // the tree's own text only: no indentation is added
    tiny.Accept(&printer);
    if (m_byteOrderMark) xml = kByteOrderMark;
    xml += printer.Str();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CXmlDomDocument::save(const VARIANT& destination) const {
  std::wstring path;
  if (!PathOf(destination, path)) return E_INVALIDARG;
  std::string xml;
  if (HRESULT hr = SaveToString(xml); FAILED(hr)) return hr;
  LONG error = tessaly::win32::ReplaceFileSafely(CString(path), xml);
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}
