// Shared by the harnesses: what must hold is checked with FUZZ_CHECK, which aborts so that both
// libFuzzer and the replay test report it; inputs that name a file are written to a private
// folder first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                          \
  do {                                                                                 \
    if (!(condition)) {                                                                \
      std::fprintf(stderr, "%s:%d: FUZZ_CHECK failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                    \
    }                                                                                  \
  } while (0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace tessaly::fuzz {

// A folder of this process's own, under the machine root (which it points at a fresh folder
// when none is set), made on first use.
const std::string& Folder();
// Writes bytes to a file of that name in Folder() and returns its path.
std::string WriteFile(const std::string& name, const uint8_t* data, size_t size);
std::string ReadFile(const std::string& path);

// Reads the input front to back: small numbers for choices, then text.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  uint8_t Byte() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  // UTF-16 text of up to max characters, two bytes each, ended early by a zero character.
  std::wstring Text(size_t max);
  // Whatever is left, one character per byte.
  std::wstring Rest();
  const uint8_t* RestData() const { return m_data + m_pos; }
  size_t RestSize() const { return m_size - m_pos; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

}  // namespace tessaly::fuzz
