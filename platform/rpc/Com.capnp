# The COM interfaces and types that cross a process: every interface extends Unknown, HRESULTs
# travel as values, FILETIMEs as 64-bit numbers.
@0xb1ffef7f55c60355;

using Cxx = import "/capnp/c++.capnp";
$Cxx.namespace("tessaly::rpc::wire");

struct Guid {
  # The 16 bytes of the GUID in memory order.
  low @0 :UInt64;
  high @1 :UInt64;
}

struct Variant {
  vt @0 :UInt16;
  union {
    empty @1 :Void;
    signed @2 :Int64;      # I1, I2, I4, I8, INT, ERROR, BOOL, CY (its 64-bit integer)
    unsigned @3 :UInt64;   # UI1, UI2, UI4, UI8, UINT
    real @4 :Float64;      # R4, R8, DATE
    text @5 :Text;         # BSTR
    array @6 :VariantArray;  # vt has VT_ARRAY set
  }
}

struct VariantArray {
  # One dimension; every element has the array's element type.
  lowerBound @0 :Int32;
  elements @1 :List(Variant);
}

interface Unknown {
  queryInterface @0 (iid :Guid) -> (hr :Int32, object :Unknown);
  # The proxy's last Release: the server lets go of the object before it answers, as COM's
  # Release does.
  release @1 () -> ();
}

interface ClassFactory extends(Unknown) {
  createInstance @0 (iid :Guid) -> (hr :Int32, object :Unknown);
  lockServer @1 (lock :Bool) -> (hr :Int32);
}

interface EnumString extends(Unknown) {
  next @0 (count :UInt32) -> (hr :Int32, items :List(Text));
  skip @1 (count :UInt32) -> (hr :Int32);
  reset @2 () -> (hr :Int32);
  clone @3 () -> (hr :Int32, enum :EnumString);
}

interface EnumUnknown extends(Unknown) {
  next @0 (count :UInt32) -> (hr :Int32, items :List(Unknown));
  skip @1 (count :UInt32) -> (hr :Int32);
  reset @2 () -> (hr :Int32);
  clone @3 () -> (hr :Int32, enum :EnumUnknown);
}

struct ConnectData {
  sink :union {
    none @0 :Void;
    object @1 :Unknown;
  }
  cookie @2 :UInt32;
}

interface EnumConnections extends(Unknown) {
  next @0 (count :UInt32) -> (hr :Int32, items :List(ConnectData));
  skip @1 (count :UInt32) -> (hr :Int32);
  reset @2 () -> (hr :Int32);
  clone @3 () -> (hr :Int32, enum :EnumConnections);
}

interface EnumConnectionPoints extends(Unknown) {
  next @0 (count :UInt32) -> (hr :Int32, items :List(ConnectionPoint));
  skip @1 (count :UInt32) -> (hr :Int32);
  reset @2 () -> (hr :Int32);
  clone @3 () -> (hr :Int32, enum :EnumConnectionPoints);
}

interface ConnectionPoint extends(Unknown) {
  getConnectionInterface @0 () -> (hr :Int32, iid :Guid);
  getConnectionPointContainer @1 () -> (hr :Int32, container :ConnectionPointContainer);
  advise @2 (sink :Unknown) -> (hr :Int32, cookie :UInt32);
  unadvise @3 (cookie :UInt32) -> (hr :Int32);
  enumConnections @4 () -> (hr :Int32, enum :EnumConnections);
}

interface ConnectionPointContainer extends(Unknown) {
  enumConnectionPoints @0 () -> (hr :Int32, enum :EnumConnectionPoints);
  findConnectionPoint @1 (iid :Guid) -> (hr :Int32, point :ConnectionPoint);
}

# What a connection's far end offers: the class objects registered in its process.
interface Host {
  getClassObject @0 (clsid :Guid, iid :Guid) -> (hr :Int32, object :Unknown);
  ping @1 () -> ();
}

# What a TCP connection offers before the client proved that it knows the access key.
interface Gate {
  login @0 (accessKey :Data) -> (host :Host);
}

struct FormatEtc {
  # A registered format travels by its name: format ids are per process here.
  format @0 :UInt16;
  formatName @1 :Text;
  aspect @2 :UInt32;
  index @3 :Int32;
  tymed @4 :UInt32;
}

struct Medium {
  # TYMED_HGLOBAL: the block's bytes; TYMED_NULL: nothing.
  tymed @0 :UInt32;
  data @1 :Data;
}

interface DataObject extends(Unknown) {
  getData @0 (format :FormatEtc) -> (hr :Int32, medium :Medium);
  queryGetData @1 (format :FormatEtc) -> (hr :Int32);
  getCanonicalFormatEtc @2 (format :FormatEtc) -> (hr :Int32, canonical :FormatEtc);
  setData @3 (format :FormatEtc, medium :Medium, release :Bool) -> (hr :Int32);
  dAdvise @4 (format :FormatEtc, advf :UInt32, sink :Unknown) -> (hr :Int32, connection :UInt32);
  dUnadvise @5 (connection :UInt32) -> (hr :Int32);
}

interface AdviseSink extends(Unknown) {
  onDataChange @0 (format :FormatEtc, medium :Medium) -> ();
  onViewChange @1 (aspect :UInt32, index :Int32) -> ();
  onRename @2 () -> ();
  onSave @3 () -> ();
  onClose @4 () -> ();
}
