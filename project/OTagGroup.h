// The tag-group record of older project files; its name is the project's root name.
#pragma once

#include "platform/afx/Archive.h"
#include "platform/afx/Object.h"

class OTagGroup : public CObject {
 public:
  OTagGroup() = default;

  static const CRuntimeClass classOTagGroup;  // "OTagGroup", VERSIONABLE_SCHEMA | 1

  // Loading reads the four fields; storing writes nothing (older files are only read).
  virtual void Serialize(CArchive& ar);

  CString GetName() const { return m_strName; }
  void SetName(const CString& name) { m_strName = name; }

  WORD m_wValue1 = 0;
  CString m_strName;
  CString m_strExtra;
  WORD m_wValue2 = 1;
};
