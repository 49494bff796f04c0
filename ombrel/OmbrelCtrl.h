// The Ombrel control: hands type questions to Pravel (standard types by number), Sennet (the
// user-type table per program ID and NV index) and Gorrin (user types), and answers them with
// UNVTElement objects. Every member runs inside the control's lock, which the elements share.
#pragma once

#include "foundation/shared/MyCriticalSection.h"
#include "interfaces/ombrel/OmbrelContract.h"
#include "platform/com/ComObject.h"
#include "platform/com/DispatchDriver.h"
#include "platform/com/DispatchTable.h"
#include "platform/win32/CString.h"

class UNVTElement;

class COmbrelCtrl : public CComObjectRootEx<CComSingleThreadModel>,
                    public CComCoClass<COmbrelCtrl, &CLSID_OmbrelCtrl>,
                    public IDispatchTableImpl<COmbrelCtrl>,
                    public CMyCriticalSection {
 public:
  COmbrelCtrl();
  ~COmbrelCtrl() override;

  BEGIN_COM_MAP(COmbrelCtrl)
    COM_INTERFACE_ENTRY(IDispatch)
    COM_INTERFACE_ENTRY_IID(IID_DOmbrel, IDispatch)
  END_COM_MAP()

  HRESULT FinalConstruct();
  void FinalRelease();
  const CDispatchTable& GetDispatchTable() const { return m_table; }

  // _DOmbrel.
  BOOL GetBackTypeCompatibility();
  void SetBackTypeCompatibility(BOOL bNewValue);
  CString GetVersion() { return L"1.0"; }
  LPDISPATCH GetTypeByName(const CString& typeName, const CString& pid, short selector);
  LPDISPATCH GetTypeByNVndex(short index, const CString& pid);
  LPDISPATCH GetSNVType(short snvt);
  BOOL InitializeList(const CString& pid, short selector);
  LPDISPATCH NextItem();
  BOOL UpdateItem(short index, const CString& typeName, const CString& pid, short selector);
  LPDISPATCH GetSCPType(short scpt);
  LPDISPATCH GetNVTypeByIndex(short index, const CString& pid, short selector);
  LPDISPATCH GetCPTypeByIndex(short index, const CString& pid, short selector);
  CString GetLocaleId();
  void SetLocaleId(const CString& locale);

  // For the elements (inside the lock).
  // Whether an NV type number goes to Pravel.
  BOOL UseStandardType(short index) const;
  // Puts Pravel's back-compatibility switch to the control's flag.
  void SyncPravelBackTypeComp();
  BOOL IsIncluded(short index) const { return index >= 0 && index <= 255 && m_includeTable[index]; }

  // The control's window, drawing and persistence have no container here.
  void OnDraw() {}
  void OnEnable(BOOL bEnable) { m_bEnabled = bEnable; }
  void SetModifiedFlag(BOOL bModified = TRUE) { m_bModified = bModified; }
  BOOL IsModified() const { return m_bModified; }
  static constexpr DWORD kExchangeVersion = 0x00010000;

  COleDispatchDriver m_pravel;
  COleDispatchDriver m_gorrin;
  COleDispatchDriver m_sennet;
  BOOL m_bPravelAvailable = TRUE;
  BOOL m_bSennetAvailable = TRUE;
  BOOL m_bGorrinAvailable = TRUE;
  BOOL m_bBackTypeCompatibility = FALSE;
  BYTE m_includeTable[256] = {};
  short m_nListSelector = 0;
  CString m_strListPid;
  int m_nListPosition = 0;

 private:
  void LoadIncludeTable();
  // The element's IDispatch for the client (its only reference), or null when its kind is 0.
  LPDISPATCH HandOut(UNVTElement* element);

  CDispatchTable m_table{OMBREL_PROGID};
  BOOL m_bEnabled = TRUE;
  BOOL m_bModified = FALSE;
};
