// The device tree object of a node (type 5) or a router (type 6).
#pragma once

#include "lon/DefaultObject.h"
#include "lon/LonNode.h"

class CNodeTreeObject : public CDefaultObject {
 public:
  // Null without a node.
  static CNodeTreeObject* Create(CLonNode* node);
  static CNodeTreeObject* FromObject(CTreeObject* object);
  void FillProperties(CPropertyList& list) override;
  bool OnPropertyChanged(int id, const COleVariant& value) override;
  void ShowStatus();
  void ReplaceNode();

  CLonNode* m_pNode = nullptr;
};
