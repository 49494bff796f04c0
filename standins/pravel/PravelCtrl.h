// The Pravel stand-in: formats the standard NV types of the catalogue by type number (and raw
// data as number 0). Its back-compatibility switch selects the legacy number texts (no trailing
// zeros).
#pragma once

#include "interfaces/pravel/PravelContract.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"

class CPravelCtrl : public CComObjectRootEx<CComMultiThreadModel>,
                    public CComCoClass<CPravelCtrl, &CLSID_PravelCtrl>,
                    public IDispatchTableImpl<CPravelCtrl> {
 public:
  CPravelCtrl();

  BEGIN_COM_MAP(CPravelCtrl)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  const CDispatchTable& GetDispatchTable() const { return m_table; }

 private:
  CDispatchTable m_table{PRAVEL_PROGID};
  bool m_bBackTypeComp = false;
};
