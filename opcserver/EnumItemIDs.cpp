#include "opcserver/EnumItemIDs.h"

#include <list>
#include <memory>
#include <unordered_set>

#include "interfaces/opc/OpcDa.h"
#include "lon/OPCTag.h"
#include "lon/OPCTagsBranch.h"
#include "opcserver/MatchPattern.h"
#include "platform/com/DispatchDriver.h"

bool CEnumItemIDs::PassesTagFilter(COPCTag* tag, VARTYPE dataType, DWORD accessRights) {
  if (dataType != VT_EMPTY && tag->GetCanonicalType() != dataType) return false;
  if (!tag->IsBrowseVisible()) return false;
  return accessRights == 0 || (tag->GetAccessRights() & accessRights) != 0;
}

std::vector<std::wstring> CEnumItemIDs::Collect(COPCTagsBranch* branch, DWORD browseType, const CString& filter,
                                                VARTYPE dataType, DWORD accessRights) {
  std::vector<std::wstring> texts;
  if (!branch) return texts;
  auto take = [&](const CString& text) {
    if (filter.IsEmpty() || MatchPattern(text.GetString(), filter.GetString())) texts.emplace_back(text.GetString());
  };
  if (browseType == OPC_BRANCH) {
    std::list<COPCTagsBranch*> children;
    branch->ListChildBranches(children);
    for (COPCTagsBranch* child : children) take(child->GetName());
  } else if (browseType == OPC_LEAF || browseType == OPC_FLAT) {
    std::list<COPCTag*> tags;
    branch->ListTags(tags, browseType);
    // A functional block's points sit in the block's branch and in their device's; a flat list
    // names each item ID once.
    std::unordered_set<std::wstring> seen;
    for (COPCTag* tag : tags) {
      try {
        if (!PassesTagFilter(tag, dataType, accessRights)) continue;
        CString text = browseType == OPC_LEAF ? tag->GetItemID() : tag->GetName();
        if (browseType == OPC_FLAT && !seen.insert(text.GetString()).second) continue;
        take(text);
      } catch (const COleDispatchException&) {
        // A data point the control cannot describe is left out; the others are still listed.
      }
    }
  }
  return texts;
}

HRESULT CEnumItemIDs::Create(std::vector<std::wstring> texts, IEnumString** ppEnum) {
  if (!ppEnum) return E_POINTER;
  *ppEnum = nullptr;
  auto shared = std::make_shared<const std::vector<std::wstring>>(std::move(texts));
  return CComObject<CEnumItemIDs>::CreateInstance(IID_IEnumString, reinterpret_cast<void**>(ppEnum),
                                                  std::move(shared), size_t{0});
}
