// Small shapes of calls into the control's objects that every proxy uses.
#pragma once

#include <vector>

#include "platform/com/DispatchDriver.h"

namespace lon_dispatch {
// A dispatch property (VT_DISPATCH) as a driver; empty when the control gives none.
COleDispatchDriver GetObject(COleDispatchDriver& owner, DISPID id);
// The items of a collection object behind property `id` (count property 1, item property 2
// indexed by a VT_I2 VARIANT).
std::vector<COleDispatchDriver> GetCollection(COleDispatchDriver& owner, DISPID id);
CString GetText(COleDispatchDriver& owner, DISPID id);
bool GetBool(COleDispatchDriver& owner, DISPID id);
short GetShort(COleDispatchDriver& owner, DISPID id);
LONG GetLong(COleDispatchDriver& owner, DISPID id);
// A VARIANT holding a VT_I2 (indexes are passed as VARIANTs).
VARIANT ShortVariant(short value);
}  // namespace lon_dispatch
