// The ordered list of timing settings, with the two built-ins "FTT-10" and "Powerline".
#pragma once

#include <vector>

#include "lon/TmSetting.h"

class CTmSettings {
 public:
  // The two built-ins.
  CTmSettings();
  CTmSettings(const CTmSettings&) = delete;
  CTmSettings& operator=(const CTmSettings&) = delete;
  virtual ~CTmSettings();

  // Null when that name exists.
  CTmSetting* Add(const CString& name);
  // Exact, case-sensitive; a null name throws HRESULT E_FAIL.
  CTmSetting* Find(const wchar_t* name);
  bool Remove(const wchar_t* name);
  bool RemoveUnlessBuiltIn(const wchar_t* name);
  static bool IsPowerlineSetting(const wchar_t* name);
  // The setting of that name, or "FTT-10".
  CTmSetting* FindOrDefault(const CString& name);
  void Clear();
  // Archive errors (CArchiveException) are thrown.
  bool Load(const CString& path);
  bool Save(const CString& path);
  // Load with every error caught, then the missing built-ins added; the result of Load.
  bool LoadWithDefaults(const CString& path);

  std::vector<CTmSetting*> m_settings;
  CString m_strKey;

 private:
  void AddBuiltIns();
};
