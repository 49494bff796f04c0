// IXMLFormatter: the dual interface of the Sennet type table. After IDispatch its vtable keeps
// the DISPID order of SennetContract.h.
#pragma once

#include "interfaces/sennet/SennetContract.h"
#include "platform/com/ComTypes.h"

struct IXMLFormatter : IDispatch {
  // S_OK when the file was loaded, S_FALSE when it could not be; the failing HRESULT when no
  // document could be made (after a message box).
  virtual HRESULT OpenFile(BSTR m_fileName) = 0;
  // S_OK; the document stays loaded.
  virtual HRESULT CloseFile() = 0;
  // Found: S_OK, *ret 1, *typeName and *selector set. Otherwise S_FALSE, *ret 0, *typeName an
  // empty string and *selector left as passed. *typeName is [out]: whatever it held is not freed.
  virtual HRESULT GetNvTypeName(BSTR pid, short index, BSTR* typeName, short* selector, LONG* ret) = 0;
  // Find or create the entry, set it and save the file. A failure HRESULT when no file is loaded
  // (the file is left untouched) or the change or the save fails.
  virtual HRESULT SetNvType(short index, BSTR typeName, BSTR pid, short selector) = 0;
  // Remove the entry when present and save the file; failures as for SetNvType.
  virtual HRESULT RemoveNvType(BSTR pid, short index) = 0;

 protected:
  ~IXMLFormatter() = default;
};
DECLARE_INTERFACE_IID(IXMLFormatter, IID_IXMLFormatter)
