#include "platform/com/Memory.h"

#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

// ---- task allocator -----------------------------------------------------------------------

LPVOID CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }

LPVOID CoTaskMemRealloc(LPVOID pv, SIZE_T cb) {
  if (pv == nullptr) return CoTaskMemAlloc(cb);
  if (cb == 0) {
    std::free(pv);
    return nullptr;
  }
  return std::realloc(pv, cb);
}

void CoTaskMemFree(LPVOID pv) { std::free(pv); }

// ---- global blocks ---------------------------------------------------------------------------

namespace {

struct Block {
  void* data = nullptr;
  SIZE_T size = 0;
  UINT locks = 0;
  bool moveable = false;
};

// Every live block by handle, and every handle by data address. Moveable handles are tokens
// ending in 0x4, which no malloc'd (16-byte aligned) address does.
class BlockTable {
 public:
  static BlockTable& Instance() {
    static BlockTable* table = new BlockTable;  // outlives static destructors that free blocks
    return *table;
  }

  HGLOBAL Alloc(UINT flags, SIZE_T bytes) {
    void* data = std::malloc(bytes ? bytes : 1);
    if (data == nullptr) return nullptr;
    if (flags & GMEM_ZEROINIT) std::memset(data, 0, bytes ? bytes : 1);
    std::lock_guard<std::mutex> lock(m_mutex);
    Block b{data, bytes, 0, (flags & GMEM_MOVEABLE) != 0};
    HGLOBAL h = b.moveable ? NewToken() : static_cast<HGLOBAL>(data);
    m_blocks[h] = b;
    m_byData[data] = h;
    return h;
  }

  LPVOID Lock(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    if (b == nullptr) return nullptr;
    if (b->moveable && (b->locks & GMEM_LOCKCOUNT) != GMEM_LOCKCOUNT) ++b->locks;
    return b->data;
  }

  BOOL Unlock(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    if (b == nullptr || !b->moveable || b->locks == 0) return FALSE;
    --b->locks;
    return b->locks ? TRUE : FALSE;
  }

  SIZE_T Size(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    return b ? b->size : 0;
  }

  UINT Flags(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    return b ? (b->locks & GMEM_LOCKCOUNT) : GMEM_INVALID_HANDLE;
  }

  HGLOBAL ReAlloc(HGLOBAL h, SIZE_T bytes, UINT flags) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    if (b == nullptr) return nullptr;
    if (flags & GMEM_MODIFY) return h;
    // A fixed block, or a locked moveable one, may move only when the caller allows it.
    const bool mayMove = (b->moveable && b->locks == 0) || (flags & GMEM_MOVEABLE);
    if (!mayMove) {
      if (bytes > b->size) return nullptr;
      b->size = bytes;  // shrinks where it stands
      return h;
    }
    void* grown = std::malloc(bytes ? bytes : 1);
    if (grown == nullptr) return nullptr;
    const SIZE_T keep = bytes < b->size ? bytes : b->size;
    if (keep) std::memcpy(grown, b->data, keep);
    if (bytes > keep && (flags & GMEM_ZEROINIT)) std::memset(static_cast<char*>(grown) + keep, 0, bytes - keep);
    m_byData.erase(b->data);
    std::free(b->data);
    Block moved = *b;
    moved.data = grown;
    moved.size = bytes;
    HGLOBAL handle = h;
    if (!moved.moveable) {
      m_blocks.erase(h);
      handle = static_cast<HGLOBAL>(grown);
    }
    m_blocks[handle] = moved;
    m_byData[grown] = handle;
    return handle;
  }

  HGLOBAL Free(HGLOBAL h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Block* b = Find(h);
    if (b == nullptr) return h;
    m_byData.erase(b->data);
    std::free(b->data);
    m_blocks.erase(h);
    return nullptr;
  }

  HGLOBAL Handle(LPCVOID p) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_byData.find(p);
    return it == m_byData.end() ? nullptr : it->second;
  }

 private:
  Block* Find(HGLOBAL h) {
    if (h == nullptr) return nullptr;
    auto it = m_blocks.find(h);
    return it == m_blocks.end() ? nullptr : &it->second;
  }
  HGLOBAL NewToken() {
    HGLOBAL h;
    do {
      h = reinterpret_cast<HGLOBAL>((++m_nextToken << 4) | 0x4);
    } while (m_blocks.count(h));
    return h;
  }

  std::mutex m_mutex;
  std::unordered_map<HGLOBAL, Block> m_blocks;
  std::unordered_map<LPCVOID, HGLOBAL> m_byData;
  uintptr_t m_nextToken = 0;
};

}  // namespace

HGLOBAL GlobalAlloc(UINT uFlags, SIZE_T dwBytes) { return BlockTable::Instance().Alloc(uFlags, dwBytes); }
LPVOID GlobalLock(HGLOBAL hMem) { return BlockTable::Instance().Lock(hMem); }
BOOL GlobalUnlock(HGLOBAL hMem) { return BlockTable::Instance().Unlock(hMem); }
SIZE_T GlobalSize(HGLOBAL hMem) { return BlockTable::Instance().Size(hMem); }
UINT GlobalFlags(HGLOBAL hMem) { return BlockTable::Instance().Flags(hMem); }
HGLOBAL GlobalReAlloc(HGLOBAL hMem, SIZE_T dwBytes, UINT uFlags) {
  return BlockTable::Instance().ReAlloc(hMem, dwBytes, uFlags);
}
HGLOBAL GlobalFree(HGLOBAL hMem) { return BlockTable::Instance().Free(hMem); }
HGLOBAL GlobalHandle(LPCVOID pMem) { return BlockTable::Instance().Handle(pMem); }

HLOCAL LocalAlloc(UINT uFlags, SIZE_T uBytes) { return GlobalAlloc(uFlags, uBytes); }
LPVOID LocalLock(HLOCAL hMem) { return GlobalLock(hMem); }
BOOL LocalUnlock(HLOCAL hMem) { return GlobalUnlock(hMem); }
SIZE_T LocalSize(HLOCAL hMem) { return GlobalSize(hMem); }
HLOCAL LocalReAlloc(HLOCAL hMem, SIZE_T uBytes, UINT uFlags) { return GlobalReAlloc(hMem, uBytes, uFlags); }
HLOCAL LocalFree(HLOCAL hMem) { return GlobalFree(hMem); }
