// What the runtime tells the program about client connections it cuts off. The runtime cannot
// reach the program's protocol; the program implements this and installs it for the runtime's
// lifetime.
#pragma once

#include <cstddef>

namespace tessaly::rpc {

class IConnectionObserver {
 public:
  virtual ~IConnectionObserver() = default;
  // On the loop thread, so it must not wait: a client's connection was dropped because the client
  // stopped reading; queuedBytes were still waiting to be sent to it.
  virtual void OnStalledClientDropped(size_t queuedBytes) = 0;
};

// The installed observer, or null (any thread).
IConnectionObserver* GetConnectionObserver();
void SetConnectionObserver(IConnectionObserver* observer);

// Installs an observer for its lifetime and puts the one before it back.
class CScopedConnectionObserver {
 public:
  explicit CScopedConnectionObserver(IConnectionObserver* observer) : m_previous(GetConnectionObserver()) {
    SetConnectionObserver(observer);
  }
  ~CScopedConnectionObserver() { SetConnectionObserver(m_previous); }
  CScopedConnectionObserver(const CScopedConnectionObserver&) = delete;
  CScopedConnectionObserver& operator=(const CScopedConnectionObserver&) = delete;

 private:
  IConnectionObserver* m_previous;
};

}  // namespace tessaly::rpc
