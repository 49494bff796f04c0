// BSTR: length-prefixed, NUL-terminated wide strings from their own allocator.
//
// The byte length sits in the 4 bytes before the first character; characters are wchar_t
// (4 bytes here), so SysStringByteLen is SysStringLen * sizeof(wchar_t) for strings made from
// characters. A null BSTR is the empty string wherever a length is asked.
#pragma once

#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

// Null source gives null (no allocation), as OLE does.
BSTR SysAllocString(const OLECHAR* psz);
// Copies ui characters (embedded NULs kept); a null source gives ui zeroed characters.
BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
// len bytes copied (zeroed when psz is null), then a NUL character.
BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
// Replace *pbstr with a copy of psz (which may point into *pbstr). TRUE on success; on failure
// *pbstr is left as it was.
INT SysReAllocString(BSTR* pbstr, const OLECHAR* psz);
INT SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
void SysFreeString(BSTR bstrString);  // null is fine
UINT SysStringLen(BSTR pbstr);         // characters, without the NUL; null -> 0
UINT SysStringByteLen(BSTR bstr);      // bytes, without the NUL; null -> 0

namespace tessaly {
// A BSTR holding text (embedded NULs kept).
BSTR SysAllocStringView(std::wstring_view text);
// The text of a BSTR, its full length (null -> "").
std::wstring BstrToString(BSTR bstr);
}  // namespace tessaly
