#include "platform/win32/MachineRoot.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>

#include "platform/win32/TextConv.h"

namespace tessaly::win32 {
namespace {

std::string TrimTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

bool MakeAllLevels(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  for (size_t pos = 1; pos <= path.size(); ++pos) {
    if (pos != path.size() && path[pos] != '/') continue;
    std::string level = path.substr(0, pos);
    // The root itself is its owner's alone; the folders above it are the user's as usual.
    if (::mkdir(level.c_str(), pos == path.size() ? 0700 : 0777) != 0 && errno != EEXIST) return false;
  }
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::string MachineRootFromEnvironment() {
  const char* root = std::getenv("TESSALY_MACHINE_ROOT");
  if (root != nullptr && *root != '\0') return TrimTrailingSlashes(root);
  std::string data;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && *xdg == '/') {
    data = xdg;
  } else {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') return {};
    data = TrimTrailingSlashes(home) + "/.local/share";
  }
  return TrimTrailingSlashes(data) + "/tessaly/machine";
}

std::string GetMachineRoot() {
  std::string root = MachineRootFromEnvironment();
  // Checked on every call: a test may remove the folder it pointed the root at. A root that
  // cannot be made is still returned; callers get their error from the file system.
  if (!root.empty()) MakeAllLevels(root);
  return root;
}

std::wstring GetMachineRootW() { return Utf8ToWide(GetMachineRoot()); }

}  // namespace tessaly::win32
