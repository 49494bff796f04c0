// One item of a group, made by the group view from a copy of its statistics record to fill the
// properties pane, and deleted at once. It never looks the registry up.
#pragma once

#include "lon/DefaultObject.h"
#include "opcserver/SpyInfo.h"

class COPCItemTreeObject : public CDefaultObject {
 public:
  explicit COPCItemTreeObject(const CItemInfo& info);
  ~COPCItemTreeObject() override;

  void FillProperties(CPropertyList& list) override;

  CItemInfo m_info;
};

// The item list's orders: ordinal and case-sensitive; types by their names.
int CompareText(const CString& a, const CString& b);
int CompareVarTypeNames(VARTYPE a, VARTYPE b);
