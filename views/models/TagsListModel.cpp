#include "views/models/TagsListModel.h"

#include "interfaces/kestrum/KestrumDispIds.h"
#include "lon/CPTreeObject.h"
#include "lon/LonDispatch.h"
#include "lon/NvTreeObject.h"

CSuperGridModel::CSortKey CTagsListModel::GetSortKey(CTreeItem* item, int column) {
  auto* object = dynamic_cast<CDefaultObject*>(ObjectOf(item));
  if (object == nullptr || (column != kColumnAddress && column != kColumnTimestamp)) return CSuperGridModel::GetSortKey(item, column);
  const int type = object->GetType();
  auto* nv = type == TreeObjectNV ? CNvTreeObject::FromObject(object) : nullptr;
  auto* cp = type == TreeObjectCP ? CCPTreeObject::FromObject(object) : nullptr;
  try {
    if (column == kColumnAddress) {
      short index = -1;  // fields are equal among themselves
      if (nv != nullptr && nv->m_pNV != nullptr) index = lon_dispatch::GetShort(nv->m_pNV->m_dispatch, kestrum::nv::kIndex);
      if (cp != nullptr && cp->m_pCP != nullptr) index = lon_dispatch::GetShort(cp->m_pCP->m_dispatch, kestrum::cp::kIndex);
      return CSortKey{{static_cast<unsigned long long>(type), static_cast<unsigned long long>(index + 0x8000)}, {}};
    }
    // No time stamp (both halves -1) sorts last.
    FILETIME stamp{0xFFFFFFFF, 0xFFFFFFFF};
    if (nv != nullptr && nv->m_pNV != nullptr) stamp = nv->GetTimestamp();
    if (cp != nullptr && cp->m_pCP != nullptr) stamp = cp->GetTimestamp();
    return CSortKey{{static_cast<unsigned long long>(stamp.dwHighDateTime) << 32 | stamp.dwLowDateTime}, {}};
  } catch (const COleDispatchException&) {
    return CSortKey{{~0ULL, ~0ULL}, {}};
  }
}
