#include "opcserver/OpcServerResource.h"

#include <mutex>

#include "interfaces/opc/OpcError.h"
#include "platform/win32/Resources.h"

namespace {

const StringResource kStrings[] = {
    {IDS_OPC_ACTIVE, L"Active"},
    {IDS_OPC_INACTIVE, L"Inactive"},
    {IDS_OPC_RIGHTS_RW, L"R/W"},
    {IDS_OPC_RIGHTS_R, L"R"},
    {IDS_OPC_VENDOR_NAME, L"OPC Server by Norvane GmbH"},
    {IDS_OPC_UNKNOWN_ERROR, L"Unknown error."},
    {IDS_OPC_ITEM_DATATYPE,
     L"Change requested datatype of item '%s' in group '%s', client '%s'. New datatype = %s"},
    {IDS_OPC_ADD_CLIENT, L"Add client '%s'"},
    {IDS_OPC_REMOVE_CLIENT, L"Remove client '%s'"},
    {IDS_OPC_RENAME_CLIENT, L"Rename client '%s' -> '%s'"},
    {IDS_OPC_ADD_GROUP, L"Add group '%s', client '%s'"},
    {IDS_OPC_GROUP_STATE_LINE,
     L"%s, Update rate = %d ms, Deadband = %g %%, Client handle = %d, Time bias = %d min, LCID = 0x%x"},
    {IDS_OPC_REMOVE_GROUP, L"Remove group '%s', client '%s'"},
    {IDS_OPC_GROUP_CLIENT_HANDLE, L"Change client handle of group '%s', client '%s'. Client handle = %d"},
    {IDS_OPC_GROUP_LCID, L"Change Local ID of group '%s', client '%s'. Local ID = 0x%x"},
    {IDS_OPC_GROUP_TIMEBIAS, L"Change timebias of group '%s', client '%s'. Timebias = %d"},
    {IDS_OPC_GROUP_UPDATE_RATE, L"Change update rate of group '%s', client '%s'. Update rate = %d ms"},
    {IDS_OPC_GROUP_DEADBAND, L"Change deadband of group '%s', client '%s'. Deadband = %g %%"},
    {IDS_OPC_RENAME_GROUP, L"Rename group '%s' -> '%s', client '%s'"},
    {IDS_OPC_GROUP_ACTIVE, L"Set group '%s', client '%s', as %s"},
    {IDS_OPC_SYNC_READ, L"Sync read in group '%s', client '%s'"},
    {IDS_OPC_SYNC_WRITE, L"Sync write in group '%s', client '%s'"},
    {IDS_OPC_ASYNC_READ, L"Async read in group '%s', client '%s'"},
    {IDS_OPC_ASYNC_READ_DONE, L"Async read in group '%s', client '%s' completed"},
    {IDS_OPC_ASYNC_WRITE, L"Async write in group '%s', client '%s'"},
    {IDS_OPC_ASYNC_WRITE_DONE, L"Async write in group '%s', client '%s' completed"},
    {IDS_OPC_ASYNC_CANCEL, L"Async cancel  in group '%s', client '%s'"},
    {IDS_OPC_ASYNC_CANCEL_DONE, L"Async cancel in group '%s', client '%s' completed"},
    {IDS_OPC_DATACHANGE, L"Next Datachange event in group '%s', client '%s'"},
    {IDS_OPC_OPERATION_FAILED, L"The operation failed. "},
    {IDS_OPC_ADD_ITEM, L"Add item '%s' to group '%s', client '%s'"},
    {IDS_OPC_ITEM_LINE,
     L"%s, Access Rights: %s, Canonical datatype: %s, Requested datatype: %s, Client handle: %u, Quality: "
     L"%s\nRead count: %d, Write count: %d, Poll's count: %d, Watcher updates count: %d "},
    {IDS_OPC_REMOVE_ITEM, L"Remove item '%s' from group '%s', client '%s'"},
    {IDS_OPC_ITEM_CLIENT_HANDLE,
     L"Change client handle of item '%s' in group '%s', client '%s'. New client handle = %d"},
    {IDS_OPC_ITEM_VALUE, L"Change value of item '%s' in group '%s', client '%s'. Value = %s"},
    {IDS_OPC_ITEM_QUALITY, L"Change quality of item '%s' in group '%s', client '%s'. Quality = %s"},
    {IDS_OPC_ITEM_WRITE, L"Writing of item '%s' in group '%s', client '%s'. Value = %s"},
    {IDS_OPC_ITEM_READ, L"Reading of item '%s' in group '%s', client '%s'"},
    {IDS_OPC_CLIENT_DROPPED, L"Client connection dropped: it stopped reading (%s queued)."},
};

const HRESULT kErrorCodes[] = {OPC_E_INVALIDHANDLE,   OPC_E_BADTYPE,        OPC_E_PUBLIC,   OPC_E_BADRIGHTS,
                               OPC_E_UNKNOWNITEMID,   OPC_E_INVALIDITEMID,  OPC_E_INVALIDFILTER,
                               OPC_E_UNKNOWNPATH,     OPC_E_RANGE,          OPC_E_DUPLICATENAME,
                               OPC_S_UNSUPPORTEDRATE, OPC_S_CLAMP,          OPC_S_INUSE,
                               OPC_E_INVALIDCONFIGFILE, OPC_E_NOTFOUND,     OPC_E_INVALID_PID};

}  // namespace

void RegisterOpcServerStrings() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterStringResources(kStrings);
    UINT id = IDS_OPC_ERROR_FIRST;
    for (HRESULT hr : kErrorCodes) {
      StringResource entry{id++, OpcErrorText(hr)};
      RegisterStringResources(&entry, 1);
    }
  });
}
