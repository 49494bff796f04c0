#include "views/models/DeviceDialogModel.h"

#include <climits>
#include <cwctype>

#include "foundation/shared/HexConversions.h"
#include "interfaces/kestrum/KestrumDispIds.h"
#include "platform/win32/MessageBox.h"
#include "project/Doc.h"
#include "views/models/ConfigViewResource.h"

bool ExchangeRangedInt(const CString& text, long long low, long long high, long long& value) {
  CString trimmed(text);
  trimmed.Trim();
  const wchar_t* p = trimmed.GetString();
  size_t i = 0;
  bool negative = false;
  if (p[i] == L'-' || p[i] == L'+') negative = p[i++] == L'-';
  // The magnitude the sign allows; past the first digit that leaves it only the digits are
  // checked, so a long input cannot overflow.
  const unsigned long long limit = negative ? (low < 0 ? 0ULL - static_cast<unsigned long long>(low) : 0ULL)
                                            : (high > 0 ? static_cast<unsigned long long>(high) : 0ULL);
  unsigned long long number = 0;
  bool digits = false;
  bool inRange = true;
  for (; p[i] != 0 && std::iswdigit(p[i]); ++i) {
    digits = true;
    if (!inRange) continue;
    const auto digit = static_cast<unsigned long long>(p[i] - L'0');
    if (number > (ULLONG_MAX - digit) / 10) {
      inRange = false;
      continue;
    }
    number = number * 10 + digit;
    if (number > limit) inRange = false;
  }
  const long long signedNumber =
      !inRange ? 0 : negative ? (number == 0 ? 0 : -static_cast<long long>(number - 1) - 1) : static_cast<long long>(number);
  if (!digits || p[i] != 0 || !inRange || signedNumber < low || signedNumber > high) {
    CString message;
    message.Format(L"Please enter an integer between %lld and %lld.", low, high);
    AfxMessageBox(message.GetString(), MB_ICONEXCLAMATION);
    return false;
  }
  value = signedNumber;
  return true;
}

CDeviceDialogModel::CDeviceDialogModel(CDeviceDialogRecord& record, CDoc* doc) : m_record(record), m_pDoc(doc) {}

bool CDeviceDialogModel::IsDomainTextValid(const CString& text) {
  const int length = text.GetLength();
  if (length == 0) return true;
  return (length == 2 || length == 6 || length == 12) && IsHexString(text, length) != 0;
}

void CDeviceDialogModel::OnInitDialog() {
  RegisterConfigViewStrings();
  m_strName = m_record.m_strName;
  m_strChannel = m_record.m_strChannel;
  m_strPort = m_record.m_strPort;
  m_strMode = m_record.m_strDbMode;
  m_strDatabase = m_record.m_strDbPath;
  CString* domain[2] = {&m_strDomain0, &m_strDomain1};
  CString* subnet[2] = {&m_strSubnet0, &m_strSubnet1};
  CString* node[2] = {&m_strNode0, &m_strNode1};
  for (int i = 0; i < 2; ++i) {
    const CLonAddress& address = m_record.m_domains[i];
    *domain[i] = address.GetDomain().ToHexText();
    subnet[i]->Format(L"%u", static_cast<unsigned>(address.m_subnet));
    node[i]->Format(L"%u", static_cast<unsigned>(address.m_node));
  }
  LONG timeout = 5000;
  if (m_pDoc != nullptr) {
    try {
      timeout = m_pDoc->m_control.GetProperty<LONG>(kestrum::ctl::kDefaultCacheTimeout);
    } catch (const COleDispatchException& e) {
      e.ReportError();
    }
  }
  m_strCacheTimeout.Format(L"%d", static_cast<int>(timeout));
}

bool CDeviceDialogModel::ReadNumbers(BYTE& subnet0, BYTE& node0, BYTE& subnet1, BYTE& node1, LONG& timeout) {
  long long value = 0;
  if (!ExchangeRangedInt(m_strNode0, 0, 127, value)) return false;
  node0 = static_cast<BYTE>(value);
  if (!ExchangeRangedInt(m_strNode1, 0, 127, value)) return false;
  node1 = static_cast<BYTE>(value);
  if (!ExchangeRangedInt(m_strSubnet0, 0, 255, value)) return false;
  subnet0 = static_cast<BYTE>(value);
  if (!ExchangeRangedInt(m_strSubnet1, 0, 255, value)) return false;
  subnet1 = static_cast<BYTE>(value);
  if (!ExchangeRangedInt(m_strCacheTimeout, 0, INT_MAX, value)) return false;
  timeout = static_cast<LONG>(value);
  return true;
}

bool CDeviceDialogModel::OnOK() {
  RegisterConfigViewStrings();
  BYTE subnet0 = 0, node0 = 0, subnet1 = 0, node1 = 0;
  LONG timeout = 0;
  if (!ReadNumbers(subnet0, node0, subnet1, node1, timeout)) return false;
  if (!IsDomainTextValid(m_strDomain0)) {
    AfxMessageBox(IDS_DOMAIN0_NOT_HEX, MB_OK);
    return false;
  }
  if (!IsDomainTextValid(m_strDomain1)) {
    AfxMessageBox(IDS_DOMAIN1_NOT_HEX, MB_OK);
    return false;
  }
  m_record.m_strName = m_strName;
  CDomainId id0, id1;
  id0.FromHexText(m_strDomain0, 0);
  id1.FromHexText(m_strDomain1, 0);
  m_record.m_domains[0] = CLonAddress(id0, subnet0, node0);
  m_record.m_domains[1] = CLonAddress(id1, subnet1, node1);
  return true;
}

void CDeviceDialogModel::OnInitAll() {
  RegisterConfigViewStrings();
  if (AfxMessageBox(IDS_INIT_ALL_TIMEOUTS, MB_YESNO | MB_ICONEXCLAMATION) != IDYES) return;
  long long value = 0;
  if (!ExchangeRangedInt(m_strCacheTimeout, 0, INT_MAX, value) || m_pDoc == nullptr) return;
  try {
    m_pDoc->m_control.SetProperty(kestrum::ctl::kDefaultCacheTimeout, VT_I4, static_cast<LONG>(value));
  } catch (const COleDispatchException& e) {
    e.ReportError();
  }
}
