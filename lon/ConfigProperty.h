// The proxy of one configuration property (CP) of a device.
#pragma once

#include "lon/ConnectedOPCItemsCounter.h"
#include "lon/DataPointLink.h"
#include "platform/com/DispatchDriver.h"
#include "platform/win32/CString.h"

class CConfigProperty : public CConnectedOPCItemsCounter {
 public:
  // Writes its cookie into the control's CP object.
  CConfigProperty(const COleDispatchDriver& cp, const CString& itemId);
  CConfigProperty(const CConfigProperty&) = delete;
  CConfigProperty& operator=(const CConfigProperty&) = delete;
  ~CConfigProperty();

  // The live proxy of a cookie read from the control, or null.
  static CConfigProperty* FromCookie(DWORD cookie);
  DWORD GetCookie() const { return m_dwCookie; }

  CString GetName();
  CString GetDescription();
  // A failing put is shown with its message box; false then.
  bool SetDescription(const CString& text);
  CString GetTypeName();
  CString GetItemID() const { return m_strItemId; }
  CString GetFieldText(short field);
  VARIANT GetFieldValue(VARTYPE vt, short field);
  CString GetMemberName(short field);
  short GetFieldCount();
  bool StoreValueText();
  bool WriteField(const VARIANT& value, short field);

  // What the CP's tags hold instead of the proxy itself.
  std::shared_ptr<CDataPointLink<CConfigProperty>> GetLink() const { return m_pLink; }
  // Empties the link, waiting for its tags' calls in progress.
  void DetachLink() { m_pLink->Detach(); }

  COleDispatchDriver m_dispatch;
  CString m_strItemId;

 private:
  DWORD m_dwCookie = 0;
  std::shared_ptr<CDataPointLink<CConfigProperty>> m_pLink;
};
