#include "platform/xmldom/XmlDomNode.h"

CXmlDomNode::CXmlDomNode(XmlDomNodeType type, std::wstring name, std::wstring value)
    : m_type(type), m_name(std::move(name)), m_value(std::move(value)) {}

CXmlDomNode::~CXmlDomNode() {
  // Descendants nobody else holds are taken apart here, level by level, rather than by a chain
  // of destructors, so neither a deep tree nor a long list can exhaust the stack. A node
  // someone still holds keeps its own children.
  std::vector<XmlDomNodePtr> pending;
  auto takeChildren = [&pending](CXmlDomNode& node) {
    XmlDomNodePtr child = std::move(node.m_firstChild);
    while (child) {
      XmlDomNodePtr next = std::move(child->m_next);
      pending.push_back(std::move(child));
      child = std::move(next);
    }
  };
  takeChildren(*this);
  while (!pending.empty()) {
    XmlDomNodePtr node = std::move(pending.back());
    pending.pop_back();
    if (node.use_count() == 1) takeChildren(*node);
  }
}

HRESULT CXmlDomNode::get_baseName(std::wstring& name) const {
  name.clear();
  if (m_type != XmlDomNodeType::Element) return S_OK;
  size_t colon = m_name.find(L':');
  name = colon == std::wstring::npos ? m_name : m_name.substr(colon + 1);
  return S_OK;
}

void CXmlDomNode::AppendText(std::wstring& out) const {
  // Document order with a stack of the siblings still to visit, not the call stack.
  std::vector<const CXmlDomNode*> resume;
  const CXmlDomNode* c = m_firstChild.get();
  while (c || !resume.empty()) {
    if (!c) {
      c = resume.back();
      resume.pop_back();
      continue;
    }
    if (c->m_type == XmlDomNodeType::Text) {
      out += c->m_value;
    } else if (c->m_type == XmlDomNodeType::Element && c->m_firstChild) {
      if (c->m_next) resume.push_back(c->m_next.get());
      c = c->m_firstChild.get();
      continue;
    }
    c = c->m_next.get();
  }
}

HRESULT CXmlDomNode::get_text(std::wstring& text) const {
  text.clear();
  if (m_type == XmlDomNodeType::Element) AppendText(text);
  else if (m_type == XmlDomNodeType::Text || m_type == XmlDomNodeType::Comment) text = m_value;
  return S_OK;
}

HRESULT CXmlDomNode::put_text(const std::wstring& text) {
  if (m_type == XmlDomNodeType::Text || m_type == XmlDomNodeType::Comment) {
    m_value = text;
    return S_OK;
  }
  if (m_type != XmlDomNodeType::Element) return E_FAIL;
  auto node = text.empty() ? nullptr : std::make_shared<CXmlDomNode>(XmlDomNodeType::Text, std::wstring(), text);
  while (m_firstChild) {
    XmlDomNodePtr child = m_firstChild;
    Unlink(child);
  }
  if (node) return appendChild(node);
  return S_OK;
}

HRESULT CXmlDomNode::get_firstChild(XmlDomNodePtr& child) const {
  child = m_firstChild;
  return child ? S_OK : S_FALSE;
}

HRESULT CXmlDomNode::get_nextSibling(XmlDomNodePtr& sibling) const {
  sibling = m_next;
  return sibling ? S_OK : S_FALSE;
}

void CXmlDomNode::Unlink(const XmlDomNodePtr& child) {
  XmlDomNodePtr prev = child->m_prev.lock();
  XmlDomNodePtr next = child->m_next;
  if (prev) prev->m_next = next;
  else m_firstChild = next;
  if (next) next->m_prev = prev;
  else m_lastChild = prev;
  child->m_next.reset();
  child->m_prev.reset();
  child->m_parent.reset();
}

HRESULT CXmlDomNode::appendChild(const XmlDomNodePtr& child, XmlDomNodePtr* appended) {
  if (appended) appended->reset();
  if (!child) return E_INVALIDARG;
  if (m_type != XmlDomNodeType::Element) return E_FAIL;
  for (const CXmlDomNode* a = this; a; a = a->m_parent.lock().get()) {
    if (a == child.get()) return E_INVALIDARG;  // would make a cycle
  }
  if (XmlDomNodePtr old = child->m_parent.lock()) old->Unlink(child);
  XmlDomNodePtr last = m_lastChild.lock();
  if (last) last->m_next = child;
  else m_firstChild = child;
  child->m_prev = last;
  m_lastChild = child;
  child->m_parent = weak_from_this();
  if (appended) *appended = child;
  return S_OK;
}

HRESULT CXmlDomNode::removeChild(const XmlDomNodePtr& child, XmlDomNodePtr* removed) {
  if (removed) removed->reset();
  if (!child || child->m_parent.lock().get() != this) return E_INVALIDARG;
  Unlink(child);
  if (removed) *removed = child;
  return S_OK;
}
