// The "Multiple Setting" dialog without its window: one NV's settings as a pattern, the choice
// of what to copy and to which NVs, written into the control's settings object. Which boxes
// were ticked is kept in the profile; the values always come from the NV.
#pragma once

#include <vector>

#include "platform/com/DispatchDriver.h"
#include "platform/win32/CString.h"

class CNetworkVariable;

class CMultiSetDlgModel {
 public:
  enum TagScope { AllTags = 0, TagsOfType = 1, TagsOfName = 2 };
  enum NodeScope { ThisNode = 0, AllNodes = 1 };

  explicit CMultiSetDlgModel(CNetworkVariable* nv);
  // Reads the NV and the stored choices.
  void OnInitDialog();
  // Closing, by OK or Cancel, stores the eight choices.
  void OnDestroy();
  // Writes the confirmed choices into the control's settings object.
  void ApplyTo(COleDispatchDriver& settings);

  // The enabling rule.
  bool IsAlwaysUseCacheEnabled() const { return m_bApplyCacheUse; }
  bool IsDataTypeEnabled() const { return m_bApplyDataType; }
  bool IsCacheTimeoutEnabled() const { return m_bApplyCacheTimeout; }
  bool IsMonitoredEnabled() const { return m_bApplyMonitoring; }
  bool IsOkEnabled() const { return m_bApplyCacheUse || m_bApplyDataType || m_bApplyCacheTimeout || m_bApplyMonitoring; }
  bool AreNodeFiltersEnabled() const { return m_nNodeScope == AllNodes; }

  // The eight stored choices.
  bool m_bApplyCacheUse = false;
  bool m_bApplyDataType = true;
  bool m_bApplyCacheTimeout = true;
  bool m_bApplyMonitoring = false;
  int m_nTagScope = AllTags;
  int m_nNodeScope = ThisNode;
  bool m_bFromThisLocation = false;
  bool m_bWithThisProgramId = false;
  // The NV's values.
  bool m_bAlwaysUseCache = false;
  LONG m_nCacheTimeout = 5000;
  bool m_bMonitored = false;
  CString m_strNvTypeName;
  CString m_strNvName;
  CString m_strDataType;
  std::vector<CString> m_dataTypeNames;

 private:
  CNetworkVariable* m_pNV;
};
