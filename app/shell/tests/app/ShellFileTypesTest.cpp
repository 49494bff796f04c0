// The desktop's file types written by "-RegServer" and removed by "-UnregServer": the desktop
// entry and the project types under the machine root, and what the desktop's own tools then say
// of a project file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/shell/ShellFileTypes.h"
#include "platform/win32/Files.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

bool Installed(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0; }

// The command's first line of output.
std::string FirstLineOf(const std::string& command) {
  std::string out;
  if (FILE* pipe = ::popen(command.c_str(), "r")) {
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe) != nullptr) out += buf;
    ::pclose(pipe);
  }
  return out.substr(0, out.find('\n'));
}

std::string Read(const CString& path) {
  std::vector<BYTE> bytes;
  if (tessaly::win32::ReadWholeFile(path, bytes) != ERROR_SUCCESS) return "<none>";
  return std::string(bytes.begin(), bytes.end());
}

class ShellFileTypes : public ::testing::Test {
 protected:
  std::string Native(const wchar_t* name) {
    return tessaly::win32::NativePath(CString(tessaly::win32::JoinPath(CString(m_root.Path().c_str()), name).c_str()));
  }
  // What xdg-mime says of the file, with the machine root's data folder among the desktop's.
  std::string FileType(const std::string& file) {
    return FirstLineOf("env -u XDG_CURRENT_DESKTOP XDG_DATA_HOME='" + tessaly::win32::NativePath(m_data) +
               "' XDG_DATA_DIRS=/usr/local/share:/usr/share xdg-mime query filetype '" + file + "' 2>/dev/null");
  }
  CString Entry(int instance) {
    return CString(tessaly::win32::JoinPath(m_data, L"applications/" + GetDesktopEntryName(instance)).c_str());
  }

  tessaly::testing::TempMachineRoot m_root;
  CString m_data = GetShellDataFolder();
};

TEST_F(ShellFileTypes, RegServerWritesTheEntryAndTheTypesAndUnregServerRemovesThem) {
  EXPECT_EQ(0, m_data.Find(CString(m_root.Path().c_str()))) << "under the machine root";
  ASSERT_TRUE(RegisterShellFileTypes(L"/opt/tessaly/SVR_7/tes $aly", 7, m_data));
  ASSERT_TRUE(RegisterShellFileTypes(L"/opt/tessaly/bin/tessaly", 0, m_data));
  const std::string entry = Read(Entry(7));
  EXPECT_NE(std::string::npos, entry.find("Exec=\"/opt/tessaly/SVR_7/tes \\\\$aly\" %f\n")) << entry;
  EXPECT_NE(std::string::npos, entry.find("MimeType=application/x-tessaly-project;application/x-tessaly-legacy-project;"));
  EXPECT_NE(std::string::npos, entry.find("Name=Tessaly_7\n"));
  const std::string types = Read(GetMimePackagePath(m_data));
  EXPECT_NE(std::string::npos, types.find("<comment>Tessaly Configuration Files</comment>"));
  EXPECT_NE(std::string::npos, types.find("<glob pattern=\"*.tdbx\"/>"));
  EXPECT_NE(std::string::npos, types.find("<glob pattern=\"*.tdb\"/>"));
  if (Installed("desktop-file-validate")) {
    EXPECT_EQ(0, std::system(("desktop-file-validate '" + tessaly::win32::NativePath(Entry(0)) + "'").c_str()));
  }

  const std::string project = Native(L"plant.tdbx");
  const std::string legacy = Native(L"plant.tdb");
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(CString(Utf8ToWide(project).c_str()),
                                                              std::string("<?xml version=\"1.0\" ?>\n<configuration version=\"2\"/>\n")));
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(CString(Utf8ToWide(legacy).c_str()), std::string("\x01\x02", 2)));
  // Outside a known desktop xdg-mime asks File::MimeInfo's mimetype, which reads the database.
  const bool desktopTools = Installed("xdg-mime") && Installed("update-mime-database") && Installed("mimetype");
  if (desktopTools) {
    EXPECT_EQ("application/x-tessaly-project", FileType(project));
    EXPECT_EQ("application/x-tessaly-legacy-project", FileType(legacy));
  }

  // The types stay while an instance's entry is left.
  EXPECT_TRUE(UnregisterShellFileTypes(0, m_data));
  EXPECT_EQ("<none>", Read(Entry(0)));
  EXPECT_NE("<none>", Read(GetMimePackagePath(m_data)));
  EXPECT_TRUE(UnregisterShellFileTypes(7, m_data));
  EXPECT_EQ("<none>", Read(Entry(7)));
  EXPECT_EQ("<none>", Read(GetMimePackagePath(m_data)));
  if (desktopTools) {
    EXPECT_NE("application/x-tessaly-project", FileType(project));
  }
  if (!desktopTools) GTEST_SKIP() << "xdg-mime, mimetype or update-mime-database is missing: the desktop's answer is untested";
}

}  // namespace
