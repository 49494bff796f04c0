// The proxy of one functional block of a device, with its CPs.
#pragma once

#include <deque>

#include "lon/ConfigProperty.h"

class CLonNode;

class CLonFunctionalBlock {
 public:
  CLonFunctionalBlock(const COleDispatchDriver& block, CLonNode* node);
  CLonFunctionalBlock(const CLonFunctionalBlock&) = delete;
  CLonFunctionalBlock& operator=(const CLonFunctionalBlock&) = delete;
  ~CLonFunctionalBlock();

  CString m_strName;
  short m_nIndex = 0;
  CLonNode* m_pNode;
  std::deque<CConfigProperty*> m_cps;
};
