// A node of every tree the program shows or serves: a name, a parent and owned children, kept
// in a set ordered by address (views sort for themselves).
#pragma once

#include <set>

#include "platform/afx/Object.h"
#include "platform/win32/CString.h"

class CTreeObject : public CObject {
 public:
  CTreeObject() = default;
  CTreeObject(const CTreeObject&) = delete;
  CTreeObject& operator=(const CTreeObject&) = delete;
  virtual ~CTreeObject();

  virtual CString GetName();
  virtual void SetName(const wchar_t* text);
  // A new object of the same concrete class with that name; null when allocation fails.
  virtual CTreeObject* CreateObject(const wchar_t* name) = 0;

  // First child, in set order, whose name equals `name` exactly. A null name throws
  // HRESULT E_FAIL when there is a child to compare with.
  CTreeObject* FindChild(const wchar_t* name);
  // Names from the root down, joined by ";".
  CString GetPath();
  // The path's first segment names this object (as many segments as this name has ";", plus one).
  CTreeObject* FindByPath(const wchar_t* path);
  void DeleteChildren();

  // Sets the child's parent and takes ownership; a child already here is not added twice.
  void AddChild(CTreeObject* child);
  // Takes the child out of the set without deleting it; false when it is not a child.
  bool RemoveChild(CTreeObject* child);

  std::set<CTreeObject*> m_children;
  CTreeObject* m_pParent = nullptr;
  CString m_strName;
};

// Supplies CreateObject for the concrete class T.
template <class T>
class CTreeObjectT {
 public:
  static T* CreateNew(const wchar_t* name) noexcept {
    try {
      T* object = new T();
      object->SetName(name);
      return object;
    } catch (...) {
      return nullptr;
    }
  }
};
