// The version resource of a module: product version and copyright for the About box, the
// start-up, the views and the OPC server status.
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/Resources.h"

class CKxModuleVersion : public VS_FIXEDFILEINFO {
 public:
  // The running executable's version.
  CKxModuleVersion();
  CKxModuleVersion(const CKxModuleVersion&) = delete;
  CKxModuleVersion& operator=(const CKxModuleVersion&) = delete;
  virtual ~CKxModuleVersion() = default;

  // A loaded module by name (null: the executable). False when any step fails or the fixed
  // information's signature is not 0xFEEF04BD.
  bool Load(LPCWSTR moduleName);
  // A text of the string table of the first translation; empty when missing.
  CString GetString(LPCWSTR name) const;
  // "ProductVersion" with "," as "." and no blanks ("2, 0, 17, 0" gives 2.0.17.0).
  CString GetProductVersion() const;
  CString GetLegalCopyright() const;

  WORD m_wLanguage = 0;
  WORD m_wCodePage = 1252;
  BOOL m_bValid = FALSE;
  std::vector<BYTE> m_pVersionInfo;  // the whole version block
};

CString GetProductVersionText();
CString GetCopyrightText();
