// The error that file readers and writers raise, with the cause codes of an MFC archive so that
// a reader handles XML and legacy binary files alike. Thrown and caught by value.
#pragma once

#include <exception>

class CArchiveException : public std::exception {
 public:
  enum {
    none = 0,
    genericException = 1,
    readOnly = 2,
    endOfFile = 3,
    writeOnly = 4,
    badIndex = 5,   // unreadable file or missing element
    badClass = 6,
    badSchema = 7,  // unsupported version
  };

  explicit CArchiveException(int cause = none) noexcept : m_cause(cause) {}
  const char* what() const noexcept override;

  int m_cause;
};

[[noreturn]] void AfxThrowArchiveException(int cause);
