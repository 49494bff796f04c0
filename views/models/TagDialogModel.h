// The "Tag Properties" dialog without its window: an NV's item ID (read only), description,
// data type, cache timeout and "Always use Cache".
#pragma once

#include <vector>

#include "lon/LonGuiLinks.h"

class CTagDialogModel {
 public:
  explicit CTagDialogModel(const CTagProperties& record);
  // The drop-down list's names, in table order, and the name shown at first.
  void OnInitDialog();
  // The cache timeout is editable only while "Always use Cache" is clear.
  bool IsCacheTimeoutEnabled() const { return !m_bAlwaysUseCache; }
  // Checks the fields; false (after the range message) keeps the dialog open.
  bool OnOK();
  CTagProperties GetTagProperties() const { return m_record; }

  std::vector<CString> m_dataTypeNames;
  CString m_strDescription;
  CString m_strDataType;  // the chosen name
  CString m_strCacheTimeout;
  bool m_bAlwaysUseCache = false;

 private:
  CTagProperties m_record;
  CString m_strInitialDataType;
};
