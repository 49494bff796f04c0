// What a test sink was handed, in order, with a wait for what the test expects. Waits are
// bounded only as a guard against a failing test.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

template <class T>
class CTestRecorder {
 public:
  void Add(T item) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_items.push_back(std::move(item));
    }
    m_cv.notify_all();
  }
  template <class Match>
  std::vector<T> Matching(Match match) {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<T> out;
    for (const T& item : m_items)
      if (match(item)) out.push_back(item);
    return out;
  }
  // Waits until n items that match were added.
  template <class Match>
  bool WaitFor(size_t n, Match match) {
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cv.wait_for(lock, std::chrono::seconds(10), [&] {
      size_t found = 0;
      for (const T& item : m_items)
        if (match(item)) ++found;
      return found >= n;
    });
  }

 private:
  std::mutex m_mutex;
  std::condition_variable m_cv;
  std::vector<T> m_items;
};
