#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace tessaly::fuzz {

const std::string& Folder() {
  static const std::string folder = [] {
    const char* root = std::getenv("TESSALY_MACHINE_ROOT");
    std::string base = root != nullptr && *root != '\0' ? root : "/tmp";
    std::error_code ignored;
    std::filesystem::create_directories(base, ignored);
    std::string pattern = base + "/fuzz-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      std::perror(pattern.c_str());
      std::abort();
    }
    if (root == nullptr || *root == '\0') ::setenv("TESSALY_MACHINE_ROOT", pattern.c_str(), 1);
    return pattern;
  }();
  return folder;
}

std::string WriteFile(const std::string& name, const uint8_t* data, size_t size) {
  std::string path = Folder() + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::wstring Input::Text(size_t max) {
  std::wstring text;
  while (text.size() < max && m_pos + 1 < m_size) {
    const wchar_t c = static_cast<wchar_t>(m_data[m_pos] | (m_data[m_pos + 1] << 8));
    m_pos += 2;
    if (c == 0) break;
    text += c;
  }
  return text;
}

std::wstring Input::Rest() {
  std::wstring text;
  while (m_pos < m_size) text += static_cast<wchar_t>(m_data[m_pos++]);
  return text;
}

}  // namespace tessaly::fuzz
