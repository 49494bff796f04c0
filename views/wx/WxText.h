// Texts between the program's strings and the toolkit's.
#pragma once

#include <wx/string.h>

#include "platform/win32/CString.h"

namespace views_wx {
inline wxString ToWx(const CString& text) { return wxString(text.GetString()); }
inline CString FromWx(const wxString& text) { return CString(text.wc_str()); }
}  // namespace views_wx
