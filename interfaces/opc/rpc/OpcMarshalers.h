// The OPC Data Access interfaces across a process: IOPCServer, IOPCCommon,
// IOPCBrowseServerAddressSpace, IOPCItemProperties, the group's IOPCGroupStateMgt, IOPCItemMgt,
// IOPCSyncIO, IOPCAsyncIO, IOPCAsyncIO2 and IEnumOPCItemAttributes, and the client's sinks
// IOPCDataCallback and IOPCShutdown. They live above the platform's RPC layer because their
// schemas and proxies need the OPC declarations.
#pragma once

namespace tessaly::rpc {

// Registers the OPC marshalers and the platform's (once per process).
void RegisterOpcMarshalers();

void RegisterOpcServerMarshalers();
void RegisterOpcAddressSpaceMarshalers();
void RegisterOpcGroupMarshalers();
void RegisterOpcSinkMarshalers();

}  // namespace tessaly::rpc
