#include "lon/TreeObject.h"

#include "platform/win32/WinTypes.h"

CTreeObject::~CTreeObject() { DeleteChildren(); }

CString CTreeObject::GetName() { return m_strName; }

void CTreeObject::SetName(const wchar_t* text) { m_strName = text != nullptr ? CString(text) : CString(); }

CTreeObject* CTreeObject::FindChild(const wchar_t* name) {
  for (CTreeObject* child : m_children) {
    if (name == nullptr) throw static_cast<HRESULT>(E_FAIL);
    if (child->GetName() == name) return child;
  }
  return nullptr;
}

CString CTreeObject::GetPath() {
  if (m_pParent == nullptr) return GetName();
  return m_pParent->GetPath() + L";" + GetName();
}

CTreeObject* CTreeObject::FindByPath(const wchar_t* path) {
  if (path == nullptr) return nullptr;
  const std::wstring text(path);
  const CString name = GetName();
  int separators = 0;
  for (int i = 0; i < name.GetLength(); ++i)
    if (name[i] == L';') ++separators;
  size_t cut = std::wstring::npos;
  size_t from = 0;
  for (int i = 0; i <= separators; ++i) {
    cut = text.find(L';', from);
    if (cut == std::wstring::npos) break;
    from = cut + 1;
  }
  std::wstring head = cut == std::wstring::npos ? text : text.substr(0, cut);
  std::wstring rest = cut == std::wstring::npos ? std::wstring() : text.substr(cut + 1);
  if (name != head.c_str()) return nullptr;
  if (rest.empty()) return this;
  for (CTreeObject* child : m_children) {
    if (CTreeObject* found = child->FindByPath(rest.c_str())) return found;
  }
  return nullptr;
}

void CTreeObject::DeleteChildren() {
  std::set<CTreeObject*> children;
  children.swap(m_children);
  for (CTreeObject* child : children) delete child;
}

void CTreeObject::AddChild(CTreeObject* child) {
  if (child == nullptr) return;
  child->m_pParent = this;
  m_children.insert(child);
}

bool CTreeObject::RemoveChild(CTreeObject* child) {
  if (m_children.erase(child) == 0) return false;
  child->m_pParent = nullptr;
  return true;
}
