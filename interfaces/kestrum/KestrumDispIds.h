// The network control's dispatch contract: its ProgID and class id, its event interface, and
// the DISPIDs of every object it hands out, one namespace per object kind. Tessaly calls the
// control only through these numbers; the simulated control answers all of them.
//
// Comment form per constant: the call kind (get, put, get/put, method, indexed get [index
// types]), argument types left to right, then "-> result type". Integer arguments are coerced
// the usual OLE way, so a caller may pass any integer VARTYPE that holds the value.
//
// Conventions every object keeps:
// - A lookup that can miss (an interface by name, an NV or CP by item ID, a status object)
//   answers VT_DISPATCH null, never a failure.
// - A failing call answers DISP_E_EXCEPTION with the reason in EXCEPINFO::bstrDescription
//   (COleDispatchDriver throws COleDispatchException carrying it).
// - Collections (the interface list, NVs, CPs, blocks) answer kCount and kItem; kItem takes
//   a 0-based index as VT_I2 or VT_I4, the interface list also a name as VT_BSTR
//   (case-insensitive). An index out of range fails with DISP_E_BADINDEX.
// - Cookies (nv::kCookie, nv::kMonitorCookie, cp::kCookie) are opaque 32-bit numbers the
//   caller stores; the control never interprets them except that a monitor cookie of 0 means
//   "not monitored". Hand the control handles from a table, never pointers.
// - Time stamps (nv::kGetTimestamp, cp::kGetTimestamp) are FILETIME (UTC, 100 ns since
//   1601). The out-parameter is, preferably, one by-reference VT_UI8 or VT_I8 that receives
//   the whole 64-bit value. The older form, a by-reference VT_I4 pointing at a FILETIME, is
//   accepted only with a second argument, VT_I4, giving the size of the buffer in bytes: with
//   8 or more both 32-bit halves are written (dwLowDateTime first); with less, or without the
//   size, nothing is written and the call fails (DISP_E_EXCEPTION, scode DISP_E_TYPEMISMATCH
//   or DISP_E_BADPARAMCOUNT), since a pointer alone cannot tell the control how much it may
//   write. When no time stamp is known yet (never read) the buffer is left as it was.
// - Status (nv::kStatus, cp::kStatus): kStatusGood, kStatusUncertain, anything else bad.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/Guid.h"

namespace kestrum {

inline constexpr const wchar_t* kProgId = L"KESTRUM.KESTRUMCtrl.3";
inline constexpr const wchar_t* kVersionIndependentProgId = L"KESTRUM.KESTRUMCtrl";

// The control's class, its event (source) interface, and the simulation interface of the
// stand-in (declared in KestrumSimulation.h).
DEFINE_GUID_TEXT(CLSID_KestrumCtrl, "2C3F6535-8772-460C-8FB4-2235CA816EB5");
DEFINE_GUID_TEXT(DIID_KestrumEvents, "12E6A3FD-4763-47AA-BFFB-D0046F02C1C8");
DEFINE_GUID_TEXT(IID_IKestrumSimulation, "5056847E-5ECC-4BE7-BB8D-10BADB4EC970");

// Values of nv::kStatus / cp::kStatus.
constexpr LONG kStatusGood = 0;
constexpr LONG kStatusOffline = 1;    // the device did not answer (offline)
constexpr LONG kStatusUncertain = 2;  // not read from the device yet, or forced so
constexpr LONG kStatusInactive = 3;   // the device is switched inactive (node::kActive FALSE)

// Database modes of ctl::kOpen.
constexpr LONG kModeAuto = 0;
constexpr LONG kModeSimulate = 1;
constexpr LONG kModeUploadAll = 2;
constexpr LONG kModeUploadNew = 3;

// ---- the control ----------------------------------------------------------------------
namespace ctl {
constexpr DISPID kHostInterface = 1;          // put VT_DISPATCH (an interface item or null): the host application's interface
constexpr DISPID kNetwork = 2;                // get -> VT_DISPATCH: the network object
constexpr DISPID kDefaultCacheTimeout = 5;    // get/put VT_I4 (ms); a put gives every NV of the open database that timeout
constexpr DISPID kDebugTrace = 6;             // get/put VT_BOOL
constexpr DISPID kBackTypeCompatibility = 7;  // get/put VT_BOOL
constexpr DISPID kFireEvents = 8;             // get/put VT_BOOL (TRUE at creation): while FALSE, events are dropped
constexpr DISPID kOpen = 9;                   // method (VT_I4 mode, VT_BSTR path) -> VT_I4: 0 opened; non-zero: missing or unreadable file, unknown mode
constexpr DISPID kDeleteNode = 10;            // method (VT_BSTR Neuron ID) -> none; the device leaves the database
constexpr DISPID kClose = 11;                 // method () -> VT_I4 (0); closes the database, objects handed out stop answering
constexpr DISPID kHostConfig = 12;            // get -> VT_DISPATCH: the host/configuration object
constexpr DISPID kInterfaces = 13;            // get -> VT_DISPATCH: the network-interface collection
constexpr DISPID kOption = 14;                // indexed get/put [VT_BSTR name] VT_I4: named options ("TxAuxilliaryWaitTime", "UseSelfDoc"); unknown names read 0
constexpr DISPID kUseAuthentication = 16;     // get/put VT_BOOL
constexpr DISPID kServerInstance = 17;        // get/put VT_UI1 (0 to 16)
constexpr DISPID kTxTimer = 18;               // get -> VT_UI1: transmit-timer index 0..15
constexpr DISPID kRetryCount = 19;            // get -> VT_UI1: retry count 0..15
constexpr DISPID kRepeatTimer = 20;           // get -> VT_UI1: repeat-timer index 0..15
constexpr DISPID kSubnetNodeAddressing = 21;  // get/put VT_BOOL
constexpr DISPID kParallelTransactions = 22;  // get/put VT_UI1: count of parallel transactions (1..255)
constexpr DISPID kThrottle = 23;              // get/put VT_UI4 (ms)
constexpr DISPID kSetTimers = 24;             // method (VT_UI1 repeat timer, VT_UI1 retry, VT_UI1 tx timer) -> none; each 0..15
constexpr DISPID kCreateDatabase = 25;        // method (VT_BSTR path) -> VT_ERROR: 0 created; an existing file is never overwritten
constexpr DISPID kMultiSetting = 26;          // get -> VT_DISPATCH: a new, empty multi-setting object (namespace ms)
constexpr DISPID kApplyMultiSetting = 27;     // method (VT_DISPATCH multi-setting object) -> VT_BOOL: TRUE when it was applied
constexpr DISPID kServicePinReporting = 28;   // get/put VT_BOOL (FALSE at creation): report service pins by evt::kServicePin
constexpr DISPID kInterfaceStatistics = 29;   // get -> VT_DISPATCH: the interface statistics object (namespace vni)
constexpr DISPID kReportChangesOnly = 30;     // get/put VT_BOOL (TRUE at creation): monitoring reports only real value changes
constexpr DISPID kPumpEvents = 1000;          // method () -> VT_I4: on the creating thread, delivers the events waiting now; their count
                                              //   (needed while the control's library keeps its own message layer; see KestrumCtrl.h)
constexpr DISPID kAboutBox = -552;            // method () -> none (DISPID_ABOUTBOX)
}  // namespace ctl

// ---- collections (interfaces, NVs, CPs, functional blocks) ---------------------------------
namespace coll {
constexpr DISPID kCount = 1;  // get -> VT_I2
constexpr DISPID kItem = 2;   // indexed get [VT_I2 | VT_I4 index, or VT_BSTR name for interfaces] -> VT_DISPATCH
}  // namespace coll

// ---- a network-interface item --------------------------------------------------------------
namespace ifc {
constexpr DISPID kName = 1;     // get -> VT_BSTR
constexpr DISPID kChannel = 2;  // get -> VT_BSTR (channel type, "FTT-10")
constexpr DISPID kPort = 3;     // get -> VT_BSTR (port, "LON1")
}  // namespace ifc

// ---- the host/configuration object -----------------------------------------------------------
namespace host {
constexpr DISPID kName = 1;                 // get -> VT_BSTR: the name of the selected interface ("" when none)
constexpr DISPID kDomain = 2;               // indexed get [VT_I2 0|1] -> VT_DISPATCH: a copy of the host's domain (namespace domain);
                                            // indexed put [VT_I2 0|1] VT_DISPATCH: takes over the values of such an object
constexpr DISPID kNetworkInterface = 3;     // get/put VT_DISPATCH: the selected interface item (put null to clear)
constexpr DISPID kDisablingNodes = 7;       // get/put VT_BOOL: automatic disabling of silent nodes
constexpr DISPID kDisablingTimeOffset = 8;  // get/put VT_UI4 (s)
constexpr DISPID kDisablingRetry = 9;       // get/put VT_UI2
constexpr DISPID kStatus = 10;              // get -> VT_DISPATCH: status object of the selected interface (namespace status), null when none
constexpr DISPID kClearStatus = 11;         // method () -> VT_BOOL
constexpr DISPID kStatistics = 12;          // get -> VT_DISPATCH: the interface's statistics object (namespace stats)
}  // namespace host

// ---- a domain address (of the host or of a node) ---------------------------------------------
namespace domain {
constexpr DISPID kId = 2;      // get/put VT_BSTR: domain ID as hex text of 0, 1, 3 or 6 bytes
constexpr DISPID kSubnet = 4;  // get/put VT_I2 (1..255)
constexpr DISPID kNode = 5;    // get/put VT_I2 (1..127)
constexpr DISPID kInUse = 6;   // get/put VT_BOOL: the domain is in use
}  // namespace domain

// ---- status of a node, a router side or the interface ------------------------------------------
namespace status {
constexpr DISPID kErrorLog = 1;            // get -> VT_BSTR
constexpr DISPID kLostMessages = 2;        // get -> VT_I4
constexpr DISPID kMissedMessages = 3;      // get -> VT_I4
constexpr DISPID kModelNumber = 4;         // get -> VT_BSTR
constexpr DISPID kRcvTransactionFull = 5;  // get -> VT_I4
constexpr DISPID kResetCause = 6;          // get -> VT_BSTR
constexpr DISPID kNodeState = 7;           // get -> VT_BSTR
constexpr DISPID kTransactionTimeouts = 8; // get -> VT_I4
constexpr DISPID kVersionNumber = 9;       // get -> VT_I4
constexpr DISPID kTransmitErrors = 10;     // get -> VT_I4
}  // namespace status

// ---- statistics of the interface (host::kStatistics) -------------------------------------------
namespace stats {
constexpr DISPID kTransmissionErrors = 1;   // get -> VT_UI4
constexpr DISPID kTransactionTimeouts = 2;  // get -> VT_UI4
constexpr DISPID kRcvTransactionFull = 3;   // get -> VT_UI4
constexpr DISPID kLostMessages = 4;         // get -> VT_UI4
constexpr DISPID kMissedMessages = 5;       // get -> VT_UI4
constexpr DISPID kLayer2Received = 6;       // get -> VT_UI4
constexpr DISPID kLayer3Received = 7;       // get -> VT_UI4
constexpr DISPID kLayer3Transmitted = 8;    // get -> VT_UI4
constexpr DISPID kTransmitRetries = 9;      // get -> VT_UI4
constexpr DISPID kBacklogOverflows = 10;    // get -> VT_UI4
constexpr DISPID kLateAcknowledgements = 11;// get -> VT_UI4
constexpr DISPID kCollisions = 12;          // get -> VT_UI4
constexpr DISPID kEepromLocks = 13;         // get -> VT_UI2
}  // namespace stats

// ---- the interface statistics object (ctl::kInterfaceStatistics) --------------------------------
namespace vni {
constexpr DISPID kInvalidResponses = 1;  // get -> VT_I4
constexpr DISPID kReset = 2;             // method () -> none: counters back to 0
}  // namespace vni

// ---- the network object --------------------------------------------------------------------
namespace net {
constexpr DISPID kNodeCount = 1;  // get -> VT_I2
constexpr DISPID kNvByItemId = 3; // method (VT_BSTR item ID) -> VT_DISPATCH (null when no such NV)
constexpr DISPID kNode = 5;       // indexed get [VT_I2 | VT_I4 index] -> VT_DISPATCH
constexpr DISPID kCpByItemId = 7; // method (VT_BSTR item ID) -> VT_DISPATCH (null when no such CP)
}  // namespace net

// ---- a node (device or router) ---------------------------------------------------------------
namespace node {
constexpr DISPID kLocation = 1;           // get -> VT_BSTR
constexpr DISPID kName = 2;               // get -> VT_BSTR
constexpr DISPID kNvs = 3;                // get -> VT_DISPATCH: collection of NVs
constexpr DISPID kNeuronId = 4;           // get -> VT_BSTR: 12 hex digits
constexpr DISPID kProgramId = 5;          // get -> VT_BSTR: 16 hex digits
constexpr DISPID kActive = 8;             // get/put VT_BOOL: device active (kept in the database)
constexpr DISPID kIsRouter = 9;           // get -> VT_BOOL
constexpr DISPID kRouter = 10;            // get -> VT_DISPATCH: router object (namespace router), null for a plain node
constexpr DISPID kBlocks = 11;            // get -> VT_DISPATCH: collection of functional blocks
constexpr DISPID kCps = 12;               // get -> VT_DISPATCH: collection of the node's own CPs
constexpr DISPID kClearStatus = 16;       // method () -> VT_BOOL
constexpr DISPID kReplace = 17;           // method (VT_BSTR new Neuron ID) -> VT_I2 (0); the device keeps its place
constexpr DISPID kDomain = 18;            // indexed get [VT_I2 0|1] -> VT_DISPATCH: a copy of that domain address (namespace domain)
constexpr DISPID kStatus = 19;            // get -> VT_DISPATCH: status object (namespace status), null while offline
constexpr DISPID kInvertsDirection = 20;  // get -> VT_BOOL: directions are inverted as seen from the host
}  // namespace node

// ---- a router (node::kRouter) and one of its sides ----------------------------------------------
namespace router {
constexpr DISPID kNearSide = 1;  // get -> VT_DISPATCH (namespace side)
constexpr DISPID kFarSide = 2;   // get -> VT_DISPATCH (namespace side)
}  // namespace router
namespace side {
constexpr DISPID kStatus = 4;       // get -> VT_DISPATCH (namespace status)
constexpr DISPID kClearStatus = 5;  // method () -> VT_BOOL
}  // namespace side

// ---- a functional block -------------------------------------------------------------------------
namespace block {
constexpr DISPID kName = 1;   // get -> VT_BSTR
constexpr DISPID kIndex = 2;  // get -> VT_I2 (-1: the node object, which holds all NVs of the node)
constexpr DISPID kCps = 4;    // get -> VT_DISPATCH: collection of the block's CPs
}  // namespace block

// ---- a network variable ---------------------------------------------------------------------------
// Fields: -1 is the whole value, 0..n-1 the members of a structured value (nv::kType's count).
namespace nv {
constexpr DISPID kDescription = 1;      // get/put VT_BSTR (kept in the database)
constexpr DISPID kCookie = 3;           // get/put VT_UI4: the caller's cookie (0 at open)
constexpr DISPID kValueText = 5;        // get -> VT_BSTR: the cached whole value as text
constexpr DISPID kIndex = 6;            // get -> VT_I2
constexpr DISPID kName = 8;             // get -> VT_BSTR
constexpr DISPID kIsOutput = 10;        // get -> VT_BOOL: output NV of its device
constexpr DISPID kTypeIndex = 11;       // get -> VT_I2: standard type number
constexpr DISPID kCacheTimeout = 13;    // get/put VT_I4 (ms, >= 0; kept in the database)
constexpr DISPID kAlwaysUseCache = 14;  // get/put VT_BOOL (kept in the database)
constexpr DISPID kMonitored = 15;       // get/put VT_BOOL: marked for monitoring in the project (kept in the database)
constexpr DISPID kCps = 17;             // get -> VT_DISPATCH: collection of the NV's CPs
constexpr DISPID kMonitorCookie = 19;   // get/put VT_I4: not 0 = report changes by evt::kNewNvValue / evt::kNewNvError with it
constexpr DISPID kReadCache = 20;       // method () -> VT_BOOL: refreshes the cache from the device when older than the cache
                                        //   timeout (never with kAlwaysUseCache); FALSE when that refresh failed
constexpr DISPID kGetTimestamp = 21;    // method (by-ref VT_UI8 | VT_I8, or by-ref VT_I4 + VT_I4 size) -> none: cache time stamp
constexpr DISPID kReadDevice = 22;      // method () -> VT_BOOL: reads the device into the cache; FALSE when it did not answer
constexpr DISPID kGetValueRange = 23;   // method (VT_I2 field, by-ref VT_R8 low, by-ref VT_R8 high) -> VT_BOOL: FALSE for fields without a range
constexpr DISPID kTypeName = 27;        // get -> VT_BSTR
constexpr DISPID kFieldType = 28;       // indexed get/put [VT_I2 field] VT_UI2: canonical VARTYPE; a put of 0xFFFF or VT_EMPTY restores the type's own
constexpr DISPID kMemberName = 30;      // indexed get [VT_I2 field] -> VT_BSTR ("" for -1)
constexpr DISPID kFieldValue = 31;      // indexed get [VT_UI2 VARTYPE (VT_EMPTY: canonical), VT_I2 field] -> VT_VARIANT: cached value
constexpr DISPID kStatus = 33;          // get -> VT_I4: status of the cached value
constexpr DISPID kType = 34;            // get -> VT_DISPATCH: the type object (namespace type)
constexpr DISPID kWrite = 35;           // method (VT_I2 field) -> VT_I4: asks the user for a value (the prompt) and writes it; 0 written
constexpr DISPID kWriteValue = 36;      // method (VT_VARIANT value, VT_I2 field) -> VT_I2 (0): writes to the device and the cache
}  // namespace nv

// ---- the type object of an NV (nv::kType) ---------------------------------------------------------
namespace type {
constexpr DISPID kName = 1;        // get -> VT_BSTR
constexpr DISPID kFieldCount = 2;  // get -> VT_UI2: members of a structured value, 0 for a plain one
constexpr DISPID kIndex = 3;       // get -> VT_I2: standard type number
constexpr DISPID kSize = 4;        // get -> VT_I2: bytes of the encoded value
}  // namespace type

// ---- a configuration property -------------------------------------------------------------------
namespace cp {
constexpr DISPID kName = 1;            // get -> VT_BSTR
constexpr DISPID kIndex = 2;           // get -> VT_I2
constexpr DISPID kValueText = 4;       // get/put VT_BSTR: the whole value as text; a put parses it and writes the device
constexpr DISPID kDescription = 5;     // get/put VT_BSTR (kept in the database)
constexpr DISPID kRawValue = 6;        // get/put VT_VARIANT holding VT_ARRAY|VT_UI1: the encoded value; a put writes the device
constexpr DISPID kCacheTimeout = 8;    // get/put VT_I4 (ms; kept in the database)
constexpr DISPID kTypeName = 10;       // get -> VT_BSTR
constexpr DISPID kCookie = 11;         // get/put VT_UI4
constexpr DISPID kFieldCount = 12;     // get -> VT_I2
constexpr DISPID kGetTimestamp = 13;   // method: as nv::kGetTimestamp
constexpr DISPID kReadCache = 14;      // method () -> VT_BOOL: as nv::kReadCache
constexpr DISPID kReadDevice = 15;     // method () -> VT_BOOL: as nv::kReadDevice
constexpr DISPID kGetValueRange = 16;  // method: as nv::kGetValueRange
constexpr DISPID kPromptValue = 17;    // method (VT_UI2 VARTYPE, by-ref VT_VARIANT value, VT_I2 field) -> VT_I4: asks the user for a
                                       //   value of the field, shown from *value; non-zero = accepted, *value then holds the answer
                                       //   in the VARTYPE asked for (nothing is written)
constexpr DISPID kWriteField = 19;     // method (by-ref VT_VARIANT raw value, VT_VARIANT value, VT_I2 field) -> VT_BOOL: puts the value
                                       //   into that field of *raw (nothing is written); FALSE when the value does not fit
constexpr DISPID kFieldType = 20;      // indexed get/put [VT_I2 field] VT_UI2: as nv::kFieldType
constexpr DISPID kMemberName = 21;     // indexed get [VT_I2 field] -> VT_BSTR
constexpr DISPID kFieldValue = 22;     // indexed get [VT_UI2 VARTYPE, VT_I2 field] -> VT_VARIANT
constexpr DISPID kStatus = 24;         // get -> VT_I4
}  // namespace cp

// ---- the multi-setting object (ctl::kMultiSetting, applied by ctl::kApplyMultiSetting) ----------
// The values say what to set, the scope which NVs: one of kAllTags, kTypeIndexScope or
// kNameScope must be given, and kNode, or kProgramIdScope and/or kLocationScope, narrow it
// to nodes (no node scope: all nodes).
namespace ms {
constexpr DISPID kDataType = 1;         // put VT_I2: canonical VARTYPE of the whole value (-1: the type's own)
constexpr DISPID kCacheTimeout = 2;     // put VT_I4 (ms)
constexpr DISPID kAlwaysUseCache = 3;   // put VT_BOOL
constexpr DISPID kMonitored = 4;        // put VT_BOOL
constexpr DISPID kAllTags = 5;          // method () -> none: every NV
constexpr DISPID kTypeIndexScope = 6;   // put VT_I2: NVs of this standard type number
constexpr DISPID kNameScope = 7;        // put VT_BSTR: NVs of this name
constexpr DISPID kNode = 8;             // put VT_DISPATCH: only this node
constexpr DISPID kProgramIdScope = 10;  // put VT_BSTR: only nodes of this program ID
constexpr DISPID kLocationScope = 11;   // put VT_BSTR: only nodes at this location
}  // namespace ms

// ---- events (the event interface DIID_KestrumEvents; methods, no results) -------------------------
namespace evt {
constexpr DISPID kLoading = 1;       // (VT_BSTR Neuron ID, VT_I2 node number from 1, VT_I2 node count)
constexpr DISPID kScanFinished = 2;  // ()
constexpr DISPID kScanning = 3;      // (VT_BSTR domain ID hex text)
constexpr DISPID kInfo = 4;          // (VT_I4 kind, VT_BSTR text, VT_BSTR text)
constexpr DISPID kInform2 = 5;       // (VT_I4 code, VT_DISPATCH node or null, VT_BSTR text)
constexpr DISPID kNewNvValue = 6;    // (VT_I4 monitor cookie, VT_VARIANT whole value in its canonical type)
constexpr DISPID kNewNvError = 7;    // (VT_I4 monitor cookie)
constexpr DISPID kServicePin = 8;    // (VT_BSTR Neuron ID, VT_BSTR program ID)
}  // namespace evt

}  // namespace kestrum
