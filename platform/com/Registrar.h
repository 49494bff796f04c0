// Runs registry scripts in the registrar's form:
//
//   HKCR {
//     NoRemove CLSID {
//       ForceRemove {clsid} = s 'Name' {
//         InprocServer32 = s '%MODULE%' { val ThreadingModel = s 'Both' }
//       }
//     }
//   }
//
// Keys may carry a default value (= s 'text' | d 123 | b 'hex'), named values ("val Name = ..."),
// and the flags NoRemove (kept on unregister, its children are still processed), ForceRemove
// (replaced on register, removed with all it holds on unregister) and Delete (removed on
// register). Plain keys are removed on unregister once nothing the script did not write is left
// in them. %NAME% is replaced from the caller's replacements (%% is a percent sign), inside
// names and values only, so a replacement can never change the script's structure.
// A script that does not parse writes nothing; a register or unregister that fails half-way is
// undone.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/win32/ThisModule.h"

#include <map>
#include <string>

class CRegistrar {
 public:
  // %key% (case-insensitive) is replaced by item.
  HRESULT AddReplacement(LPCOLESTR key, LPCOLESTR item);
  HRESULT ClearReplacements();

  HRESULT StringRegister(LPCOLESTR script);
  HRESULT StringUnregister(LPCOLESTR script);
  // The text resource of type "REGISTRY" with this id, of the given module (then of the
  // executable); without a module, of the calling module.
  HRESULT ResourceRegister(HINSTANCE module, UINT nID);
  HRESULT ResourceUnregister(HINSTANCE module, UINT nID);
  TESSALY_MODULE_LOCAL HRESULT ResourceRegister(UINT nID) { return ResourceRegister(ThisModuleHandle(), nID); }
  TESSALY_MODULE_LOCAL HRESULT ResourceUnregister(UINT nID) { return ResourceUnregister(ThisModuleHandle(), nID); }

  // Why the last call failed ("line 3: unknown replacement %FOO%"), empty after a success.
  const std::wstring& GetErrorText() const { return m_error; }

 private:
  HRESULT Run(LPCOLESTR script, bool bRegister);

  struct NoCaseLess {
    bool operator()(const std::wstring& a, const std::wstring& b) const;
  };
  std::map<std::wstring, std::wstring, NoCaseLess> m_replacements;
  std::wstring m_error;
};
