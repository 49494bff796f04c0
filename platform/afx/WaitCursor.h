// The hourglass over a long operation. Headless it only counts; the GUI reads the depth.
#pragma once

#include <atomic>

class CWaitCursor {
 public:
  CWaitCursor() { ++s_nDepth; }
  ~CWaitCursor() { --s_nDepth; }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

  static int GetDepth() { return s_nDepth.load(); }

 private:
  static inline std::atomic<int> s_nDepth{0};
};
