// A tiny in-process component for the activation tests: one class with a custom interface.
#pragma once

#include "platform/com/ComTypes.h"

inline constexpr IID IID_ITestAdder = {0x5D0A4E61, 0x3B2C, 0x4F1A, {0x9E, 0x51, 0x7C, 0x20, 0x11, 0xA4, 0x6B, 0x01}};
inline constexpr CLSID CLSID_TestAdder = {0x5D0A4E62, 0x3B2C, 0x4F1A, {0x9E, 0x51, 0x7C, 0x20, 0x11, 0xA4, 0x6B, 0x01}};

struct ITestAdder : IUnknown {
  virtual HRESULT Add(LONG a, LONG b, LONG* sum) = 0;
  // Throws inside the library, to show the export does not let it out.
  virtual HRESULT Throw() = 0;

 protected:
  ~ITestAdder() = default;
};
DECLARE_INTERFACE_IID(ITestAdder, IID_ITestAdder)

#define TEST_ADDER_PROGID L"Tessaly.TestAdder.1"
#define TEST_ADDER_VI_PROGID L"Tessaly.TestAdder"
