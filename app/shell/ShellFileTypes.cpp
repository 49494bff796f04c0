#include "app/shell/ShellFileTypes.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/afx/DocTemplate.h"
#include "platform/win32/Files.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/TextConv.h"
#include "project/ProjectResource.h"

extern char** environ;

const wchar_t* const kProjectMimeType = L"application/x-tessaly-project";
const wchar_t* const kLegacyProjectMimeType = L"application/x-tessaly-legacy-project";

namespace {

// Runs a desktop tool, quietly, when it is installed; whether it ran and succeeded.
bool RunTool(const char* tool, const std::string& argument) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  std::string name(tool);
  std::string arg(argument);
  char* argv[] = {name.data(), arg.data(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, tool, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return false;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string Folder(const CString& dataFolder, const wchar_t* sub) {
  return tessaly::win32::NativePath(CString(tessaly::win32::JoinPath(dataFolder, sub).c_str()));
}

// A text of the configuration template's string (its filter name, its extension).
CString TemplateText(CDocTemplate::DocStringIndex index) {
  RegisterProjectStrings();
  CDocTemplate configuration(IDR_TESSALY_TYPE, nullptr, nullptr);
  CString text;
  configuration.GetDocString(text, index);
  return text;
}

// Markup text: the characters XML gives a meaning escaped.
std::string Escaped(const CString& text) {
  std::string out;
  for (char c : WideToUtf8(text.GetString())) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// The executable as a desktop entry's Exec argument: quoted, with the characters the quotes keep
// escaped.
std::string ExecArgument(const CString& executable) {
  std::string out = "\"";
  for (char c : WideToUtf8(executable.GetString())) {
    // Inside the quotes these take a backslash, which the value's own escaping doubles.
    if (c == '\\') {
      out += "\\\\\\\\";
      continue;
    }
    if (c == '"' || c == '`' || c == '$') out += "\\\\";
    if (c == '%') out += '%';
    out += c;
  }
  return out + "\"";
}

}  // namespace

CString GetShellDataFolder() { return CString(tessaly::win32::JoinPath(tessaly::win32::GetMachineRootW().c_str(), L"share").c_str()); }

CString GetDesktopEntryName(int instance) {
  CString name = L"norvane-tessaly";
  if (instance > 0) name.AppendFormat(L"_%d", instance);
  return name + L".desktop";
}

CString GetMimePackagePath(const CString& dataFolder) {
  return CString(tessaly::win32::JoinPath(dataFolder, L"mime/packages/norvane-tessaly.xml").c_str());
}

bool RegisterShellFileTypes(const CString& executable, int instance, const CString& dataFolder) {
  const CString applications(tessaly::win32::JoinPath(dataFolder, L"applications").c_str());
  const CString packages(tessaly::win32::JoinPath(dataFolder, L"mime/packages").c_str());
  if (tessaly::win32::CreateFolderTree(applications) != ERROR_SUCCESS ||
      tessaly::win32::CreateFolderTree(packages) != ERROR_SUCCESS) {
    return false;
  }
  CString filterName = TemplateText(CDocTemplate::filterName);
  const int pattern = filterName.Find(L" (");
  const CString comment = pattern > 0 ? filterName.Left(pattern) : filterName;
  const std::string types = WideToUtf8(kProjectMimeType) + ";" + WideToUtf8(kLegacyProjectMimeType) + ";";
  std::string name = "Tessaly";
  if (instance > 0) name += "_" + std::to_string(instance);
  const std::string entry = "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=" + name + "\n"
                            "Comment=OPC server for LON networks\n"
                            "Exec=" + ExecArgument(executable) + " %f\n"
                            "MimeType=" + types + "\n"
                            "Terminal=false\n"
                            "Categories=Network;\n";
  const std::string mime =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
      "  <mime-type type=\"" + WideToUtf8(kProjectMimeType) + "\">\n"
      "    <comment>" + Escaped(comment) + "</comment>\n"
      "    <sub-class-of type=\"application/xml\"/>\n"
      "    <glob pattern=\"*" + Escaped(TemplateText(CDocTemplate::filterExt)) + "\"/>\n"
      "  </mime-type>\n"
      "  <mime-type type=\"" + WideToUtf8(kLegacyProjectMimeType) + "\">\n"
      "    <comment>" + Escaped(comment) + " (older form)</comment>\n"
      "    <glob pattern=\"*.tdb\"/>\n"
      "  </mime-type>\n"
      "</mime-info>\n";
  const CString entryPath(tessaly::win32::JoinPath(applications, GetDesktopEntryName(instance)).c_str());
  if (tessaly::win32::ReplaceFileSafely(entryPath, entry) != ERROR_SUCCESS) return false;
  if (tessaly::win32::ReplaceFileSafely(GetMimePackagePath(dataFolder), mime) != ERROR_SUCCESS) return false;
  RunTool("update-mime-database", Folder(dataFolder, L"mime"));
  RunTool("update-desktop-database", Folder(dataFolder, L"applications"));
  return true;
}

bool UnregisterShellFileTypes(int instance, const CString& dataFolder) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path applications = Folder(dataFolder, L"applications");
  bool removed = true;
  fs::remove(applications / WideToUtf8(GetDesktopEntryName(instance).GetString()), error);
  if (error) removed = false;
  // The types stay while another instance's entry uses them.
  bool othersLeft = false;
  for (const auto& item : fs::directory_iterator(applications, error)) {
    const std::string file = item.path().filename().string();
    if (file.rfind("norvane-tessaly", 0) == 0 && item.path().extension() == ".desktop") othersLeft = true;
  }
  if (!othersLeft) {
    error.clear();
    fs::remove(tessaly::win32::NativePath(GetMimePackagePath(dataFolder)), error);
    if (error) removed = false;
    if (fs::exists(Folder(dataFolder, L"mime"))) RunTool("update-mime-database", Folder(dataFolder, L"mime"));
  }
  if (fs::exists(applications)) RunTool("update-desktop-database", applications.string());
  return removed;
}
