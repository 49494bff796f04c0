// The binary archive of older files, in its little-endian form: numbers, strings in their
// ANSI (Windows-1252) or Unicode form with the three length forms, and class references (a
// new class with its schema and name, or a back-reference to one met before).
//
// Loading reads from a caller's buffer and checks every length against the bytes left before
// it allocates anything: a short or foreign file raises CArchiveException (endOfFile, badClass,
// badIndex or badSchema), never reads past the end. Storing fills a byte buffer; strings are
// written in the Unicode form.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/afx/ArchiveException.h"
#include "platform/afx/RuntimeClass.h"
#include "platform/win32/CString.h"

class CArchive {
 public:
  enum Mode { store = 0, load = 1 };

  // Loading over bytes that must outlive the archive.
  CArchive(const BYTE* data, size_t size);
  // Storing.
  CArchive();
  CArchive(const CArchive&) = delete;
  CArchive& operator=(const CArchive&) = delete;

  bool IsLoading() const { return m_nMode == load; }
  bool IsStoring() const { return m_nMode == store; }
  size_t GetBytesLeft() const { return m_nSize - m_nPos; }
  const std::vector<BYTE>& GetStoredBytes() const { return m_stored; }

  void Read(void* out, size_t bytes);
  void Write(const void* data, size_t bytes);

  CArchive& operator>>(BYTE& value);
  CArchive& operator>>(WORD& value);
  CArchive& operator>>(DWORD& value);
  CArchive& operator>>(ULONGLONG& value);
  CArchive& operator>>(CString& value);
  CArchive& operator<<(BYTE value);
  CArchive& operator<<(WORD value);
  CArchive& operator<<(DWORD value);
  CArchive& operator<<(ULONGLONG value);
  CArchive& operator<<(const CString& value);

  // A new class the first time, a back-reference after that.
  void WriteClass(const CRuntimeClass* runtimeClass);
  // The class the reference names; it must be `expected` or derived from it (else badClass).
  // An unknown name is badClass, a back-reference out of range badIndex, a schema that a
  // class without VERSIONABLE_SCHEMA does not have badSchema. *schema gets the schema read.
  const CRuntimeClass* ReadClass(const CRuntimeClass* expected, UINT* schema = nullptr);

  static constexpr WORD wNewClassTag = 0xFFFF;
  static constexpr WORD wClassTag = 0x8000;
  static constexpr WORD wBigObjectTag = 0x7FFF;
  static constexpr DWORD dwBigClassTag = 0x80000000;
  static constexpr size_t kMaxClassNameLength = 63;

 private:
  // The length of the string that follows and whether it is Unicode.
  ULONGLONG ReadStringLength(bool& unicode);

  int m_nMode;
  const BYTE* m_pData = nullptr;
  size_t m_nSize = 0;
  size_t m_nPos = 0;
  std::vector<BYTE> m_stored;
  // Index 0 is the null reference; classes are numbered from 1 in the order met.
  std::vector<const CRuntimeClass*> m_classes{nullptr};
};
