// The number of active OPC tags on an NV or CP, shared by the OPC threads.
#pragma once

#include <atomic>

class CConnectedOPCItemsCounter {
 public:
  // True when the count went from 0 to 1.
  bool Increment() { return m_nCount.fetch_add(1) == 0; }
  // True when the count went from 1 to 0; never below 0.
  bool Decrement() {
    int current = m_nCount.load();
    while (current > 0) {
      if (m_nCount.compare_exchange_weak(current, current - 1)) return current == 1;
    }
    return false;
  }

  std::atomic<int> m_nCount{0};
};
