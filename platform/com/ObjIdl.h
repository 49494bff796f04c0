// The standard COM interfaces and structures beyond IUnknown/IDispatch: class factories,
// enumerators, connection points, data objects and advise sinks, component categories,
// and the activation flag values. Method orders are those of the published interfaces.
#pragma once

#include "platform/com/ComTypes.h"

// ---- activation flags -------------------------------------------------------------
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;

constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;
constexpr DWORD REGCLS_MULTI_SEPARATE = 2;
constexpr DWORD REGCLS_SUSPENDED = 4;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

// ---- data transfer structures -------------------------------------------------------
typedef WORD CLIPFORMAT;
typedef CLIPFORMAT* LPCLIPFORMAT;

// Target device description; the system never looks inside it.
struct DVTARGETDEVICE {
  DWORD tdSize;
  WORD tdDriverNameOffset;
  WORD tdDeviceNameOffset;
  WORD tdPortNameOffset;
  WORD tdExtDevmodeOffset;
  BYTE tdData[1];
};

constexpr DWORD DVASPECT_CONTENT = 1;
constexpr DWORD DVASPECT_THUMBNAIL = 2;
constexpr DWORD DVASPECT_ICON = 4;
constexpr DWORD DVASPECT_DOCPRINT = 8;

constexpr DWORD TYMED_NULL = 0;
constexpr DWORD TYMED_HGLOBAL = 1;
constexpr DWORD TYMED_FILE = 2;
constexpr DWORD TYMED_ISTREAM = 4;
constexpr DWORD TYMED_ISTORAGE = 8;
constexpr DWORD TYMED_GDI = 16;
constexpr DWORD TYMED_MFPICT = 32;
constexpr DWORD TYMED_ENHMF = 64;

constexpr DWORD ADVF_NODATA = 1;
constexpr DWORD ADVF_PRIMEFIRST = 2;
constexpr DWORD ADVF_ONLYONCE = 4;
constexpr DWORD ADVFCACHE_NOHANDLER = 8;
constexpr DWORD ADVFCACHE_FORCEBUILTIN = 16;
constexpr DWORD ADVFCACHE_ONSAVE = 32;
constexpr DWORD ADVF_DATAONSTOP = 64;

constexpr DWORD DATADIR_GET = 1;
constexpr DWORD DATADIR_SET = 2;

struct FORMATETC {
  CLIPFORMAT cfFormat;
  DVTARGETDEVICE* ptd;
  DWORD dwAspect;
  LONG lindex;
  DWORD tymed;
};
typedef FORMATETC* LPFORMATETC;

struct IStream;   // not offered; present so STGMEDIUM keeps its shape
struct IStorage;
struct IMoniker;

struct STGMEDIUM {
  DWORD tymed;
  union {
    HANDLE hBitmap;
    HANDLE hMetaFilePict;
    HANDLE hEnhMetaFile;
    HGLOBAL hGlobal;
    LPOLESTR lpszFileName;
    IStream* pstm;
    IStorage* pstg;
  };
  IUnknown* pUnkForRelease;
};
typedef STGMEDIUM* LPSTGMEDIUM;

// Frees the medium's data (or releases pUnkForRelease, which then owns it).
void ReleaseStgMedium(STGMEDIUM* pmedium);

struct IAdviseSink;

struct STATDATA {
  FORMATETC formatetc;
  DWORD advf;
  IAdviseSink* pAdvSink;
  DWORD dwConnection;
};
typedef STATDATA* LPSTATDATA;

struct CONNECTDATA {
  IUnknown* pUnk;
  DWORD dwCookie;
};
typedef CONNECTDATA* LPCONNECTDATA;

// The machine a remote activation goes to (pAuthInfo is not used here).
struct COSERVERINFO {
  DWORD dwReserved1;
  LPWSTR pwszName;
  void* pAuthInfo;
  DWORD dwReserved2;
};

// One interface asked of CoCreateInstanceEx, with its own result.
struct MULTI_QI {
  const IID* pIID;
  IUnknown* pItf;
  HRESULT hr;
};

struct CATEGORYINFO {
  CATID catid;
  LCID lcid;
  OLECHAR szDescription[128];
};
typedef CATEGORYINFO* LPCATEGORYINFO;

// ---- interface ids ------------------------------------------------------------------
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumUnknown = {0x00000100, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumString = {0x00000101, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumFORMATETC = {0x00000103, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumSTATDATA = {0x00000105, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDataObject = {0x0000010E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IAdviseSink = {0x0000010F, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IConnectionPointContainer = {0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnectionPoints = {0xB196B285, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IConnectionPoint = {0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumConnections = {0xB196B287, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline constexpr IID IID_IEnumGUID = {0x0002E000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IEnumCATEGORYINFO = {0x0002E011, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ICatRegister = {0x0002E012, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_ICatInformation = {0x0002E013, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// ---- class factory --------------------------------------------------------------------
struct IClassFactory : IUnknown {
  virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
  virtual HRESULT LockServer(BOOL fLock) = 0;

 protected:
  ~IClassFactory() = default;
};
typedef IClassFactory* LPCLASSFACTORY;
DECLARE_INTERFACE_IID(IClassFactory, IID_IClassFactory)

// ---- enumerators ------------------------------------------------------------------------
struct IEnumUnknown : IUnknown {
  virtual HRESULT Next(ULONG celt, IUnknown** rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumUnknown** ppenum) = 0;

 protected:
  ~IEnumUnknown() = default;
};
typedef IEnumUnknown* LPENUMUNKNOWN;
DECLARE_INTERFACE_IID(IEnumUnknown, IID_IEnumUnknown)

struct IEnumString : IUnknown {
  virtual HRESULT Next(ULONG celt, LPOLESTR* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumString** ppenum) = 0;

 protected:
  ~IEnumString() = default;
};
typedef IEnumString* LPENUMSTRING;
DECLARE_INTERFACE_IID(IEnumString, IID_IEnumString)

struct IEnumFORMATETC : IUnknown {
  virtual HRESULT Next(ULONG celt, FORMATETC* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumFORMATETC** ppenum) = 0;

 protected:
  ~IEnumFORMATETC() = default;
};
typedef IEnumFORMATETC* LPENUMFORMATETC;
DECLARE_INTERFACE_IID(IEnumFORMATETC, IID_IEnumFORMATETC)

struct IEnumSTATDATA : IUnknown {
  virtual HRESULT Next(ULONG celt, STATDATA* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumSTATDATA** ppenum) = 0;

 protected:
  ~IEnumSTATDATA() = default;
};
typedef IEnumSTATDATA* LPENUMSTATDATA;
DECLARE_INTERFACE_IID(IEnumSTATDATA, IID_IEnumSTATDATA)

struct IEnumGUID : IUnknown {
  virtual HRESULT Next(ULONG celt, GUID* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumGUID** ppenum) = 0;

 protected:
  ~IEnumGUID() = default;
};
typedef IEnumGUID IEnumCLSID;
typedef IEnumGUID IEnumCATID;
DECLARE_INTERFACE_IID(IEnumGUID, IID_IEnumGUID)

struct IEnumCATEGORYINFO : IUnknown {
  virtual HRESULT Next(ULONG celt, CATEGORYINFO* rgelt, ULONG* pceltFetched) = 0;
  virtual HRESULT Skip(ULONG celt) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumCATEGORYINFO** ppenum) = 0;

 protected:
  ~IEnumCATEGORYINFO() = default;
};
DECLARE_INTERFACE_IID(IEnumCATEGORYINFO, IID_IEnumCATEGORYINFO)

// ---- data objects ------------------------------------------------------------------------
struct IAdviseSink : IUnknown {
  virtual void OnDataChange(FORMATETC* pFormatetc, STGMEDIUM* pStgmed) = 0;
  virtual void OnViewChange(DWORD dwAspect, LONG lindex) = 0;
  virtual void OnRename(IMoniker* pmk) = 0;
  virtual void OnSave() = 0;
  virtual void OnClose() = 0;

 protected:
  ~IAdviseSink() = default;
};
typedef IAdviseSink* LPADVISESINK;
DECLARE_INTERFACE_IID(IAdviseSink, IID_IAdviseSink)

struct IDataObject : IUnknown {
  virtual HRESULT GetData(FORMATETC* pformatetcIn, STGMEDIUM* pmedium) = 0;
  virtual HRESULT GetDataHere(FORMATETC* pformatetc, STGMEDIUM* pmedium) = 0;
  virtual HRESULT QueryGetData(FORMATETC* pformatetc) = 0;
  virtual HRESULT GetCanonicalFormatEtc(FORMATETC* pformatectIn, FORMATETC* pformatetcOut) = 0;
  virtual HRESULT SetData(FORMATETC* pformatetc, STGMEDIUM* pmedium, BOOL fRelease) = 0;
  virtual HRESULT EnumFormatEtc(DWORD dwDirection, IEnumFORMATETC** ppenumFormatEtc) = 0;
  virtual HRESULT DAdvise(FORMATETC* pformatetc, DWORD advf, IAdviseSink* pAdvSink, DWORD* pdwConnection) = 0;
  virtual HRESULT DUnadvise(DWORD dwConnection) = 0;
  virtual HRESULT EnumDAdvise(IEnumSTATDATA** ppenumAdvise) = 0;

 protected:
  ~IDataObject() = default;
};
typedef IDataObject* LPDATAOBJECT;
DECLARE_INTERFACE_IID(IDataObject, IID_IDataObject)

// ---- connection points ---------------------------------------------------------------------
struct IConnectionPoint;
struct IConnectionPointContainer;

struct IEnumConnections : IUnknown {
  virtual HRESULT Next(ULONG cConnections, CONNECTDATA* rgcd, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnections** ppEnum) = 0;

 protected:
  ~IEnumConnections() = default;
};
typedef IEnumConnections* LPENUMCONNECTIONS;
DECLARE_INTERFACE_IID(IEnumConnections, IID_IEnumConnections)

struct IConnectionPoint : IUnknown {
  virtual HRESULT GetConnectionInterface(IID* pIID) = 0;
  virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** ppCPC) = 0;
  virtual HRESULT Advise(IUnknown* pUnkSink, DWORD* pdwCookie) = 0;
  virtual HRESULT Unadvise(DWORD dwCookie) = 0;
  virtual HRESULT EnumConnections(IEnumConnections** ppEnum) = 0;

 protected:
  ~IConnectionPoint() = default;
};
typedef IConnectionPoint* LPCONNECTIONPOINT;
DECLARE_INTERFACE_IID(IConnectionPoint, IID_IConnectionPoint)

struct IEnumConnectionPoints : IUnknown {
  virtual HRESULT Next(ULONG cConnections, IConnectionPoint** ppCP, ULONG* pcFetched) = 0;
  virtual HRESULT Skip(ULONG cConnections) = 0;
  virtual HRESULT Reset() = 0;
  virtual HRESULT Clone(IEnumConnectionPoints** ppEnum) = 0;

 protected:
  ~IEnumConnectionPoints() = default;
};
typedef IEnumConnectionPoints* LPENUMCONNECTIONPOINTS;
DECLARE_INTERFACE_IID(IEnumConnectionPoints, IID_IEnumConnectionPoints)

struct IConnectionPointContainer : IUnknown {
  virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** ppEnum) = 0;
  virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** ppCP) = 0;

 protected:
  ~IConnectionPointContainer() = default;
};
typedef IConnectionPointContainer* LPCONNECTIONPOINTCONTAINER;
DECLARE_INTERFACE_IID(IConnectionPointContainer, IID_IConnectionPointContainer)

// ---- component categories ---------------------------------------------------------------------
struct ICatRegister : IUnknown {
  virtual HRESULT RegisterCategories(ULONG cCategories, CATEGORYINFO rgCategoryInfo[]) = 0;
  virtual HRESULT UnRegisterCategories(ULONG cCategories, CATID rgcatid[]) = 0;
  virtual HRESULT RegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
  virtual HRESULT UnRegisterClassImplCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
  virtual HRESULT RegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;
  virtual HRESULT UnRegisterClassReqCategories(REFCLSID rclsid, ULONG cCategories, CATID rgcatid[]) = 0;

 protected:
  ~ICatRegister() = default;
};
DECLARE_INTERFACE_IID(ICatRegister, IID_ICatRegister)

struct ICatInformation : IUnknown {
  virtual HRESULT EnumCategories(LCID lcid, IEnumCATEGORYINFO** ppenumCategoryInfo) = 0;
  virtual HRESULT GetCategoryDesc(REFCATID rcatid, LCID lcid, LPWSTR* pszDesc) = 0;
  virtual HRESULT EnumClassesOfCategories(ULONG cImplemented, const CATID rgcatidImpl[], ULONG cRequired,
                                          const CATID rgcatidReq[], IEnumGUID** ppenumClsid) = 0;
  virtual HRESULT IsClassOfCategories(REFCLSID rclsid, ULONG cImplemented, const CATID rgcatidImpl[],
                                      ULONG cRequired, const CATID rgcatidReq[]) = 0;
  virtual HRESULT EnumImplCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;
  virtual HRESULT EnumReqCategoriesOfClass(REFCLSID rclsid, IEnumGUID** ppenumCatid) = 0;

 protected:
  ~ICatInformation() = default;
};
DECLARE_INTERFACE_IID(ICatInformation, IID_ICatInformation)
