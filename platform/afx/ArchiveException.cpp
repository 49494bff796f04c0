#include "platform/afx/ArchiveException.h"

const char* CArchiveException::what() const noexcept {
  switch (m_cause) {
    case none: return "archive: no error";
    case genericException: return "archive: generic error";
    case readOnly: return "archive: read only";
    case endOfFile: return "archive: end of file";
    case writeOnly: return "archive: write only";
    case badIndex: return "archive: file not readable or element missing";
    case badClass: return "archive: bad class";
    case badSchema: return "archive: unsupported version";
    default: return "archive: error";
  }
}

void AfxThrowArchiveException(int cause) { throw CArchiveException(cause); }
