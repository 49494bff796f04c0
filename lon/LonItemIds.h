// The OPC item IDs of NVs and CPs: the node's address in its first domain, then the indexes.
#pragma once

#include "foundation/LonAddress.h"
#include "platform/com/DispatchDriver.h"
#include "platform/win32/CString.h"

// Reads a domain object of a node (indexed property 18) into an address.
CLonAddress ReadDomainAddress(COleDispatchDriver& node, short index);
// The domain ID as upper-case hex of its length (empty for length 0).
CString DomainText(const CLonAddress& address);

CString FormatNvItemId(const CLonAddress& address, int nvIndex);
CString FormatNvCpItemId(const CLonAddress& address, int nvIndex, int cpIndex);
CString FormatBlockCpItemId(const CLonAddress& address, int blockIndex, int cpIndex);
// Node CPs are numbered after the node's NVs.
CString FormatNodeCpItemId(const CLonAddress& address, int nvCount, int cpIndex);
