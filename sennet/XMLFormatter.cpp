#include "sennet/XMLFormatter.h"

#include <climits>
#include <cwctype>
#include <vector>

#include "platform/com/Activation.h"
#include "platform/com/Bstr.h"
#include "platform/com/ComErrors.h"
#include "platform/win32/Format.h"
#include "platform/win32/MessageBox.h"

namespace {

std::wstring BaseName(const XmlDomNodePtr& node) {
  std::wstring name;
  if (node) node->get_baseName(name);
  return name;
}

std::wstring TextOf(const XmlDomNodePtr& node) {
  std::wstring text;
  if (node) node->get_text(text);
  return text;
}

XmlDomNodePtr FirstChild(const XmlDomNodePtr& node) {
  XmlDomNodePtr child;
  if (node) node->get_firstChild(child);
  return child;
}

XmlDomNodePtr NextSibling(const XmlDomNodePtr& node) {
  XmlDomNodePtr next;
  node->get_nextSibling(next);
  return next;
}

// atoi's reading (leading blanks, a sign, digits up to the first other character), held to the
// range of the 16-bit selector instead of wrapping.
short ParseSelector(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > SHRT_MAX + 1LL) break;
  }
  if (negative) value = -value;
  if (value > SHRT_MAX) return SHRT_MAX;
  if (value < SHRT_MIN) return SHRT_MIN;
  return static_cast<short>(value);
}

std::wstring ErrorText(HRESULT hr) {
  std::wstring text = ComErrorText(hr);
  if (text.empty()) {
    CString code;
    code.Format(L"Error 0x%08X", static_cast<ULONG>(hr));
    text = code.GetString();
  }
  return text;
}

HRESULT DefaultDocumentFactory(XmlDomDocumentPtr& document) { return CXmlDomDocument::Create(document); }

// Failures of a method reach a dispatch caller as an exception carrying the method's HRESULT.
void ThrowIfFailed(HRESULT hr) {
  if (FAILED(hr)) throw CDispatchError(ErrorText(hr), hr, SENNET_PROGID);
}

}  // namespace

CXMLFormatter::CXMLFormatter() : m_factory(&DefaultDocumentFactory), m_table(SENNET_PROGID) { BuildDispatchTable(); }

void CXMLFormatter::BuildDispatchTable() {
  m_table.AddMethod(L"OpenFile", sennet::DISPID_OPEN_FILE, [this](BSTR fileName) { ThrowIfFailed(OpenFile(fileName)); });
  m_table.AddMethod(L"CloseFile", sennet::DISPID_CLOSE_FILE, [this]() { ThrowIfFailed(CloseFile()); });
  m_table.AddMethod(L"GetNvTypeName", sennet::DISPID_GET_NV_TYPE_NAME,
                    [this](BSTR pid, short index, BSTR* typeName, short* selector) -> LONG {
                      BSTR name = nullptr;
                      LONG ret = 0;
                      HRESULT hr = GetNvTypeName(pid, index, &name, selector, &ret);
                      if (FAILED(hr)) {
                        SysFreeString(name);
                        ThrowIfFailed(hr);
                      }
                      // In/out through IDispatch: the caller's earlier string is replaced.
                      SysFreeString(*typeName);
                      *typeName = name;
                      return ret;
                    });
  m_table.AddMethod(L"SetNvType", sennet::DISPID_SET_NV_TYPE,
                    [this](short index, BSTR typeName, BSTR pid, short selector) {
                      ThrowIfFailed(SetNvType(index, typeName, pid, selector));
                    });
  m_table.AddMethod(L"RemoveNvType", sennet::DISPID_REMOVE_NV_TYPE,
                    [this](BSTR pid, short index) { ThrowIfFailed(RemoveNvType(pid, index)); });
}

HRESULT CXMLFormatter::OpenFile(BSTR m_fileNameArg) {
  COM_TRY
  XmlDomDocumentPtr doc;
  HRESULT hr = m_factory ? m_factory(doc) : E_FAIL;
  if (SUCCEEDED(hr) && !doc) hr = E_FAIL;
  if (FAILED(hr)) {
    // The earlier document, if any, stays as it was.
    AfxMessageBox(ErrorText(hr).c_str());
    return hr;
  }
  m_pDoc = std::move(doc);
  m_fileName = tessaly::BstrToString(m_fileNameArg);
  m_pRoot.reset();

  VARIANT source;
  source.vt = VT_BSTR;
  source.bstrVal = m_fileNameArg;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = m_pDoc->load(source, &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) return S_FALSE;
  m_pDoc->get_documentElement(m_pRoot);
  return m_pRoot ? S_OK : S_FALSE;
  COM_CATCH
}

HRESULT CXMLFormatter::CloseFile() { return S_OK; }

XmlDomNodePtr CXMLFormatter::FindNode(const XmlDomNodePtr& element, const std::wstring& pid, bool isRoot) {
  // Depth first in document order, with a stack of the siblings still to visit rather than
  // the call stack, however deep the tree.
  std::vector<XmlDomNodePtr> resume;
  XmlDomNodePtr current = element;
  bool start = true;
  while (current || !resume.empty()) {
    if (!current) {
      current = std::move(resume.back());
      resume.pop_back();
      continue;
    }
    XmlDomNodePtr next = NextSibling(current);
    while (next && next->Type() != XmlDomNodeType::Element) next = NextSibling(next);
    if (start) next.reset();  // the starting element's siblings are not searched
    bool descend = true;
    if (BaseName(current) == L"node") {
      XmlDomNodePtr first = FirstChild(current);
      if (BaseName(first) == L"pid" && TextOf(first) == pid) return current;
      // A non-matching node hides what it holds; only the document element is looked through,
      // since new nodes are appended to it and must be found again.
      descend = start && isRoot;
    }
    start = false;
    XmlDomNodePtr child = descend ? FirstChild(current) : nullptr;
    while (child && child->Type() != XmlDomNodeType::Element) child = NextSibling(child);
    if (child) {
      if (next) resume.push_back(std::move(next));
      current = std::move(child);
    } else {
      current = std::move(next);
    }
  }
  return nullptr;
}

XmlDomNodePtr CXMLFormatter::FindNv(const XmlDomNodePtr& node, short index) {
  const std::wstring wanted = std::to_wstring(index);
  for (XmlDomNodePtr child = FirstChild(node); child; child = NextSibling(child)) {
    if (BaseName(child) != L"nv") continue;
    XmlDomNodePtr first = FirstChild(child);
    if (BaseName(first) == L"index" && TextOf(first) == wanted) return child;
  }
  return nullptr;
}

HRESULT CXMLFormatter::GetNvTypeName(BSTR pid, short index, BSTR* typeName, short* selector, LONG* ret) {
  if (!typeName || !selector || !ret) return E_POINTER;
  *typeName = nullptr;
  COM_TRY
  *ret = 1;
  XmlDomNodePtr nv;
  if (XmlDomNodePtr node = FindNode(m_pRoot, tessaly::BstrToString(pid), true)) nv = FindNv(node, index);
  if (!nv) {
    *ret = 0;
    *typeName = SysAllocString(L"");
    return *typeName ? S_FALSE : E_OUTOFMEMORY;
  }
  std::wstring type;
  short sel = 0;
  for (XmlDomNodePtr child = FirstChild(nv); child; child = NextSibling(child)) {
    std::wstring name = BaseName(child);
    if (name == L"type") type = TextOf(child);
    else if (name == L"selector") sel = ParseSelector(TextOf(child));
  }
  *typeName = tessaly::SysAllocStringView(type);
  if (!*typeName) return E_OUTOFMEMORY;
  *selector = sel;
  return S_OK;
  COM_CATCH
}

HRESULT CXMLFormatter::Save() const {
  VARIANT destination;
  destination.vt = VT_BSTR;
  destination.bstrVal = tessaly::SysAllocStringView(m_fileName);
  if (!destination.bstrVal) return E_OUTOFMEMORY;
  HRESULT hr = m_pDoc->save(destination);
  SysFreeString(destination.bstrVal);
  return hr;
}

HRESULT CXMLFormatter::SetNvType(short index, BSTR typeName, BSTR pid, short selector) {
  // Without a document element there is nothing to add to, and nothing may be written over the
  // file.
  if (!m_pDoc || !m_pRoot) return E_FAIL;
  COM_TRY
  HRESULT hr = S_OK;
  const std::wstring pidText = tessaly::BstrToString(pid);
  XmlDomNodePtr node = FindNode(m_pRoot, pidText, true);
  if (!node) {
    // Built whole before it joins the tree, so a failure leaves no half-made entry.
    XmlDomNodePtr pidElement;
    if (FAILED(hr = m_pDoc->createElement(L"node", node))) return hr;
    if (FAILED(hr = m_pDoc->createElement(L"pid", pidElement))) return hr;
    if (FAILED(hr = pidElement->put_text(pidText))) return hr;
    if (FAILED(hr = node->appendChild(pidElement))) return hr;
    if (FAILED(hr = m_pRoot->appendChild(node))) return hr;
  }
  XmlDomNodePtr nv = FindNv(node, index);
  if (!nv) {
    XmlDomNodePtr indexElement, typeElement, selectorElement;
    if (FAILED(hr = m_pDoc->createElement(L"nv", nv))) return hr;
    if (FAILED(hr = m_pDoc->createElement(L"index", indexElement))) return hr;
    if (FAILED(hr = indexElement->put_text(std::to_wstring(index)))) return hr;
    if (FAILED(hr = m_pDoc->createElement(L"type", typeElement))) return hr;
    if (FAILED(hr = m_pDoc->createElement(L"selector", selectorElement))) return hr;
    if (FAILED(hr = nv->appendChild(indexElement))) return hr;
    if (FAILED(hr = nv->appendChild(typeElement))) return hr;
    if (FAILED(hr = nv->appendChild(selectorElement))) return hr;
    if (FAILED(hr = node->appendChild(nv))) return hr;
  }

  const std::wstring typeText = tessaly::BstrToString(typeName);
  const std::wstring selectorText = std::to_wstring(selector);
  bool typeWritten = false, selectorWritten = false;
  for (XmlDomNodePtr child = FirstChild(nv); child; child = NextSibling(child)) {
    std::wstring name = BaseName(child);
    if (name == L"type") {
      if (FAILED(hr = child->put_text(typeText))) return hr;
      typeWritten = true;
    } else if (name == L"selector") {
      if (FAILED(hr = child->put_text(selectorText))) return hr;
      selectorWritten = true;
    }
  }
  // An entry edited by hand may lack a child; the value must not be dropped silently.
  struct Missing {
    bool written;
    const wchar_t* name;
    const std::wstring& text;
  };
  for (const Missing& m : {Missing{typeWritten, L"type", typeText}, Missing{selectorWritten, L"selector", selectorText}}) {
    if (m.written) continue;
    XmlDomNodePtr element;
    if (FAILED(hr = m_pDoc->createElement(m.name, element))) return hr;
    if (FAILED(hr = element->put_text(m.text))) return hr;
    if (FAILED(hr = nv->appendChild(element))) return hr;
  }
  return Save();
  COM_CATCH
}

HRESULT CXMLFormatter::RemoveNvType(BSTR pid, short index) {
  if (!m_pDoc || !m_pRoot) return E_FAIL;
  COM_TRY
  if (XmlDomNodePtr node = FindNode(m_pRoot, tessaly::BstrToString(pid), true)) {
    if (XmlDomNodePtr nv = FindNv(node, index)) {
      if (HRESULT hr = node->removeChild(nv); FAILED(hr)) return hr;
    }
  }
  return Save();
  COM_CATCH
}
