// One node of an XML DOM tree (element, text, comment, declaration or another kind kept as
// it was read). Nodes are shared: a node removed from its parent stays valid for whoever holds
// it. Calls return HRESULTs as a DOM does; a missing child or sibling is S_FALSE with null.
// Not thread-safe: one document belongs to one apartment.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/WinTypes.h"

enum class XmlDomNodeType { Element, Text, Comment, Declaration, Other };

class CXmlDomNode;
using XmlDomNodePtr = std::shared_ptr<CXmlDomNode>;

class CXmlDomNode : public std::enable_shared_from_this<CXmlDomNode> {
 public:
  // Use CXmlDomDocument::createElement or the loader; exposed for make_shared.
  CXmlDomNode(XmlDomNodeType type, std::wstring name, std::wstring value);
  ~CXmlDomNode();
  CXmlDomNode(const CXmlDomNode&) = delete;
  CXmlDomNode& operator=(const CXmlDomNode&) = delete;

  XmlDomNodeType Type() const { return m_type; }
  // The name as written, prefix included ("" for text and comments).
  const std::wstring& NodeName() const { return m_name; }
  // The text of a text, comment or other node as read ("" for elements and declarations).
  const std::wstring& NodeValue() const { return m_value; }

  // The name without its prefix ("a:node" -> "node"); "" for nodes other than elements.
  HRESULT get_baseName(std::wstring& name) const;
  // Element: the text of all its descendants in document order. Text and comment: the value.
  HRESULT get_text(std::wstring& text) const;
  // Element: its children are replaced by one text node (none for ""). Text and comment: the
  // value. E_FAIL for other kinds.
  HRESULT put_text(const std::wstring& text);

  HRESULT get_firstChild(XmlDomNodePtr& child) const;
  HRESULT get_nextSibling(XmlDomNodePtr& sibling) const;
  XmlDomNodePtr Parent() const { return m_parent.lock(); }

  // Appends child as the last child, taking it from its earlier parent. E_INVALIDARG for null
  // or for this node or one of its ancestors; E_FAIL when this node is not an element.
  HRESULT appendChild(const XmlDomNodePtr& child, XmlDomNodePtr* appended = nullptr);
  // E_INVALIDARG when child is not a child of this node.
  HRESULT removeChild(const XmlDomNodePtr& child, XmlDomNodePtr* removed = nullptr);

  // Attributes of an element, in the order read; kept so a save writes them back.
  std::vector<std::pair<std::wstring, std::wstring>>& Attributes() { return m_attributes; }
  const std::vector<std::pair<std::wstring, std::wstring>>& Attributes() const { return m_attributes; }
  // A text node written as a CDATA section.
  bool IsCData() const { return m_cdata; }
  void SetCData(bool cdata) { m_cdata = cdata; }

 private:
  void AppendText(std::wstring& out) const;
  void Unlink(const XmlDomNodePtr& child);

  XmlDomNodeType m_type;
  std::wstring m_name;
  std::wstring m_value;
  bool m_cdata = false;
  std::vector<std::pair<std::wstring, std::wstring>> m_attributes;
  // Children as a linked list, so walking siblings is constant time.
  XmlDomNodePtr m_firstChild;
  std::weak_ptr<CXmlDomNode> m_lastChild;
  XmlDomNodePtr m_next;
  std::weak_ptr<CXmlDomNode> m_prev;
  std::weak_ptr<CXmlDomNode> m_parent;
};
