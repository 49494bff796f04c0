#include "opcserver/OpcServerPropertiesManager.h"

#include <cwchar>

#include "foundation/KxModuleVersion.h"
#include "opcserver/OpcServerResource.h"
#include "platform/com/Activation.h"

COpcServerPropertiesManager* g_pOpcServerProperties = nullptr;

COpcServerPropertiesManager::COpcServerPropertiesManager() : m_ftStartTime{0, 0} {
  CoFileTimeNow(&m_ftStartTime);
}

COpcServerPropertiesManager::~COpcServerPropertiesManager() {
  m_hComServerThread = nullptr;
  m_dwComServerThreadId = 0;
}

CString COpcServerPropertiesManager::GetVendorName() {
  RegisterOpcServerStrings();
  CString text;
  text.LoadString(IDS_OPC_VENDOR_NAME);
  return text;
}

void COpcServerPropertiesManager::GetVersion(WORD& major, WORD& minor, WORD& build) {
  ParseVersionText(GetProductVersionText(), major, minor, build);
}

void COpcServerPropertiesManager::ParseVersionText(const CString& text, WORD& major, WORD& minor, WORD& build) {
  int numbers[3] = {0, 0, 0};
  swscanf(text.GetString(), L"%d.%d.%d.", &numbers[0], &numbers[1], &numbers[2]);
  major = static_cast<WORD>(numbers[0]);
  minor = static_cast<WORD>(numbers[1]);
  build = static_cast<WORD>(numbers[2]);
}

void COpcServerPropertiesManager::CloseServerApplication() {}
