#include "project/OTagGroup.h"

const CRuntimeClass OTagGroup::classOTagGroup = {"OTagGroup", VERSIONABLE_SCHEMA | 1, nullptr};

void OTagGroup::Serialize(CArchive& ar) {
  if (!ar.IsLoading()) return;
  ar >> m_wValue1 >> m_strName >> m_strExtra >> m_wValue2;
}
