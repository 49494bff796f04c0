// OPC Data Access 1.0 and 2.0 custom interfaces: handles, enumerations, quality bits,
// item and server structures, the OPC 1.0 stream headers and the interfaces themselves,
// each with its published interface id. Out arrays and strings are CoTaskMemAlloc'd by
// the callee and freed by the caller, as COM has it.
#pragma once

#include "platform/com/ComTypes.h"
#include "platform/com/ObjIdl.h"

typedef DWORD OPCHANDLE;

// Every enumeration has DWORD underneath so that a client's out-of-range value (which the
// server must answer, not trust) is a well-defined value of the type.
enum OPCDATASOURCE : DWORD {
  OPC_DS_CACHE = 1,
  OPC_DS_DEVICE = 2,
};

enum OPCBROWSETYPE : DWORD {
  OPC_BRANCH = 1,
  OPC_LEAF = 2,
  OPC_FLAT = 3,
};

enum OPCNAMESPACETYPE : DWORD {
  OPC_NS_HIERARCHIAL = 1,  // the published spelling
  OPC_NS_FLAT = 2,
};

enum OPCBROWSEDIRECTION : DWORD {
  OPC_BROWSE_UP = 1,
  OPC_BROWSE_DOWN = 2,
  OPC_BROWSE_TO = 3,
};

enum OPCEUTYPE : DWORD {
  OPC_NOENUM = 0,
  OPC_ANALOG = 1,
  OPC_ENUMERATED = 2,
};

enum OPCSERVERSTATE : DWORD {
  OPC_STATUS_RUNNING = 1,
  OPC_STATUS_FAILED = 2,
  OPC_STATUS_NOCONFIG = 3,
  OPC_STATUS_SUSPENDED = 4,
  OPC_STATUS_TEST = 5,
};

enum OPCENUMSCOPE : DWORD {
  OPC_ENUM_PRIVATE_CONNECTIONS = 1,
  OPC_ENUM_PUBLIC_CONNECTIONS = 2,
  OPC_ENUM_ALL_CONNECTIONS = 3,
  OPC_ENUM_PRIVATE = 4,
  OPC_ENUM_PUBLIC = 5,
  OPC_ENUM_ALL = 6,
};

// Access rights of an item (a bit set).
constexpr DWORD OPC_READABLE = 0x1;
constexpr DWORD OPC_WRITEABLE = 0x2;

// ---- quality word: QQSSSSLL (quality, substatus, limit) ----------------------------------
constexpr WORD OPC_QUALITY_MASK = 0xC0;
constexpr WORD OPC_STATUS_MASK = 0xFC;
constexpr WORD OPC_LIMIT_MASK = 0x03;

constexpr WORD OPC_QUALITY_BAD = 0x00;
constexpr WORD OPC_QUALITY_UNCERTAIN = 0x40;
constexpr WORD OPC_QUALITY_GOOD = 0xC0;

constexpr WORD OPC_QUALITY_CONFIG_ERROR = 0x04;
constexpr WORD OPC_QUALITY_NOT_CONNECTED = 0x08;
constexpr WORD OPC_QUALITY_DEVICE_FAILURE = 0x0C;
constexpr WORD OPC_QUALITY_SENSOR_FAILURE = 0x10;
constexpr WORD OPC_QUALITY_LAST_KNOWN = 0x14;
constexpr WORD OPC_QUALITY_COMM_FAILURE = 0x18;
constexpr WORD OPC_QUALITY_OUT_OF_SERVICE = 0x1C;

constexpr WORD OPC_QUALITY_LAST_USABLE = 0x44;
constexpr WORD OPC_QUALITY_SENSOR_CAL = 0x50;
constexpr WORD OPC_QUALITY_EGU_EXCEEDED = 0x54;
constexpr WORD OPC_QUALITY_SUB_NORMAL = 0x58;

constexpr WORD OPC_QUALITY_LOCAL_OVERRIDE = 0xD8;

constexpr WORD OPC_LIMIT_OK = 0x00;
constexpr WORD OPC_LIMIT_LOW = 0x01;
constexpr WORD OPC_LIMIT_HIGH = 0x02;
constexpr WORD OPC_LIMIT_CONST = 0x03;

// ---- OPC 1.0 data advise: clipboard format names given to RegisterClipboardFormat -------
inline constexpr LPCWSTR OPCSTMFORMATDATA = L"OPCSTMFORMATDATA";
inline constexpr LPCWSTR OPCSTMFORMATDATATIME = L"OPCSTMFORMATDATATIME";
inline constexpr LPCWSTR OPCSTMFORMATWRITECOMPLETE = L"OPCSTMFORMATWRITECOMPLETE";

// ---- structures ----------------------------------------------------------------------------
struct OPCITEMDEF {
  LPWSTR szAccessPath;
  LPWSTR szItemID;
  BOOL bActive;
  OPCHANDLE hClient;
  DWORD dwBlobSize;
  BYTE* pBlob;
  VARTYPE vtRequestedDataType;
  WORD wReserved;
};

struct OPCITEMRESULT {
  OPCHANDLE hServer;
  VARTYPE vtCanonicalDataType;
  WORD wReserved;
  DWORD dwAccessRights;
  DWORD dwBlobSize;
  BYTE* pBlob;
};

struct OPCITEMSTATE {
  OPCHANDLE hClient;
  FILETIME ftTimeStamp;
  WORD wQuality;
  WORD wReserved;
  VARIANT vDataValue;
};

struct OPCITEMATTRIBUTES {
  LPWSTR szAccessPath;
  LPWSTR szItemID;
  BOOL bActive;
  OPCHANDLE hClient;
  OPCHANDLE hServer;
  DWORD dwAccessRights;
  DWORD dwBlobSize;
  BYTE* pBlob;
  VARTYPE vtRequestedDataType;
  VARTYPE vtCanonicalDataType;
  OPCEUTYPE dwEUType;
  VARIANT vEUInfo;
};

struct OPCSERVERSTATUS {
  FILETIME ftStartTime;
  FILETIME ftCurrentTime;
  FILETIME ftLastUpdateTime;
  OPCSERVERSTATE dwServerState;
  DWORD dwGroupCount;
  DWORD dwBandWidth;
  WORD wMajorVersion;
  WORD wMinorVersion;
  WORD wBuildNumber;
  WORD wReserved;
  LPWSTR szVendorInfo;
};

// ---- OPC 1.0 stream headers ------------------------------------------------------------------
// Byte layouts written into the HGLOBAL handed to IAdviseSink::OnDataChange. They hold only
// 32- and 16-bit fields on natural boundaries, so the 32-bit Windows layout holds here too;
// the asserts keep it that way.

// Start of an "OPCSTMFORMATDATA" or "OPCSTMFORMATDATATIME" stream.
struct OPCGROUPHEADER {
  DWORD dwSize;  // whole stream, in bytes
  DWORD dwItemCount;
  OPCHANDLE hClientGroup;
  DWORD dwTransactionID;
  HRESULT hrStatus;
};

// Item header of "OPCSTMFORMATDATATIME".
struct OPCITEMHEADER1 {
  OPCHANDLE hClient;
  DWORD dwValueOffset;  // from the start of the stream
  WORD wQuality;
  WORD wReserved;
  FILETIME ftTimeStampItem;
};

// Item header of "OPCSTMFORMATDATA".
struct OPCITEMHEADER2 {
  OPCHANDLE hClient;
  DWORD dwValueOffset;
  WORD wQuality;
  WORD wReserved;
};

// Start of an "OPCSTMFORMATWRITECOMPLETE" stream; it has no size field.
struct OPCGROUPHEADERWRITE {
  DWORD dwItemCount;
  OPCHANDLE hClientGroup;
  DWORD dwTransactionID;
  HRESULT hrStatus;
};

struct OPCITEMHEADERWRITE {
  OPCHANDLE hClient;
  HRESULT dwError;
};

static_assert(sizeof(FILETIME) == 8 && alignof(FILETIME) == 4);
static_assert(sizeof(OPCGROUPHEADER) == 20);
static_assert(sizeof(OPCITEMHEADER1) == 20);
static_assert(sizeof(OPCITEMHEADER2) == 12);
static_assert(sizeof(OPCGROUPHEADERWRITE) == 16);
static_assert(sizeof(OPCITEMHEADERWRITE) == 8);

// ---- interface ids ---------------------------------------------------------------------------
inline constexpr IID IID_IOPCServer = {0x39C13A4D, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCServerPublicGroups = {0x39C13A4E, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCBrowseServerAddressSpace = {0x39C13A4F, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCGroupStateMgt = {0x39C13A50, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCPublicGroupStateMgt = {0x39C13A51, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCSyncIO = {0x39C13A52, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCAsyncIO = {0x39C13A53, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCItemMgt = {0x39C13A54, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IEnumOPCItemAttributes = {0x39C13A55, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCDataCallback = {0x39C13A70, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCAsyncIO2 = {0x39C13A71, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCItemProperties = {0x39C13A72, 0x011E, 0x11D0, {0x96, 0x75, 0x00, 0x20, 0xAF, 0xD8, 0xAD, 0xB3}};
inline constexpr IID IID_IOPCShutdown = {0xF31DFDE1, 0x07B6, 0x11D2, {0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};
inline constexpr IID IID_IOPCCommon = {0xF31DFDE2, 0x07B6, 0x11D2, {0xB2, 0xD8, 0x00, 0x60, 0x08, 0x3B, 0xA1, 0xFB}};

// ---- server object ---------------------------------------------------------------------------
struct IOPCServer : IUnknown {
  virtual HRESULT AddGroup(LPCWSTR szName, BOOL bActive, DWORD dwRequestedUpdateRate, OPCHANDLE hClientGroup,
                           LONG* pTimeBias, FLOAT* pPercentDeadband, DWORD dwLCID, OPCHANDLE* phServerGroup,
                           DWORD* pRevisedUpdateRate, REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT GetErrorString(HRESULT dwError, LCID dwLocale, LPWSTR* ppString) = 0;
  virtual HRESULT GetGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT GetStatus(OPCSERVERSTATUS** ppServerStatus) = 0;
  virtual HRESULT RemoveGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;
  virtual HRESULT CreateGroupEnumerator(OPCENUMSCOPE dwScope, REFIID riid, LPUNKNOWN* ppUnk) = 0;

 protected:
  ~IOPCServer() = default;
};
DECLARE_INTERFACE_IID(IOPCServer, IID_IOPCServer)

struct IOPCCommon : IUnknown {
  virtual HRESULT SetLocaleID(LCID dwLcid) = 0;
  virtual HRESULT GetLocaleID(LCID* pdwLcid) = 0;
  virtual HRESULT QueryAvailableLocaleIDs(DWORD* pdwCount, LCID** pdwLcid) = 0;
  virtual HRESULT GetErrorString(HRESULT dwError, LPWSTR* ppString) = 0;
  virtual HRESULT SetClientName(LPCWSTR szName) = 0;

 protected:
  ~IOPCCommon() = default;
};
DECLARE_INTERFACE_IID(IOPCCommon, IID_IOPCCommon)

struct IOPCServerPublicGroups : IUnknown {
  virtual HRESULT GetPublicGroupByName(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;
  virtual HRESULT RemovePublicGroup(OPCHANDLE hServerGroup, BOOL bForce) = 0;

 protected:
  ~IOPCServerPublicGroups() = default;
};
DECLARE_INTERFACE_IID(IOPCServerPublicGroups, IID_IOPCServerPublicGroups)

struct IOPCBrowseServerAddressSpace : IUnknown {
  virtual HRESULT QueryOrganization(OPCNAMESPACETYPE* pNameSpaceType) = 0;
  virtual HRESULT ChangeBrowsePosition(OPCBROWSEDIRECTION dwBrowseDirection, LPCWSTR szString) = 0;
  virtual HRESULT BrowseOPCItemIDs(OPCBROWSETYPE dwBrowseFilterType, LPCWSTR szFilterCriteria,
                                   VARTYPE vtDataTypeFilter, DWORD dwAccessRightsFilter,
                                   LPENUMSTRING* ppIEnumString) = 0;
  virtual HRESULT GetItemID(LPWSTR szItemDataID, LPWSTR* szItemID) = 0;
  virtual HRESULT BrowseAccessPaths(LPCWSTR szItemID, LPENUMSTRING* ppIEnumString) = 0;

 protected:
  ~IOPCBrowseServerAddressSpace() = default;
};
DECLARE_INTERFACE_IID(IOPCBrowseServerAddressSpace, IID_IOPCBrowseServerAddressSpace)

struct IOPCItemProperties : IUnknown {
  virtual HRESULT QueryAvailableProperties(LPWSTR szItemID, DWORD* pdwCount, DWORD** ppPropertyIDs,
                                           LPWSTR** ppDescriptions, VARTYPE** ppvtDataTypes) = 0;
  virtual HRESULT GetItemProperties(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, VARIANT** ppvData,
                                    HRESULT** ppErrors) = 0;
  virtual HRESULT LookupItemIDs(LPWSTR szItemID, DWORD dwCount, DWORD* pdwPropertyIDs, LPWSTR** ppszNewItemIDs,
                                HRESULT** ppErrors) = 0;

 protected:
  ~IOPCItemProperties() = default;
};
DECLARE_INTERFACE_IID(IOPCItemProperties, IID_IOPCItemProperties)

// ---- group object ----------------------------------------------------------------------------
struct IOPCGroupStateMgt : IUnknown {
  virtual HRESULT GetState(DWORD* pUpdateRate, BOOL* pActive, LPWSTR* ppName, LONG* pTimeBias,
                           FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup,
                           OPCHANDLE* phServerGroup) = 0;
  virtual HRESULT SetState(DWORD* pRequestedUpdateRate, DWORD* pRevisedUpdateRate, BOOL* pActive, LONG* pTimeBias,
                           FLOAT* pPercentDeadband, DWORD* pLCID, OPCHANDLE* phClientGroup) = 0;
  virtual HRESULT SetName(LPCWSTR szName) = 0;
  virtual HRESULT CloneGroup(LPCWSTR szName, REFIID riid, LPUNKNOWN* ppUnk) = 0;

 protected:
  ~IOPCGroupStateMgt() = default;
};
DECLARE_INTERFACE_IID(IOPCGroupStateMgt, IID_IOPCGroupStateMgt)

struct IOPCPublicGroupStateMgt : IUnknown {
  virtual HRESULT GetState(BOOL* pPublic) = 0;
  virtual HRESULT MoveToPublic() = 0;

 protected:
  ~IOPCPublicGroupStateMgt() = default;
};
DECLARE_INTERFACE_IID(IOPCPublicGroupStateMgt, IID_IOPCPublicGroupStateMgt)

struct IEnumOPCItemAttributes;

struct IOPCItemMgt : IUnknown {
  virtual HRESULT AddItems(DWORD dwCount, OPCITEMDEF* pItemArray, OPCITEMRESULT** ppAddResults,
                           HRESULT** ppErrors) = 0;
  virtual HRESULT ValidateItems(DWORD dwCount, OPCITEMDEF* pItemArray, BOOL bBlobUpdate,
                                OPCITEMRESULT** ppValidationResults, HRESULT** ppErrors) = 0;
  virtual HRESULT RemoveItems(DWORD dwCount, OPCHANDLE* phServer, HRESULT** ppErrors) = 0;
  virtual HRESULT SetActiveState(DWORD dwCount, OPCHANDLE* phServer, BOOL bActive, HRESULT** ppErrors) = 0;
  virtual HRESULT SetClientHandles(DWORD dwCount, OPCHANDLE* phServer, OPCHANDLE* phClient,
                                   HRESULT** ppErrors) = 0;
  virtual HRESULT SetDatatypes(DWORD dwCount, OPCHANDLE* phServer, VARTYPE* pRequestedDatatypes,
                               HRESULT** ppErrors) = 0;
  virtual HRESULT CreateEnumerator(REFIID riid, LPUNKNOWN* ppUnk) = 0;

 protected:
  ~IOPCItemMgt() = default;
};
DECLARE_INTERFACE_IID(IOPCItemMgt, IID_IOPCItemMgt)

struct IEnumOPCItemAttributes : IUnknown {
  virtual HRESULT Next(ULONG celt, OPCITEMATTRIBUTES** ppItemArray, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumOPCItemAttributes** ppEnumItemAttributes) = 0;

 protected:
  ~IEnumOPCItemAttributes() = default;
};
DECLARE_INTERFACE_IID(IEnumOPCItemAttributes, IID_IEnumOPCItemAttributes)

struct IOPCSyncIO : IUnknown {
  virtual HRESULT Read(OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer, OPCITEMSTATE** ppItemValues,
                       HRESULT** ppErrors) = 0;
  virtual HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, HRESULT** ppErrors) = 0;

 protected:
  ~IOPCSyncIO() = default;
};
DECLARE_INTERFACE_IID(IOPCSyncIO, IID_IOPCSyncIO)

// OPC 1.0 asynchronous access; results arrive as streams through the group's IDataObject
// advise sinks, dwConnection naming the registered format.
struct IOPCAsyncIO : IUnknown {
  virtual HRESULT Read(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD dwCount, OPCHANDLE* phServer,
                       DWORD* pTransactionID, HRESULT** ppErrors) = 0;
  virtual HRESULT Write(DWORD dwConnection, DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues,
                        DWORD* pTransactionID, HRESULT** ppErrors) = 0;
  virtual HRESULT Refresh(DWORD dwConnection, OPCDATASOURCE dwSource, DWORD* pTransactionID) = 0;
  virtual HRESULT Cancel(DWORD dwTransactionID) = 0;

 protected:
  ~IOPCAsyncIO() = default;
};
DECLARE_INTERFACE_IID(IOPCAsyncIO, IID_IOPCAsyncIO)

// OPC 2.0 asynchronous access; results arrive through the connected IOPCDataCallback.
struct IOPCAsyncIO2 : IUnknown {
  virtual HRESULT Read(DWORD dwCount, OPCHANDLE* phServer, DWORD dwTransactionID, DWORD* pdwCancelID,
                       HRESULT** ppErrors) = 0;
  virtual HRESULT Write(DWORD dwCount, OPCHANDLE* phServer, VARIANT* pItemValues, DWORD dwTransactionID,
                        DWORD* pdwCancelID, HRESULT** ppErrors) = 0;
  virtual HRESULT Refresh2(OPCDATASOURCE dwSource, DWORD dwTransactionID, DWORD* pdwCancelID) = 0;
  virtual HRESULT Cancel2(DWORD dwCancelID) = 0;
  virtual HRESULT SetEnable(BOOL bEnable) = 0;
  virtual HRESULT GetEnable(BOOL* pbEnable) = 0;

 protected:
  ~IOPCAsyncIO2() = default;
};
DECLARE_INTERFACE_IID(IOPCAsyncIO2, IID_IOPCAsyncIO2)

// ---- client-side sinks -----------------------------------------------------------------------
// The arrays belong to the caller (the server) for the duration of the call.
struct IOPCDataCallback : IUnknown {
  virtual HRESULT OnDataChange(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                               DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                               FILETIME* pftTimeStamps, HRESULT* pErrors) = 0;
  virtual HRESULT OnReadComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMasterquality, HRESULT hrMastererror,
                                 DWORD dwCount, OPCHANDLE* phClientItems, VARIANT* pvValues, WORD* pwQualities,
                                 FILETIME* pftTimeStamps, HRESULT* pErrors) = 0;
  virtual HRESULT OnWriteComplete(DWORD dwTransid, OPCHANDLE hGroup, HRESULT hrMastererr, DWORD dwCount,
                                  OPCHANDLE* pClienthandles, HRESULT* pErrors) = 0;
  virtual HRESULT OnCancelComplete(DWORD dwTransid, OPCHANDLE hGroup) = 0;

 protected:
  ~IOPCDataCallback() = default;
};
DECLARE_INTERFACE_IID(IOPCDataCallback, IID_IOPCDataCallback)

struct IOPCShutdown : IUnknown {
  virtual HRESULT ShutdownRequest(LPCWSTR szReason) = 0;

 protected:
  ~IOPCShutdown() = default;
};
DECLARE_INTERFACE_IID(IOPCShutdown, IID_IOPCShutdown)
