// The OPC 1.0 data advise streams, written field by field in the byte layout of 32-bit Windows
// that OPC 1.0 clients read: little-endian, packed, 16-byte VARIANTs whose pointers are written
// as 0, strings as UTF-16LE. Nothing is copied from memory: here a VARIANT is 24 bytes,
// wchar_t 4 and pointers 8.
//
// A stream goes into a moveable global block that grows in steps of 4096 bytes (it may be
// longer than the stream). The data streams are written header first with a size of 0, then
// every item header and value at its offset, and the header again with the size last.
#pragma once

#include <cstddef>

#include "interfaces/opc/OpcDa.h"
#include "platform/com/Memory.h"

// The registered numbers of the three formats; they are also the advise connection numbers.
struct COPCStreamFormats {
  CLIPFORMAT data;           // "OPCSTMFORMATDATA"
  CLIPFORMAT dataTime;       // "OPCSTMFORMATDATATIME"
  CLIPFORMAT writeComplete;  // "OPCSTMFORMATWRITECOMPLETE"
};
// Registered on first use, once per process.
const COPCStreamFormats& GetOpcStreamFormats();

class COPCStreamWriter {
 public:
  static constexpr size_t kGrowStep = 4096;
  static constexpr DWORD kGroupHeaderSize = 20;
  static constexpr DWORD kItemHeaderSize = 12;
  static constexpr DWORD kItemHeaderTimeSize = 20;
  static constexpr DWORD kVariantSize = 16;
  static constexpr DWORD kArrayDescriptorSize = 24;

  COPCStreamWriter() = default;
  COPCStreamWriter(const COPCStreamWriter&) = delete;
  COPCStreamWriter& operator=(const COPCStreamWriter&) = delete;
  ~COPCStreamWriter();  // frees a block not detached

  // "OPCSTMFORMATDATA" (withTime false: 12-byte item headers, the value VT_EMPTY unless the
  // quality bits say good) or "OPCSTMFORMATDATATIME" (20-byte headers with the time stamp,
  // always the value). The arrays hold count entries. E_OUTOFMEMORY (and no block) when the
  // block cannot grow.
  static HRESULT WriteDataStream(bool withTime, OPCHANDLE hClientGroup, DWORD transaction, DWORD count,
                                 const OPCHANDLE* clients, const VARIANT* values, const WORD* qualities,
                                 const FILETIME* times, HGLOBAL* out);
  // "OPCSTMFORMATWRITECOMPLETE": 16-byte header (status S_FALSE when any error is negative),
  // then client handle and error per item.
  static HRESULT WriteWriteCompleteStream(OPCHANDLE hClientGroup, DWORD transaction, DWORD count,
                                          const OPCHANDLE* clients, const HRESULT* errors, HGLOBAL* out);

  void Seek(size_t position) { m_position = position; }
  size_t GetPosition() const { return m_position; }
  void WriteBytes(const void* bytes, size_t count);
  void WriteWord(WORD value);
  void WriteDword(DWORD value);
  void WriteFileTime(const FILETIME& value);
  // The VARIANT and what follows it; a value the stream cannot carry goes as VT_EMPTY.
  void WriteValue(const VARIANT& value);
  // False once a growth failed; everything written after that is lost.
  bool IsGood() const { return m_bGood; }
  // The block, now the caller's; null when a growth failed.
  HGLOBAL Detach();

 private:
  bool Reserve(size_t end);

  HGLOBAL m_hBlock = nullptr;
  BYTE* m_pData = nullptr;  // the block, locked
  size_t m_capacity = 0;
  size_t m_position = 0;
  bool m_bGood = true;
};
