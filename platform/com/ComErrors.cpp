#include "platform/com/ComErrors.h"

#include <cwchar>
#include <unordered_map>

#include "platform/com/Memory.h"

namespace {

const std::unordered_map<ULONG, const wchar_t*>& HresultTexts() {
  static const std::unordered_map<ULONG, const wchar_t*> texts = {
      {0x00000000, L"The operation completed successfully."},
      {0x00000001, L"Incorrect function."},  // S_FALSE shares its code with ERROR_INVALID_FUNCTION
      {0x8000FFFF, L"Catastrophic failure"},
      {0x80004001, L"Not implemented"},
      {0x80004002, L"No such interface supported"},
      {0x80004003, L"Invalid pointer"},
      {0x80004004, L"Operation aborted"},
      {0x80004005, L"Unspecified error"},
      {0x8000000A, L"The data necessary to complete this operation is not yet available."},
      {0x8000000B, L"The operation attempted to access data outside the valid range"},
      {0x80004021, L"The operation is not supported."},
      {0x80040110, L"Class does not support aggregation (or class object is remote)"},
      {0x80040111, L"ClassFactory cannot supply requested class"},
      {0x80040112, L"Class is not licensed for use"},
      {0x80040150, L"Could not read key from registry"},
      {0x80040151, L"Could not write key to registry"},
      {0x80040152, L"Could not find the key in the registry"},
      {0x80040153, L"Invalid value for registry"},
      {0x80040154, L"Class not registered"},
      {0x80040155, L"Interface not registered"},
      {0x800401F0, L"CoInitialize has not been called."},
      {0x800401F1, L"CoInitialize has already been called."},
      {0x800401F2, L"Class of object cannot be determined"},
      {0x800401F3, L"Invalid class string"},
      {0x800401F4, L"Invalid interface string"},
      {0x800401F5, L"Application not found"},
      {0x800401F8, L"DLL for class not found"},
      {0x800401F9, L"Error in the DLL"},
      {0x800401FB, L"Object is not registered"},
      {0x800401FC, L"Object is already registered"},
      {0x800401FD, L"Object is not connected to server"},
      {0x800401FF, L"Object has been released"},
      {0x80080005, L"Server execution failed"},
      {0x80080008, L"Object server is stopping when OLE service contacts it"},
      {0x00080012, L"Not all the requested interfaces were available"},
      {0x80010001, L"Call was rejected by callee."},
      {0x80010105, L"The server threw an exception."},
      {0x80010106, L"Cannot change thread mode after it is set."},
      {0x80010108, L"The object invoked has disconnected from its clients."},
      {0x8001010A, L"The message filter indicated that the application is busy."},
      {0x8001010E, L"The application called an interface that was marshalled for a different thread."},
      {0x80010119, L"The call was made too late to take effect."},
      {0x8001011F, L"This operation returned because the timeout period expired."},
      {0x80010009, L"The data packet with the marshalled parameter data is incorrect."},
      {0x8001011B, L"Access is denied."},
      {0x80090325, L"The certificate chain was issued by an authority that is not trusted."},
      {0x80020001, L"Unknown interface."},
      {0x80020003, L"Member not found."},
      {0x80020004, L"Parameter not found."},
      {0x80020005, L"Type mismatch."},
      {0x80020006, L"Unknown name."},
      {0x80020007, L"No named arguments."},
      {0x80020008, L"Bad variable type."},
      {0x80020009, L"Exception occurred."},
      {0x8002000A, L"Out of present range."},
      {0x8002000B, L"Invalid index."},
      {0x8002000C, L"Unknown language."},
      {0x8002000D, L"Memory is locked."},
      {0x8002000E, L"Invalid number of parameters."},
      {0x8002000F, L"Parameter not optional."},
      {0x80020010, L"Invalid callee."},
      {0x80020011, L"Does not support a collection."},
      {0x80020012, L"Division by zero."},
      {0x80020013, L"Buffer too small"},
      {0x8002801D, L"Library not registered."},
      {0x8002802B, L"Element not found."},
      {0x80040000, L"Invalid OLEVERB structure"},
      {0x80040001, L"Invalid advise flags"},
      {0x80040002, L"Can't enumerate any more, because the associated data is missing"},
      {0x80040003, L"This implementation doesn't take advises"},
      {0x80040004, L"There is no connection for this connection ID"},
      {0x80040005, L"Need to run the object to perform this operation"},
      {0x00040000, L"Use the registry database to provide the requested information"},
      {0x80040064, L"Invalid FORMATETC structure"},
      {0x80040065, L"Invalid DVTARGETDEVICE structure"},
      {0x80040066, L"Invalid STDGMEDIUM structure"},
      {0x80040067, L"Invalid STATDATA structure"},
      {0x80040068, L"Invalid lindex"},
      {0x80040069, L"Invalid tymed"},
      {0x8004006A, L"Invalid clipboard format"},
      {0x8004006B, L"Invalid aspect(s)"},
      {0x00040130, L"Data has same FORMATETC"},
      // CONNECT_E_* and SELFREG_E_* share these values; the connection texts are the ones seen here.
      {0x80040200, L"Connection point has no connection"},
      {0x80040201, L"Connection limit reached"},
      {0x80040202, L"Connection cannot be made"},
      {0x80040203, L"Connection point overridden"},
      {0x80030001, L"Unable to perform requested operation."},
      {0x80030002, L"The file could not be found."},
      {0x80030005, L"Access Denied."},
      {0x80030008, L"There is insufficient memory available to complete operation."},
      {0x80030009, L"Invalid pointer error."},
      {0x8003001D, L"A disk error occurred during a write operation."},
      {0x8003001E, L"A disk error occurred during a read operation."},
      {0x80030057, L"Invalid parameter error."},
      {0x80030070, L"There is insufficient disk space to complete operation."},
  };
  return texts;
}

const std::unordered_map<ULONG, const wchar_t*>& Win32Texts() {
  static const std::unordered_map<ULONG, const wchar_t*> texts = {
      {0, L"The operation completed successfully."},
      {1, L"Incorrect function."},
      {2, L"The system cannot find the file specified."},
      {3, L"The system cannot find the path specified."},
      {5, L"Access is denied."},
      {6, L"The handle is invalid."},
      {8, L"Not enough memory resources are available to process this command."},
      {14, L"Not enough memory resources are available to complete this operation."},
      {29, L"The system cannot write to the specified device."},
      {30, L"The system cannot read from the specified device."},
      {39, L"The disk is full."},
      {50, L"The request is not supported."},
      {80, L"The file exists."},
      {87, L"The parameter is incorrect."},
      {112, L"There is not enough space on the disk."},
      {122, L"The data area passed to a system call is too small."},
      {123, L"The filename, directory name, or volume label syntax is incorrect."},
      {145, L"The directory is not empty."},
      {183, L"Cannot create a file when that file already exists."},
      {234, L"More data is available."},
      {259, L"No more data is available."},
      {1009, L"The configuration registry database is corrupt."},
      {1010, L"The configuration registry key is invalid."},
      {1011, L"The configuration registry key could not be opened."},
      {1012, L"The configuration registry key could not be read."},
      {1013, L"The configuration registry key could not be written."},
      {1018, L"Illegal operation attempted on a registry key that has been marked for deletion."},
      {1400, L"Invalid window handle."},
      {1460, L"This operation returned because the timeout period expired."},
  };
  return texts;
}

}  // namespace

std::wstring ComErrorText(HRESULT hr) {
  const ULONG code = static_cast<ULONG>(hr);
  const auto& com = HresultTexts();
  if (auto it = com.find(code); it != com.end()) return it->second;
  const auto& win32 = Win32Texts();
  ULONG win32Code = code;
  if ((code & 0xFFFF0000u) == 0x80070000u) win32Code = code & 0xFFFFu;  // HRESULT_FROM_WIN32
  if (auto it = win32.find(win32Code); it != win32.end()) return it->second;
  return std::wstring();
}

DWORD FormatMessageW(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId, LPWSTR lpBuffer,
                     DWORD nSize, va_list* Arguments) {
  UNREFERENCED_PARAMETER(lpSource);
  UNREFERENCED_PARAMETER(dwLanguageId);
  UNREFERENCED_PARAMETER(Arguments);
  if (!(dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) || (dwFlags & (FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_HMODULE)))
    return 0;
  if (lpBuffer == nullptr) return 0;
  std::wstring text = ComErrorText(static_cast<HRESULT>(dwMessageId));
  if (text.empty()) return 0;
  text += L"\r\n";
  const DWORD length = static_cast<DWORD>(text.size());
  if (dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
    // nSize is then the least number of characters to allocate.
    const SIZE_T chars = (length + 1 > nSize ? length + 1 : nSize);
    auto* out = static_cast<LPWSTR>(LocalAlloc(LMEM_FIXED | LMEM_ZEROINIT, chars * sizeof(wchar_t)));
    if (out == nullptr) return 0;
    std::wmemcpy(out, text.c_str(), length + 1);
    *reinterpret_cast<LPWSTR*>(lpBuffer) = out;
    return length;
  }
  if (length + 1 > nSize) return 0;
  std::wmemcpy(lpBuffer, text.c_str(), length + 1);
  return length;
}
