// COM, dispatch, connection-point and data-transfer error codes (beyond WinTypes.h) with their
// published values, and the FormatMessage-style texts of the codes this layer knows.
#pragma once

#include <cstdarg>
#include <string>

#include "platform/win32/WinTypes.h"

// ---- general ----------------------------------------------------------------------------
constexpr HRESULT E_PENDING = static_cast<HRESULT>(0x8000000A);
constexpr HRESULT E_BOUNDS = static_cast<HRESULT>(0x8000000B);
constexpr HRESULT CO_E_NOT_SUPPORTED = static_cast<HRESULT>(0x80004021);

// ---- class factories and the registry ---------------------------------------------------------
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
constexpr HRESULT CLASS_E_NOTLICENSED = static_cast<HRESULT>(0x80040112);
constexpr HRESULT REGDB_E_READREGDB = static_cast<HRESULT>(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = static_cast<HRESULT>(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = static_cast<HRESULT>(0x80040152);
constexpr HRESULT REGDB_E_INVALIDVALUE = static_cast<HRESULT>(0x80040153);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154);
constexpr HRESULT REGDB_E_IIDNOTREG = static_cast<HRESULT>(0x80040155);

// ---- the COM runtime -----------------------------------------------------------------------------
constexpr HRESULT CO_E_NOTINITIALIZED = static_cast<HRESULT>(0x800401F0);
constexpr HRESULT CO_E_ALREADYINITIALIZED = static_cast<HRESULT>(0x800401F1);
constexpr HRESULT CO_E_CANTDETERMINECLASS = static_cast<HRESULT>(0x800401F2);
constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3);
constexpr HRESULT CO_E_IIDSTRING = static_cast<HRESULT>(0x800401F4);
constexpr HRESULT CO_E_APPNOTFOUND = static_cast<HRESULT>(0x800401F5);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9);
constexpr HRESULT CO_E_OBJNOTREG = static_cast<HRESULT>(0x800401FB);
constexpr HRESULT CO_E_OBJISREG = static_cast<HRESULT>(0x800401FC);
constexpr HRESULT CO_E_OBJNOTCONNECTED = static_cast<HRESULT>(0x800401FD);
constexpr HRESULT CO_E_RELEASED = static_cast<HRESULT>(0x800401FF);
constexpr HRESULT CO_E_SERVER_EXEC_FAILURE = static_cast<HRESULT>(0x80080005);
constexpr HRESULT CO_E_SERVER_STOPPING = static_cast<HRESULT>(0x80080008);
constexpr HRESULT CO_S_NOTALLINTERFACES = static_cast<HRESULT>(0x00080012);

// ---- remote calls --------------------------------------------------------------------------------
constexpr HRESULT RPC_E_CALL_REJECTED = static_cast<HRESULT>(0x80010001);
constexpr HRESULT RPC_E_SERVERFAULT = static_cast<HRESULT>(0x80010105);
constexpr HRESULT RPC_E_CHANGED_MODE = static_cast<HRESULT>(0x80010106);
constexpr HRESULT RPC_E_DISCONNECTED = static_cast<HRESULT>(0x80010108);
constexpr HRESULT RPC_E_SERVERCALL_RETRYLATER = static_cast<HRESULT>(0x8001010A);
constexpr HRESULT RPC_E_WRONG_THREAD = static_cast<HRESULT>(0x8001010E);
constexpr HRESULT RPC_E_TOO_LATE = static_cast<HRESULT>(0x80010119);
constexpr HRESULT RPC_E_TIMEOUT = static_cast<HRESULT>(0x8001011F);
constexpr HRESULT RPC_E_INVALID_DATAPACKET = static_cast<HRESULT>(0x80010009);
constexpr HRESULT RPC_E_ACCESS_DENIED = static_cast<HRESULT>(0x8001011B);
// A TLS server whose certificate is not the one trusted.
constexpr HRESULT SEC_E_UNTRUSTED_ROOT = static_cast<HRESULT>(0x80090325);

// ---- dispatch ----------------------------------------------------------------------------------
constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000B);
constexpr HRESULT DISP_E_UNKNOWNLCID = static_cast<HRESULT>(0x8002000C);
constexpr HRESULT DISP_E_ARRAYISLOCKED = static_cast<HRESULT>(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000F);
constexpr HRESULT DISP_E_BADCALLEE = static_cast<HRESULT>(0x80020010);
constexpr HRESULT DISP_E_NOTACOLLECTION = static_cast<HRESULT>(0x80020011);
constexpr HRESULT DISP_E_DIVBYZERO = static_cast<HRESULT>(0x80020012);
constexpr HRESULT DISP_E_BUFFERTOOSMALL = static_cast<HRESULT>(0x80020013);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = static_cast<HRESULT>(0x8002801D);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802B);

// ---- OLE, data transfer -------------------------------------------------------------------------
constexpr HRESULT OLE_E_OLEVERB = static_cast<HRESULT>(0x80040000);
constexpr HRESULT OLE_E_ADVF = static_cast<HRESULT>(0x80040001);
constexpr HRESULT OLE_E_ENUM_NOMORE = static_cast<HRESULT>(0x80040002);
constexpr HRESULT OLE_E_ADVISENOTSUPPORTED = static_cast<HRESULT>(0x80040003);
constexpr HRESULT OLE_E_NOCONNECTION = static_cast<HRESULT>(0x80040004);
constexpr HRESULT OLE_E_NOTRUNNING = static_cast<HRESULT>(0x80040005);
constexpr HRESULT OLE_S_USEREG = static_cast<HRESULT>(0x00040000);
constexpr HRESULT DV_E_FORMATETC = static_cast<HRESULT>(0x80040064);
constexpr HRESULT DV_E_DVTARGETDEVICE = static_cast<HRESULT>(0x80040065);
constexpr HRESULT DV_E_STGMEDIUM = static_cast<HRESULT>(0x80040066);
constexpr HRESULT DV_E_STATDATA = static_cast<HRESULT>(0x80040067);
constexpr HRESULT DV_E_LINDEX = static_cast<HRESULT>(0x80040068);
constexpr HRESULT DV_E_TYMED = static_cast<HRESULT>(0x80040069);
constexpr HRESULT DV_E_CLIPFORMAT = static_cast<HRESULT>(0x8004006A);
constexpr HRESULT DV_E_DVASPECT = static_cast<HRESULT>(0x8004006B);
constexpr HRESULT DATA_S_SAMEFORMATETC = static_cast<HRESULT>(0x00040130);

// ---- connection points and self-registration (the two share their values) ------------------------
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200);
constexpr HRESULT CONNECT_E_ADVISELIMIT = static_cast<HRESULT>(0x80040201);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202);
constexpr HRESULT CONNECT_E_OVERRIDDEN = static_cast<HRESULT>(0x80040203);
constexpr HRESULT SELFREG_E_TYPELIB = static_cast<HRESULT>(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = static_cast<HRESULT>(0x80040201);

// ---- structured storage ----------------------------------------------------------------------
constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001);
constexpr HRESULT STG_E_FILENOTFOUND = static_cast<HRESULT>(0x80030002);
constexpr HRESULT STG_E_ACCESSDENIED = static_cast<HRESULT>(0x80030005);
constexpr HRESULT STG_E_INSUFFICIENTMEMORY = static_cast<HRESULT>(0x80030008);
constexpr HRESULT STG_E_INVALIDPOINTER = static_cast<HRESULT>(0x80030009);
constexpr HRESULT STG_E_WRITEFAULT = static_cast<HRESULT>(0x8003001D);
constexpr HRESULT STG_E_READFAULT = static_cast<HRESULT>(0x8003001E);
constexpr HRESULT STG_E_INVALIDPARAMETER = static_cast<HRESULT>(0x80030057);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070);

// ---- message texts -----------------------------------------------------------------------------
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
constexpr WORD SUBLANG_SYS_DEFAULT = 0x02;
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))

// The text of a code this layer knows (E_*, the COM codes above, Win32 error codes given bare or
// as HRESULT_FROM_WIN32), without a line end; empty for any other code.
std::wstring ComErrorText(HRESULT hr);

// FormatMessage with FORMAT_MESSAGE_FROM_SYSTEM: the known text followed by "\r\n", as the system
// gives it. Writes at most nSize characters (NUL included) into lpBuffer, or with
// FORMAT_MESSAGE_ALLOCATE_BUFFER stores a LocalAlloc'd buffer into *(LPWSTR*)lpBuffer (free it
// with LocalFree). Returns the characters written without the NUL; 0 for an unknown code, a buffer
// too small, or any source other than the system. Inserts are never expanded.
DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments);
#define FormatMessage FormatMessageW
