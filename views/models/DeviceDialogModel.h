// The "Device Properties" dialog without its window: the project's name, its LON access and
// start-up texts, the host's address in domains 0 and 1, and the NVs' default cache timeout.
// The window exchanges the texts of its fields with this; OnOK checks them.
#pragma once

#include "platform/win32/CString.h"
#include "project/DocHost.h"

class CDoc;

class CDeviceDialogModel {
 public:
  CDeviceDialogModel(CDeviceDialogRecord& record, CDoc* doc);
  // Fills the fields from the record and reads the default cache timeout (5000 without a document).
  void OnInitDialog();
  // Checks the fields; false keeps the dialog open (after the message). True writes the record.
  bool OnOK();
  // "Init all NVs with default.": after the question, when the timeout is valid, the control
  // gives every NV that timeout.
  void OnInitAll();

  CString m_strName, m_strChannel, m_strPort, m_strMode, m_strDatabase;
  CString m_strDomain0, m_strSubnet0, m_strNode0;
  CString m_strDomain1, m_strSubnet1, m_strNode1;
  CString m_strCacheTimeout;

  // A domain ID of 2, 6 or 12 hex digits, or empty.
  static bool IsDomainTextValid(const CString& text);

 private:
  // The numbers within their ranges, each refused with the range message.
  bool ReadNumbers(BYTE& subnet0, BYTE& node0, BYTE& subnet1, BYTE& node1, LONG& timeout);

  CDeviceDialogRecord& m_record;
  CDoc* m_pDoc;
};

// A dialog field's integer within [low, high]; false, after the standard message, when it is
// no such number.
bool ExchangeRangedInt(const CString& text, long long low, long long high, long long& value);
