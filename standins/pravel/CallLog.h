// The record of calls a stand-in keeps for tests: one line per call, shared by every object of
// the library in this process (each stand-in library has its own).
#pragma once

#include <string>

class CCallLog {
 public:
  static void Add(std::wstring line);
  // The lines joined with "\n".
  static std::wstring Text();
  static void Clear();
};
