// The control's one property page. There is no container to show it here, and it edits
// nothing; it is kept so the class stays registered and creatable.
#pragma once

#include "interfaces/ombrel/OmbrelContract.h"
#include "platform/com/ComObject.h"

class COmbrelPropPage : public CComObjectRootEx<CComSingleThreadModel>,
                        public CComCoClass<COmbrelPropPage, &CLSID_OmbrelPropPage>,
                        public IUnknown {
 public:
  BEGIN_COM_MAP(COmbrelPropPage)
    COM_INTERFACE_ENTRY(IUnknown)
  END_COM_MAP()

  static constexpr UINT kDialogId = 200;
  static constexpr const wchar_t* kCaption = L"General";
  static constexpr const wchar_t* kText =
      L"TODO: Place controls to manipulate properties of Ombrel Control on this dialog.";

  // Only the standard post-processing.
  void DoDataExchange() {}
};
