// One type element that the Gorrin stand-in hands out: the formatting of one catalogue type,
// with its own measurement system ("SI" or "US").
#pragma once

#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"
#include "standins/pravel/NvTypeCatalogue.h"

#include <string>

class CGorrinTypeElement : public CComObjectRootEx<CComMultiThreadModel>,
                           public IDispatchTableImpl<CGorrinTypeElement> {
 public:
  CGorrinTypeElement(const NvTypeDef& def, short selector);

  BEGIN_COM_MAP(CGorrinTypeElement)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  const CDispatchTable& GetDispatchTable() const { return m_table; }

 private:
  CNvTypeCodec Codec() const;

  const NvTypeDef& m_def;  // the catalogue lives as long as the library
  short m_selector;
  bool m_bUsUnits = false;
  CDispatchTable m_table;
};
