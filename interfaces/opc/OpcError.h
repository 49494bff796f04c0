// Result codes of the OPC Data Access 1.0 and 2.0 interfaces (facility ITF) and the texts
// the server gives for them through GetErrorString.
#pragma once

#include "platform/win32/WinTypes.h"

constexpr HRESULT OPC_E_INVALIDHANDLE = static_cast<HRESULT>(0xC0040001);
constexpr HRESULT OPC_E_BADTYPE = static_cast<HRESULT>(0xC0040004);
constexpr HRESULT OPC_E_PUBLIC = static_cast<HRESULT>(0xC0040005);
constexpr HRESULT OPC_E_BADRIGHTS = static_cast<HRESULT>(0xC0040006);
constexpr HRESULT OPC_E_UNKNOWNITEMID = static_cast<HRESULT>(0xC0040007);
constexpr HRESULT OPC_E_INVALIDITEMID = static_cast<HRESULT>(0xC0040008);
constexpr HRESULT OPC_E_INVALIDFILTER = static_cast<HRESULT>(0xC0040009);
constexpr HRESULT OPC_E_UNKNOWNPATH = static_cast<HRESULT>(0xC004000A);
constexpr HRESULT OPC_E_RANGE = static_cast<HRESULT>(0xC004000B);
constexpr HRESULT OPC_E_DUPLICATENAME = static_cast<HRESULT>(0xC004000C);
constexpr HRESULT OPC_S_UNSUPPORTEDRATE = static_cast<HRESULT>(0x0004000D);
constexpr HRESULT OPC_S_CLAMP = static_cast<HRESULT>(0x0004000E);
constexpr HRESULT OPC_S_INUSE = static_cast<HRESULT>(0x0004000F);
constexpr HRESULT OPC_E_INVALIDCONFIGFILE = static_cast<HRESULT>(0xC0040010);
constexpr HRESULT OPC_E_NOTFOUND = static_cast<HRESULT>(0xC0040011);
constexpr HRESULT OPC_E_INVALID_PID = static_cast<HRESULT>(0xC0040203);

// The text for one of the codes above; null for any other code, which the caller then
// describes from the system's messages.
inline LPCWSTR OpcErrorText(HRESULT hr) {
  switch (hr) {
    case OPC_E_INVALIDHANDLE:
      return L"The value of the handle is invalid.";
    case OPC_E_BADTYPE:
      return L"The server cannot convert the data between the requested data type and the canonical data type.";
    case OPC_E_PUBLIC:
      return L"The requested operation cannot be done on a public group.";
    case OPC_E_BADRIGHTS:
      return L"The Items AccessRights do not allow the operation.";
    case OPC_E_UNKNOWNITEMID:
      return L"The item is no longer available in the server address space";
    case OPC_E_INVALIDITEMID:
      return L"The item definition doesn't conform to the server's syntax.";
    case OPC_E_INVALIDFILTER:
      return L"The filter string was not valid";
    case OPC_E_UNKNOWNPATH:
      return L"The item's access path is not known to the server.";
    case OPC_E_RANGE:
      return L"The value was out of range.";
    case OPC_E_DUPLICATENAME:
      return L"Duplicate name not allowed.";
    case OPC_S_UNSUPPORTEDRATE:
      return L"The server does not support the requested data rate but will use the closest available rate.";
    case OPC_S_CLAMP:
      return L"A value passed to WRITE was accepted but the output was clamped.";
    case OPC_S_INUSE:
      return L"The operation cannot be completed because the object still has references that exist.";
    case OPC_E_INVALIDCONFIGFILE:
      return L"The server's configuration file is an invalid format.";
    case OPC_E_NOTFOUND:
      return L"The server could not locate the requested object.";
    case OPC_E_INVALID_PID:
      return L"The server does not recognise the passed property ID.";
    default:
      return nullptr;
  }
}
