// The calls the document makes on the network control and its objects apart from opening and
// closing: interface items, the transmit timer, timing and node-disabling settings, domains.
// Dispatch failures raise COleDispatchException.
#pragma once

#include "foundation/LonAddress.h"
#include "lon/TmSetting.h"
#include "platform/com/DispatchDriver.h"

// Property 2 (text): an interface item's channel, a domain object's ID.
CString GetDispatchTextProperty(COleDispatchDriver& object);
// Property 3 (text): an interface item's port.
CString GetDispatchPortProperty(COleDispatchDriver& object);
void SetDispatchTextProperty(COleDispatchDriver& object, const CString& text);
// Property 1 (text).
CString GetDispatchName(COleDispatchDriver& object);
// Control property 18: the transmit-timer index.
BYTE GetTxTimerIndex(COleDispatchDriver& control);
void ApplyTimingSettings(const CTmSetting& setting, COleDispatchDriver& control);
void ApplyDisablingNodes(COleDispatchDriver& control, bool on, int timeOffset, int retry);
// The name of the interface item with that port and channel (both compared without regard to
// case); empty when none has them.
CString GetInterfaceNameByPortChannel(COleDispatchDriver& control, const CString& port, const CString& channel);
int CompareNoCase(const CString& text, const CString& other);
// A domain object of the control as an address: ID, subnet, node and in-use state.
void ReadLonAddress(COleDispatchDriver& domain, CLonAddress& address);
// Milliseconds of a transmit-timer index (above 15 counts as 15).
int TxTimerMilliseconds(int index);
