// A gate a test closes to hold a call-back where it is, so that what comes after it stays
// queued, and opens to let it go on. Waits are bounded only as a guard against a failing test.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

class CTestGate {
 public:
  void Close() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_closed = true;
  }
  void Open() {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_closed = false;
    }
    m_cv.notify_all();
  }
  // Called by the held party: waits while the gate is closed.
  void Pass() {
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_waiting;
    m_cv.notify_all();
    m_cv.wait_for(lock, kGuard, [&] { return !m_closed; });
    --m_waiting;
  }
  // Whether a caller is held at the gate now.
  bool HasWaiter() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_waiting > 0;
  }
  // Waits until a caller is held at the gate.
  bool WaitForWaiter() {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, kGuard, [&] { return m_waiting > 0; });
  }

 private:
  static constexpr auto kGuard = std::chrono::seconds(10);
  std::mutex m_mutex;
  std::condition_variable m_cv;
  bool m_closed = false;
  int m_waiting = 0;
};
