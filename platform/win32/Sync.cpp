#include "platform/win32/Sync.h"

#include <map>
#include <string>

using namespace tessaly::win32;

void InitializeCriticalSection(LPCRITICAL_SECTION) {}

BOOL InitializeCriticalSectionAndSpinCount(LPCRITICAL_SECTION, DWORD) { return TRUE; }

void EnterCriticalSection(LPCRITICAL_SECTION section) { section->mutex.lock(); }

BOOL TryEnterCriticalSection(LPCRITICAL_SECTION section) { return section->mutex.try_lock() ? TRUE : FALSE; }

void LeaveCriticalSection(LPCRITICAL_SECTION section) { section->mutex.unlock(); }

void DeleteCriticalSection(LPCRITICAL_SECTION) {}

namespace {

class Event : public KernelObject {
 public:
  Event(bool manualReset, bool signalled) : m_manualReset(manualReset), m_signalled(signalled) {}
  bool IsSignalledLocked() const override { return m_signalled; }
  void OnAcquiredLocked() override {
    if (!m_manualReset) m_signalled = false;
  }
  void SetLocked(bool signalled) { m_signalled = signalled; }

 private:
  const bool m_manualReset;
  bool m_signalled;
};

// Named events, by name; an entry lives as long as some handle keeps its event.
std::map<std::wstring, std::weak_ptr<Event>>& NamedEvents() {
  static auto* events = new std::map<std::wstring, std::weak_ptr<Event>>;
  return *events;
}
std::mutex& NamedEventsMutex() {
  static auto* mutex = new std::mutex;
  return *mutex;
}

BOOL SetEventState(HANDLE handle, bool signalled) {
  {
    std::lock_guard<std::mutex> lock(detail::KernelMutex());
    auto event = std::dynamic_pointer_cast<Event>(detail::LookupKernelObjectLocked(handle));
    if (!event) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    event->SetLocked(signalled);
  }
  if (signalled) detail::NotifyKernel();
  return TRUE;
}

}  // namespace

HANDLE CreateEventW(LPSECURITY_ATTRIBUTES, BOOL manualReset, BOOL initialState, LPCWSTR name) {
  if (name == nullptr || *name == L'\0') {
    SetLastError(ERROR_SUCCESS);
    return RegisterKernelObject(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
  }
  std::lock_guard<std::mutex> lock(NamedEventsMutex());
  auto& events = NamedEvents();
  for (auto it = events.begin(); it != events.end();) {
    it = it->second.expired() ? events.erase(it) : std::next(it);
  }
  std::shared_ptr<Event> event = events[name].lock();
  const bool existed = static_cast<bool>(event);
  if (!existed) {
    event = std::make_shared<Event>(manualReset != FALSE, initialState != FALSE);
    events[name] = event;
  }
  HANDLE handle = RegisterKernelObject(event);
  if (handle != nullptr) SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return handle;
}

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }

BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }
