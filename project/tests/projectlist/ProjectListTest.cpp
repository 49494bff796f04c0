// The last-project list of the server instances in projects.xml: its form, the entries of
// other instances kept through a change, broken files kept aside, and two processes recording
// at once.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/win32/Files.h"
#include "platform/win32/testing/TempMachineRoot.h"
#include "project/ProjectList.h"

namespace {

class ProjectListTest : public ::testing::Test {
 protected:
  CString Path(const wchar_t* name) { return CString(tessaly::win32::JoinPath(CString(root.Path().c_str()), name)); }
  std::string Text(const CString& path) {
    std::vector<BYTE> bytes;
    tessaly::win32::ReadWholeFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
  }
  void Write(const CString& path, const std::string& text) {
    ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(path, text));
  }
  tessaly::testing::TempMachineRoot root;
};

TEST_F(ProjectListTest, WithNoFileTheFirstRecordCreatesIt) {
  const CString list = Path(L"projects.xml");
  EXPECT_TRUE(CProjectList::SetLastProjectPath(list, 3, L"/data/a b.tdbx"));
  EXPECT_EQ(
      "<?xml version=\"1.0\" ?>\n<project_files version=\"1\">\n    <file index=\"3\">/data/a b.tdbx</file>\n"
      "</project_files>\n",
      Text(list));
  EXPECT_EQ(CString(L"/data/a b.tdbx"), CProjectList::GetLastProjectPath(list, 3));
  EXPECT_TRUE(CProjectList::GetLastProjectPath(list, 4).IsEmpty());
  EXPECT_FALSE(CProjectList::SetLastProjectPath(list, 4, L"")) << "an empty path is not recorded";
  EXPECT_TRUE(CProjectList::GetLastProjectPath(list, 4).IsEmpty());
}

TEST_F(ProjectListTest, AllSeventeenEntriesSurviveAChangeInAscendingOrder) {
  const CString list = Path(L"projects.xml");
  for (int instance = 16; instance >= 0; --instance) {
    CString project;
    project.Format(L"/data/p%d.tdbx", instance);
    ASSERT_TRUE(CProjectList::SetLastProjectPath(list, instance, project));
  }
  ASSERT_TRUE(CProjectList::SetLastProjectPath(list, 9, L"/data/changed.tdbx"));
  CProjectList read;
  ASSERT_TRUE(read.Load(list));
  ASSERT_EQ(17u, read.GetFiles().size());
  for (int instance = 0; instance <= 16; ++instance) {
    CString project;
    project.Format(L"/data/p%d.tdbx", instance);
    EXPECT_EQ(instance == 9 ? CString(L"/data/changed.tdbx") : project, read.GetFile(instance));
  }
  const std::string text = Text(list);
  size_t previous = 0;
  for (int instance = 0; instance <= 16; ++instance) {
    size_t at = text.find("index=\"" + std::to_string(instance) + "\"");
    ASSERT_NE(std::string::npos, at);
    EXPECT_LT(previous, at);
    previous = at;
  }
}

TEST_F(ProjectListTest, ReadingSkipsEntriesWithoutIndexAndRefusesOtherVersions) {
  CProjectList list;
  EXPECT_TRUE(list.LoadFromText(
      "<project_files version=\"1\"><file>/x</file><file index=\"2\">/a</file><file index=\"two\">/y</file>"
      "<file index=\"5\"/><file index=\"2\">/b</file></project_files>"));
  EXPECT_EQ(2u, list.GetFiles().size());
  EXPECT_EQ(CString(L"/b"), list.GetFile(2)) << "a later entry replaces an earlier one";
  EXPECT_TRUE(list.GetFile(5).IsEmpty());
  EXPECT_FALSE(list.LoadFromText("<project_files version=\"2\"><file index=\"1\">/a</file></project_files>"));
  EXPECT_FALSE(list.LoadFromText("<project_files><file index=\"1\">/a</file></project_files>"));
  EXPECT_FALSE(list.LoadFromText("<projects version=\"1\"/>"));
  EXPECT_TRUE(list.GetFiles().empty());
}

TEST_F(ProjectListTest, AHandFormattedListLoadsItsPathsWithoutTheLayout) {
  CProjectList list;
  ASSERT_TRUE(list.LoadFromText("<project_files version=\" 1 \">\n"
                                "  <file index=\" 3\">\n    /plants/north  hall.tdbx\n  </file>\n"
                                "  <file index=\"4\"> /plants/ south.tdbx</file>\n"
                                "</project_files>\n"));
  EXPECT_EQ(CString(L"/plants/north  hall.tdbx"), list.GetFile(3));
  EXPECT_EQ(CString(L" /plants/ south.tdbx"), list.GetFile(4)) << "blanks on the path's own line are the path's";
}

TEST_F(ProjectListTest, AFileThatDoesNotLoadIsKeptAsideBeforeItIsReplaced) {
  const CString list = Path(L"projects.xml");
  const std::string version2 = "<project_files version=\"2\"><file index=\"1\">/a</file></project_files>";
  Write(list, version2);
  EXPECT_TRUE(CProjectList::SetLastProjectPath(list, 0, L"/data/new.tdbx"));
  EXPECT_EQ(version2, Text(list + L".bak"));
  CProjectList read;
  ASSERT_TRUE(read.Load(list));
  EXPECT_EQ(1u, read.GetFiles().size());
  EXPECT_EQ(CString(L"/data/new.tdbx"), read.GetFile(0));
}

TEST_F(ProjectListTest, ASaveThatCannotBeWrittenReportsFalse) {
  const CString folder = Path(L"missing-folder");
  CProjectList list;
  list.SetFile(0, L"/a");
  EXPECT_FALSE(list.Save(folder + L"/projects.xml"));
}

TEST_F(ProjectListTest, TwoProcessesRecordingAHundredTimesEachLoseNothing) {
  const CString list = Path(L"projects.xml");
  auto record = [&](int instance) {
    bool ok = true;
    for (int i = 0; i < 100; ++i) {
      CString project;
      project.Format(L"/data/i%d_%d.tdbx", instance, i);
      ok = CProjectList::SetLastProjectPath(list, instance, project) && ok;
      // Every entry this process wrote before must still be there after the other's writes.
      ok = CProjectList::GetLastProjectPath(list, instance) == project && ok;
    }
    return ok;
  };
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) _exit(record(1) ? 0 : 1);
  const bool parentOk = record(2);
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(parentOk);
  CProjectList read;
  ASSERT_TRUE(read.Load(list));
  EXPECT_EQ(CString(L"/data/i1_99.tdbx"), read.GetFile(1));
  EXPECT_EQ(CString(L"/data/i2_99.tdbx"), read.GetFile(2));
}

}  // namespace
