#include "foundation/KxFileTime.h"

#include "platform/win32/Time.h"

void CKxFileTime::SetCurrentTime() {
  SYSTEMTIME now;
  GetSystemTime(&now);
  FILETIME ft{0, 0};
  if (SystemTimeToFileTime(&now, &ft)) m_ft = ft;
}
