// The task allocator (CoTaskMem*) and the global/local memory blocks of Win32 (Global*, Local*).
//
// HGLOBAL values: a fixed block's handle is its address (as Win32 has it, so GlobalLock may be
// skipped); a moveable block's handle is a token from a table, never an address. Every handle is
// looked up before use, so a bad or freed handle fails (null/FALSE/0) instead of crashing.
// Thread-safe.
#pragma once

#include "platform/win32/WinTypes.h"

typedef HANDLE HLOCAL;

// A zero-byte allocation still returns a valid pointer, unique until freed. CoTaskMemFree(nullptr)
// does nothing. CoTaskMemRealloc(p, 0) frees p and returns null; CoTaskMemRealloc(nullptr, n)
// allocates.
LPVOID CoTaskMemAlloc(SIZE_T cb);
LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb);
void CoTaskMemFree(LPVOID pv);

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_NOCOMPACT = 0x0010;
constexpr UINT GMEM_NODISCARD = 0x0020;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GMEM_MODIFY = 0x0080;
constexpr UINT GMEM_DISCARDABLE = 0x0100;
constexpr UINT GMEM_NOT_BANKED = 0x1000;
constexpr UINT GMEM_SHARE = 0x2000;
constexpr UINT GMEM_DDESHARE = 0x2000;
constexpr UINT GMEM_LOCKCOUNT = 0x00FF;
constexpr UINT GMEM_INVALID_HANDLE = 0x8000;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

constexpr UINT LMEM_FIXED = 0x0000;
constexpr UINT LMEM_MOVEABLE = 0x0002;
constexpr UINT LMEM_ZEROINIT = 0x0040;
constexpr UINT LHND = LMEM_MOVEABLE | LMEM_ZEROINIT;
constexpr UINT LPTR = LMEM_FIXED | LMEM_ZEROINIT;

// A zero-byte block is valid: it locks to a unique pointer and GlobalSize reports 0.
HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes);
// Fixed block: its address (no lock count kept). Moveable: its data, the lock count raised.
// Null for a bad handle.
LPVOID GlobalLock(HGLOBAL hMem);
// TRUE while the block is still locked; FALSE when the count reached 0, for a fixed block, or
// for a bad handle.
BOOL GlobalUnlock(HGLOBAL hMem);
// Bytes requested (0 for a bad handle).
SIZE_T GlobalSize(HGLOBAL hMem);
// The lock count in the low byte (GMEM_LOCKCOUNT); GMEM_INVALID_HANDLE for a bad handle.
UINT GlobalFlags(HGLOBAL hMem);
// Resizes (GMEM_ZEROINIT zeroes the grown part). A moveable block keeps its handle; a fixed one
// may move only with GMEM_MOVEABLE given, and gets its new address as handle. Null on failure
// (the block stays as it was). GMEM_MODIFY changes nothing here and returns the handle.
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags);
// Null on success; the handle back when it is not a live block.
HGLOBAL GlobalFree(HGLOBAL hMem);
// The handle of a block from its data address (fixed or moveable); null when unknown.
HGLOBAL GlobalHandle(LPCVOID pMem);

// Local blocks are global blocks here.
HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes);
LPVOID LocalLock(HLOCAL hMem);
BOOL LocalUnlock(HLOCAL hMem);
SIZE_T LocalSize(HLOCAL hMem);
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags);
HLOCAL LocalFree(HLOCAL hMem);
