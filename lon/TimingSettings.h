// The timing settings of the shared file timing.xml in the application's shared folder.
#pragma once

#include "lon/TmSettings.h"

class CTimingSettings : public CTmSettings {
 public:
  // Loads the shared file; a missing or broken one is rewritten from the built-ins (a broken
  // one is kept as timing.xml.bak first).
  CTimingSettings();
  // For tests: a file of one's own.
  explicit CTimingSettings(const CString& path);
  bool Save();
  CString GetPath() const { return m_strPath; }

  // The application's shared folder (common app-data, then "Norvane/Kiv2"), created.
  static CString GetSharedFolder();

 private:
  void Init();
  CString m_strPath;
};
