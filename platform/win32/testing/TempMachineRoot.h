// A fresh machine root for one test: a unique folder under the current root (or /tmp), named
// by TESSALY_MACHINE_ROOT while the object lives. Destruction restores the earlier value and
// removes the folder. The registry follows the switch at once (each call checks the root), and
// its database connection is closed here before the folder goes.
#pragma once

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "platform/win32/MachineRoot.h"
#include "platform/win32/Registry.h"

namespace tessaly::testing {

class TempMachineRoot {
 public:
  TempMachineRoot() {
    if (const char* old = ::getenv("TESSALY_MACHINE_ROOT")) m_previous = old;
    std::string parent = m_previous ? win32::GetMachineRoot() : std::string();
    if (parent.empty()) parent = "/tmp";
    std::string templ = parent + "/test-XXXXXX";
    std::vector<char> buf(templ.begin(), templ.end());
    buf.push_back('\0');
    if (::mkdtemp(buf.data()) == nullptr) throw std::runtime_error("mkdtemp failed under " + parent);
    m_path = buf.data();
    win32::CloseRegistryDatabase();
    ::setenv("TESSALY_MACHINE_ROOT", m_path.c_str(), 1);
  }
  ~TempMachineRoot() {
    win32::CloseRegistryDatabase();
    if (m_previous)
      ::setenv("TESSALY_MACHINE_ROOT", m_previous->c_str(), 1);
    else
      ::unsetenv("TESSALY_MACHINE_ROOT");
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
  }
  TempMachineRoot(const TempMachineRoot&) = delete;
  TempMachineRoot& operator=(const TempMachineRoot&) = delete;

  // UTF-8 path of the folder, without a trailing "/".
  const std::string& Path() const { return m_path; }
  std::wstring PathW() const { return std::filesystem::path(m_path).wstring(); }

 private:
  std::optional<std::string> m_previous;
  std::string m_path;
};

}  // namespace tessaly::testing
