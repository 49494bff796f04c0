// A typed tree object that fills the properties pane, takes edits made there and shows its
// own dialog.
#pragma once

#include <vector>

#include "lon/PropertyRow.h"
#include "lon/TreeObject.h"

enum TreeObjectType {
  TreeObjectPlain = 0,
  TreeObjectDeviceRoot = 1,
  TreeObjectNode = 5,
  TreeObjectRouter = 6,
  TreeObjectBlock = 7,
  TreeObjectNV = 8,
  TreeObjectCP = 9,
  TreeObjectField = 10,
  TreeObjectOpcServer = 11,
  TreeObjectOpcGroup = 12,
  TreeObjectOpcItem = 13,
  TreeObjectOpcRoot = 14,
};

class CDefaultObject : public CTreeObjectT<CDefaultObject>, public CTreeObject {
 public:
  CDefaultObject() = default;
  explicit CDefaultObject(const wchar_t* name, int type = TreeObjectPlain);

  CTreeObject* CreateObject(const wchar_t* name) override { return CreateNew(name); }

  virtual int GetType() { return m_nType; }
  // Default: group "Misc" with a read-only "Name".
  virtual void FillProperties(CPropertyList& list);
  // True when the object took the edit. Default: refused.
  virtual bool OnPropertyChanged(int id, const COleVariant& value);
  // Default: the properties pane is shown; 2.
  virtual int ShowProperties();

  int m_nType = TreeObjectPlain;
};

// Rows common to a selection, in the order the user selected: only when all objects are NVs or
// all are CPs; the values are the first selected object's.
void FillSelectionProperties(const std::vector<CTreeObject*>& selection, CPropertyList& list);
