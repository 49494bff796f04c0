# The OPC Data Access custom interfaces across a process. A pointer parameter that may be null
# travels as a `want`/`outs` flag (out parameters) or as an unset field (strings, arrays), so the
# object answers a null exactly as it would in-process. Counts travel beside their arrays and are
# checked against them.
@0x9c313e9c8ea62b6d;

using Cxx = import "/capnp/c++.capnp";
$Cxx.namespace("tessaly::rpc::opcwire");

using Com = import "/platform/rpc/Com.capnp";

struct ItemDef {
  accessPath @0 :Text;
  itemId @1 :Text;
  active @2 :Bool;
  client @3 :UInt32;
  blob @4 :Data;
  requestedType @5 :UInt16;
}

struct ItemResult {
  server @0 :UInt32;
  canonicalType @1 :UInt16;
  accessRights @2 :UInt32;
  blob @3 :Data;
}

struct ItemState {
  client @0 :UInt32;
  timeStamp @1 :UInt64;
  quality @2 :UInt16;
  value @3 :Com.Variant;
}

struct ItemAttributes {
  accessPath @0 :Text;
  itemId @1 :Text;
  active @2 :Bool;
  client @3 :UInt32;
  server @4 :UInt32;
  accessRights @5 :UInt32;
  blob @6 :Data;
  requestedType @7 :UInt16;
  canonicalType @8 :UInt16;
  euType @9 :UInt32;
  euInfo @10 :Com.Variant;
}

struct ServerStatus {
  startTime @0 :UInt64;
  currentTime @1 :UInt64;
  lastUpdateTime @2 :UInt64;
  serverState @3 :UInt32;
  groupCount @4 :UInt32;
  bandWidth @5 :UInt32;
  majorVersion @6 :UInt16;
  minorVersion @7 :UInt16;
  buildNumber @8 :UInt16;
  vendorInfo @9 :Text;
}

interface OpcServer extends(Com.Unknown) {
  # outs: 1 server handle, 2 revised rate, 4 group.
  addGroup @0 (name :Text, active :Bool, requestedUpdateRate :UInt32, clientGroup :UInt32,
               timeBias :Int32, hasTimeBias :Bool, deadband :Float32, hasDeadband :Bool,
               lcid :UInt32, iid :Com.Guid, outs :UInt8)
      -> (hr :Int32, serverGroup :UInt32, revisedUpdateRate :UInt32, group :Com.Unknown);
  getErrorString @1 (error :Int32, locale :UInt32, want :Bool) -> (hr :Int32, text :Text);
  getGroupByName @2 (name :Text, iid :Com.Guid, want :Bool) -> (hr :Int32, group :Com.Unknown);
  getStatus @3 (want :Bool) -> (hr :Int32, status :ServerStatus);
  removeGroup @4 (serverGroup :UInt32, force :Bool) -> (hr :Int32);
  createGroupEnumerator @5 (scope :UInt32, iid :Com.Guid, want :Bool) -> (hr :Int32, enum :Com.Unknown);
}

interface OpcCommon extends(Com.Unknown) {
  setLocaleId @0 (lcid :UInt32) -> (hr :Int32);
  getLocaleId @1 (want :Bool) -> (hr :Int32, lcid :UInt32);
  # outs: 1 count, 2 array.
  queryAvailableLocaleIds @2 (outs :UInt8) -> (hr :Int32, lcids :List(UInt32));
  getErrorString @3 (error :Int32, want :Bool) -> (hr :Int32, text :Text);
  setClientName @4 (name :Text) -> (hr :Int32);
}

interface OpcGroupStateMgt extends(Com.Unknown) {
  # outs: 1 rate, 2 active, 4 name, 8 time bias, 16 deadband, 32 lcid, 64 client handle,
  # 128 server handle.
  getState @0 (outs :UInt8)
      -> (hr :Int32, updateRate :UInt32, active :Bool, name :Text, timeBias :Int32, deadband :Float32,
          lcid :UInt32, clientGroup :UInt32, serverGroup :UInt32);
  # ins: 1 rate, 2 active, 4 time bias, 8 deadband, 16 lcid, 32 client handle.
  setState @1 (ins :UInt8, wantRevised :Bool, requestedUpdateRate :UInt32, active :Bool, timeBias :Int32,
               deadband :Float32, lcid :UInt32, clientGroup :UInt32)
      -> (hr :Int32, revisedUpdateRate :UInt32);
  setName @2 (name :Text) -> (hr :Int32);
  cloneGroup @3 (name :Text, iid :Com.Guid, want :Bool) -> (hr :Int32, group :Com.Unknown);
}

interface OpcItemMgt extends(Com.Unknown) {
  # ins: 1 the first array (items, servers), 2 the second (clients, types). outs: 1 results, 2 errors.
  addItems @0 (count :UInt32, items :List(ItemDef), ins :UInt8, outs :UInt8)
      -> (hr :Int32, results :List(ItemResult), errors :List(Int32));
  validateItems @1 (count :UInt32, items :List(ItemDef), blobUpdate :Bool, ins :UInt8, outs :UInt8)
      -> (hr :Int32, results :List(ItemResult), errors :List(Int32));
  removeItems @2 (count :UInt32, servers :List(UInt32), ins :UInt8, want :Bool) -> (hr :Int32, errors :List(Int32));
  setActiveState @3 (count :UInt32, servers :List(UInt32), active :Bool, ins :UInt8, want :Bool)
      -> (hr :Int32, errors :List(Int32));
  setClientHandles @4 (count :UInt32, servers :List(UInt32), clients :List(UInt32), ins :UInt8,
                        want :Bool)
      -> (hr :Int32, errors :List(Int32));
  setDatatypes @5 (count :UInt32, servers :List(UInt32), types :List(UInt16), ins :UInt8, want :Bool)
      -> (hr :Int32, errors :List(Int32));
  createEnumerator @6 (iid :Com.Guid, want :Bool) -> (hr :Int32, enum :Com.Unknown);
}

interface EnumOpcItemAttributes extends(Com.Unknown) {
  next @0 (count :UInt32) -> (hr :Int32, items :List(ItemAttributes));
  skip @1 (count :UInt32) -> (hr :Int32);
  reset @2 () -> (hr :Int32);
  clone @3 () -> (hr :Int32, enum :EnumOpcItemAttributes);
}

interface OpcSyncIO extends(Com.Unknown) {
  # ins: 1 servers, 2 values. outs: 1 values, 2 errors.
  read @0 (source :UInt32, count :UInt32, servers :List(UInt32), ins :UInt8, outs :UInt8)
      -> (hr :Int32, values :List(ItemState), errors :List(Int32));
  write @1 (count :UInt32, servers :List(UInt32), values :List(Com.Variant), ins :UInt8, want :Bool)
      -> (hr :Int32, errors :List(Int32));
}

interface OpcDataCallback extends(Com.Unknown) {
  onDataChange @0 (transaction :UInt32, group :UInt32, masterQuality :Int32, masterError :Int32,
                   count :UInt32, clients :List(UInt32), values :List(Com.Variant),
                   qualities :List(UInt16), timeStamps :List(UInt64), errors :List(Int32)) -> (hr :Int32);
  onReadComplete @1 (transaction :UInt32, group :UInt32, masterQuality :Int32, masterError :Int32,
                     count :UInt32, clients :List(UInt32), values :List(Com.Variant),
                     qualities :List(UInt16), timeStamps :List(UInt64), errors :List(Int32)) -> (hr :Int32);
  onWriteComplete @2 (transaction :UInt32, group :UInt32, masterError :Int32, count :UInt32,
                      clients :List(UInt32), errors :List(Int32)) -> (hr :Int32);
  onCancelComplete @3 (transaction :UInt32, group :UInt32) -> (hr :Int32);
}

interface OpcShutdown extends(Com.Unknown) {
  shutdownRequest @0 (reason :Text) -> (hr :Int32);
}

interface OpcBrowseServerAddressSpace extends(Com.Unknown) {
  queryOrganization @0 (want :Bool) -> (hr :Int32, organization :UInt32);
  changeBrowsePosition @1 (direction :UInt32, position :Text) -> (hr :Int32);
  browseOpcItemIds @2 (filterType :UInt32, filter :Text, dataType :UInt16, accessRights :UInt32, want :Bool)
      -> (hr :Int32, enum :Com.EnumString);
  getItemId @3 (dataId :Text, want :Bool) -> (hr :Int32, itemId :Text);
  browseAccessPaths @4 (itemId :Text, want :Bool) -> (hr :Int32, enum :Com.EnumString);
}

interface OpcItemProperties extends(Com.Unknown) {
  # outs: 1 count, 2 ids, 4 descriptions, 8 types.
  queryAvailableProperties @0 (itemId :Text, outs :UInt8)
      -> (hr :Int32, count :UInt32, ids :List(UInt32), descriptions :List(Text), types :List(UInt16));
  # ins: 1 ids. outs: 1 values (or new item IDs), 2 errors.
  getItemProperties @1 (itemId :Text, count :UInt32, ids :List(UInt32), ins :UInt8, outs :UInt8)
      -> (hr :Int32, values :List(Com.Variant), errors :List(Int32));
  lookupItemIds @2 (itemId :Text, count :UInt32, ids :List(UInt32), ins :UInt8, outs :UInt8)
      -> (hr :Int32, itemIds :List(Text), errors :List(Int32));
}

interface OpcAsyncIO2 extends(Com.Unknown) {
  # ins: 1 servers, 2 values. outs: 1 cancel id, 2 errors.
  read @0 (count :UInt32, servers :List(UInt32), transaction :UInt32, ins :UInt8, outs :UInt8)
      -> (hr :Int32, cancelId :UInt32, errors :List(Int32));
  write @1 (count :UInt32, servers :List(UInt32), values :List(Com.Variant), transaction :UInt32, ins :UInt8,
            outs :UInt8)
      -> (hr :Int32, cancelId :UInt32, errors :List(Int32));
  refresh2 @2 (source :UInt32, transaction :UInt32, want :Bool) -> (hr :Int32, cancelId :UInt32);
  cancel2 @3 (cancelId :UInt32) -> (hr :Int32);
  setEnable @4 (enable :Bool) -> (hr :Int32);
  getEnable @5 (want :Bool) -> (hr :Int32, enable :Bool);
}

interface OpcAsyncIO extends(Com.Unknown) {
  # Results arrive as streams through the group's IDataObject advise sink of the connection.
  # ins: 1 servers, 2 values. outs: 1 transaction id, 2 errors.
  read @0 (connection :UInt32, source :UInt32, count :UInt32, servers :List(UInt32), ins :UInt8, outs :UInt8)
      -> (hr :Int32, transaction :UInt32, errors :List(Int32));
  write @1 (connection :UInt32, count :UInt32, servers :List(UInt32), values :List(Com.Variant), ins :UInt8,
            outs :UInt8)
      -> (hr :Int32, transaction :UInt32, errors :List(Int32));
  refresh @2 (connection :UInt32, source :UInt32, want :Bool) -> (hr :Int32, transaction :UInt32);
  cancel @3 (transaction :UInt32) -> (hr :Int32);
}
