// Sets a process-wide pointer that tests or the application replace, for the installer's
// lifetime, and puts the one before it back.
#pragma once

template <class T, T* (*Get)(), void (*Set)(T*)>
class CScopedInstaller {
 public:
  explicit CScopedInstaller(T* value) : m_pPrevious(Get()) { Set(value); }
  ~CScopedInstaller() { Set(m_pPrevious); }
  CScopedInstaller(const CScopedInstaller&) = delete;
  CScopedInstaller& operator=(const CScopedInstaller&) = delete;

 private:
  T* m_pPrevious;
};
