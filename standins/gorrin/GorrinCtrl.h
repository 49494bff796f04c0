// The Gorrin stand-in: finds user types of a device program ID and selector (and the standard
// NV and CP types) by name or number and hands out one type element per request.
#pragma once

#include "interfaces/gorrin/GorrinContract.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchTable.h"

#include <string>

struct NvTypeDef;

class CGorrinCtrl : public CComObjectRootEx<CComMultiThreadModel>,
                    public CComCoClass<CGorrinCtrl, &CLSID_GorrinCtrl>,
                    public IDispatchTableImpl<CGorrinCtrl> {
 public:
  CGorrinCtrl();

  BEGIN_COM_MAP(CGorrinCtrl)
    COM_INTERFACE_ENTRY(IDispatch)
  END_COM_MAP()

  const CDispatchTable& GetDispatchTable() const { return m_table; }

 private:
  static CComPtr<IDispatch> MakeElement(const NvTypeDef* def, short selector);

  CDispatchTable m_table{GORRIN_PROGID};
  std::wstring m_localeId = L"en-US";
};
