// Values on the wire: GUIDs, FILETIMEs, strings, VARIANTs, HRESULTs from exceptions, and the
// bounds every message from the far end is checked against. A decoder that meets a value out of
// bounds throws CMalformed; the stub then closes that connection.
#pragma once

#include <capnp/list.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/com/ComTypes.h"
#include "platform/rpc/Com.capnp.h"

namespace kj {
class Exception;
}

namespace tessaly::rpc {

// Bounds of what one call may carry.
constexpr size_t kMaxTextBytes = 64 * 1024;  // a name, an item ID, a BSTR value
constexpr size_t kMaxListItems = 1 << 20;    // items in one call
constexpr int kMaxVariantDepth = 4;          // arrays of VARIANTs inside VARIANTs

class CMalformed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void EncodeGuid(wire::Guid::Builder b, REFGUID g);
GUID DecodeGuid(wire::Guid::Reader r);

inline uint64_t FileTimeToWire(const FILETIME& ft) {
  return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
inline FILETIME FileTimeFromWire(uint64_t v) {
  return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFFu), static_cast<DWORD>(v >> 32)};
}

std::string TextToWire(const wchar_t* s);  // null is empty
std::string TextToWire(const wchar_t* s, size_t length);
// Checked against kMaxTextBytes.
std::wstring TextFromWire(capnp::Text::Reader t);
// A CoTaskMemAlloc'd copy (caller's process allocates, as COM has it); null when out of memory.
LPWSTR CoTaskTextFromWire(capnp::Text::Reader t);
LPWSTR CoTaskStrDup(const std::wstring& s);

// The count a list must have: throws CMalformed when it differs or is beyond kMaxListItems.
void CheckCount(size_t listSize, uint32_t count, const char* what);
void CheckBound(size_t listSize, const char* what);

// VT_BYREF values are sent by value. Types that cannot travel give DISP_E_BADVARTYPE.
HRESULT EncodeVariant(wire::Variant::Builder b, const VARIANT& v);
// The words n VARIANTs take as a list in a message, their text included: a message sized by it
// up front is built and read in one segment (array contents beyond their structs are left out).
uint64_t VariantListWords(const VARIANT* values, size_t n, size_t stride = sizeof(VARIANT));
// The words of a list of n elements of `bits` each (its tag word not counted).
constexpr uint64_t ListWords(size_t n, unsigned bits) { return (static_cast<uint64_t>(n) * bits + 63) / 64; }
// Into an initialised (empty) VARIANT; throws CMalformed for a value that is not well formed.
void DecodeVariant(wire::Variant::Reader r, VARIANT* out);

// DISCONNECTED gives RPC_E_DISCONNECTED; anything else RPC_E_SERVERFAULT.
HRESULT HresultFromException(const kj::Exception& e);

}  // namespace tessaly::rpc
