// The run-time class of a serialisable class: its name as archives write it, its schema, and
// its base. Classes are entered once in a process-wide table so that an archive can find a
// class by the name it reads.
#pragma once

#include "platform/win32/WinTypes.h"

constexpr UINT VERSIONABLE_SCHEMA = 0x80000000;

struct CRuntimeClass {
  const char* m_lpszClassName;
  UINT m_wSchema;
  const CRuntimeClass* m_pBaseClass;

  bool IsDerivedFrom(const CRuntimeClass* base) const;
};

// Thread-safe. A class entered twice stands once.
void AfxRegisterRuntimeClass(const CRuntimeClass* runtimeClass);
// Exact, case-sensitive; null when no such class was entered.
const CRuntimeClass* AfxFindRuntimeClass(const char* name);
