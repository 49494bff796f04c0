#include "platform/afx/RuntimeClass.h"

#include <cstring>
#include <mutex>
#include <vector>

namespace {
std::mutex& Lock() {
  static std::mutex lock;
  return lock;
}
std::vector<const CRuntimeClass*>& Classes() {
  static std::vector<const CRuntimeClass*> classes;
  return classes;
}
}  // namespace

bool CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
  for (const CRuntimeClass* c = this; c != nullptr; c = c->m_pBaseClass)
    if (c == base) return true;
  return false;
}

void AfxRegisterRuntimeClass(const CRuntimeClass* runtimeClass) {
  std::lock_guard<std::mutex> lock(Lock());
  for (const CRuntimeClass* known : Classes())
    if (known == runtimeClass) return;
  Classes().push_back(runtimeClass);
}

const CRuntimeClass* AfxFindRuntimeClass(const char* name) {
  if (name == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(Lock());
  for (const CRuntimeClass* known : Classes())
    if (std::strcmp(known->m_lpszClassName, name) == 0) return known;
  return nullptr;
}
