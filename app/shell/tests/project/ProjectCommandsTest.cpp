// The application's project commands as the main window runs them: New and Open under the
// document's rule, the recent-file list, dropped files, Exit's questions and the unattended end
// that keeps a changed project in a recovery copy.
#include <gtest/gtest.h>

#include "app/shell/TessalyApp.h"
#include "opcserver/testing/OpcTestClient.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/FileDialog.h"
#include "platform/afx/View.h"
#include "platform/win32/Files.h"
#include "project/Doc.h"
#include "project/DocTemplates.h"
#include "project/tests/doc/DocFixture.h"
#include "standins/kestrum/testing/KestrumEnvironment.h"

namespace {

class ProjectCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_app.InitInstance(L"/t/tessaly", CTessalyCommandLine::Parse(std::vector<CString>{})));
    SetDocHost(&m_host);
    AfxSetDocManager(&m_manager);
    m_manager.LoadStdProfileSettings(&m_app, 4);
    auto view = [] { return std::make_unique<CView>(); };
    AddDocTemplates(m_manager, view, nullptr, view, nullptr);
  }
  void TearDown() override {
    m_manager.CloseAllDocuments(FALSE);
    AfxSetDocManager(nullptr);
    SetDocHost(nullptr);
  }
  void SetStartMode(int mode) {
    m_app.m_nStartMode = mode;
    m_host.m_nStartMode = mode;
  }
  CString Path(const wchar_t* name) { return CString(tessaly::win32::JoinPath(CString(m_env.Root().Path().c_str()), name)); }
  // A project file whose database path names it.
  CString WriteProject(const wchar_t* name) {
    CDoc* doc = static_cast<CDoc*>(m_app.OnFileNew());
    EXPECT_NE(nullptr, doc);
    doc->m_settings.SetString(doc->m_settings.dbpath, name);
    EXPECT_TRUE(doc->DoSave(Path(name)));
    return Path(name);
  }
  CString OpenDbPath() { return CDoc::GetDoc() != nullptr ? CDoc::GetDoc()->m_settings.GetDbPath() : CString(L"<none>"); }
  void StartNetwork() {
    CDoc* doc = CDoc::GetDoc();
    doc->m_settings.SetNetworkInterface(L"LON1", L"FTT-10");
    doc->m_settings.SetString(doc->m_settings.dbpath, CString(m_env.DatabasePath().c_str()));
    doc->OnStart();
    ASSERT_TRUE(doc->IsConnected());
  }
  std::string Read(const CString& path) {
    std::vector<BYTE> bytes;
    if (tessaly::win32::ReadWholeFile(path, bytes) != ERROR_SUCCESS) return "<none>";
    return std::string(bytes.begin(), bytes.end());
  }

  kestrum::testing::CKestrumEnvironment m_env;
  CTestDocHost m_host;
  CTessalyApp m_app;
  CDocManager m_manager;
  std::shared_ptr<CScriptedFileDialogPresenter> m_files = std::make_shared<CScriptedFileDialogPresenter>();
  CScopedFileDialogPresenter m_fileScope{m_files};
};

TEST_F(ProjectCommands, OpenRecentAndDroppedFilesFollowTheRuleOfNewAndOpen) {
  const CString north = WriteProject(L"north.tdbx");
  const CString south = WriteProject(L"south.tdbx");
  ASSERT_NE(nullptr, m_app.OnFileNew());
  EXPECT_TRUE(m_app.CanChangeProject());

  m_files->Answer(north);
  ASSERT_NE(nullptr, m_app.OnFileOpen());
  EXPECT_EQ(CString(L"north.tdbx"), OpenDbPath());
  ASSERT_NE(nullptr, m_app.OpenDroppedFiles({south, north}));
  EXPECT_EQ(CString(L"south.tdbx"), OpenDbPath()) << "the first dropped file opens";
  // The list: south, north (newest first); entry 1 opens north.
  ASSERT_NE(nullptr, m_app.OpenRecentFile(1));
  EXPECT_EQ(CString(L"north.tdbx"), OpenDbPath());

  // While the network runs, and in a start by "Run", none of them changes the project.
  StartNetwork();
  EXPECT_FALSE(m_app.CanChangeProject());
  const size_t asked = m_files->Requests().size();
  EXPECT_EQ(nullptr, m_app.OnFileOpen());
  EXPECT_EQ(asked, m_files->Requests().size()) << "no dialog";
  EXPECT_EQ(nullptr, m_app.OpenDroppedFiles({south}));
  EXPECT_EQ(nullptr, m_app.OpenRecentFile(1));
  EXPECT_TRUE(CDoc::GetDoc()->IsConnected()) << "the network still serves its clients";
  CDoc::GetDoc()->OnStop();
  SetStartMode(StartModeRun);
  EXPECT_FALSE(m_app.CanChangeProject());
  EXPECT_EQ(nullptr, m_app.OpenDroppedFiles({south}));
  EXPECT_EQ(CString(CString(m_env.DatabasePath().c_str())), OpenDbPath());
  m_manager.CloseAllDocuments(FALSE);
  EXPECT_FALSE(m_app.CanChangeProject()) << "without a project: only an interactive start";
  SetStartMode(StartModeInteractive);
  EXPECT_TRUE(m_app.CanChangeProject());
}

TEST_F(ProjectCommands, ARecentFileThatNoLongerOpensLeavesTheListAndTheProfile) {
  const CString north = WriteProject(L"north.tdbx");
  const CString gone = WriteProject(L"gone.tdbx");
  ASSERT_NE(nullptr, m_app.OnFileNew());
  ASSERT_EQ(0, ::remove(tessaly::win32::NativePath(gone).c_str()));
  EXPECT_EQ(nullptr, m_app.OpenRecentFile(0));
  CDocManager later;
  later.LoadStdProfileSettings(&m_app, 4);
  ASSERT_EQ(1, later.GetRecentFileList()->GetCount());
  EXPECT_EQ(north, (*later.GetRecentFileList())[0]);
}

TEST_F(ProjectCommands, ExitAsksAboutClientsThenAboutChangesAndEitherMayKeepTheProgramRunning) {
  CDoc* doc = static_cast<CDoc*>(m_app.OnFileNew());
  ASSERT_NE(nullptr, doc);
  doc->m_settings.SetString(doc->m_settings.dbpath, L"changed");
  const std::vector<CString> expected{L"OPC Clients are currently connected to this server. Exit anyway?",
                                      L"Save changes to Tessaly?"};
  COpcTestClient client;
  struct Case {
    std::vector<int> answers;
    bool exits;
    size_t asked;
  } cases[] = {{{IDNO}, false, 1}, {{IDYES, IDCANCEL}, false, 2}, {{IDYES, IDNO}, true, 2}};
  for (const Case& c : cases) {
    const size_t before = m_env.Prompts().Texts().size();
    for (int answer : c.answers) m_env.Prompts().Answer(answer);
    EXPECT_EQ(c.exits, m_app.CanExit());
    const std::vector<CString> texts = m_env.Prompts().Texts();
    ASSERT_EQ(before + c.asked, texts.size());
    for (size_t i = 0; i < c.asked; ++i) EXPECT_EQ(expected[i], texts[before + i]);
    EXPECT_TRUE(doc->IsModified());
  }
  EXPECT_EQ(0u, m_env.Prompts().UnscriptedCount());
}

TEST_F(ProjectCommands, AnUnattendedEndKeepsChangedProjectsInRecoveryCopiesNeverOverTheirFiles) {
  const CString north = WriteProject(L"north.tdbx");
  const std::string saved = Read(north);
  CDoc* doc = CDoc::GetDoc();
  EXPECT_TRUE(m_app.SaveRecoveryCopies().empty()) << "nothing changed, nothing written";
  doc->m_settings.SetString(doc->m_settings.rootname, L"Changed plant");
  const CString copy = Path(L"north-recovered.tdbx");
  EXPECT_EQ(std::vector<CString>{copy}, m_app.SaveRecoveryCopies());
  EXPECT_EQ(saved, Read(north));
  CSettings recovered(nullptr);
  ASSERT_TRUE(LoadProjectFromText(Read(copy), recovered));
  EXPECT_EQ(CString(L"Changed plant"), recovered.GetRootName());
  EXPECT_EQ(copy, (*m_manager.GetRecentFileList())[0]) << "offered in the File menu next time";

  doc = static_cast<CDoc*>(m_app.OnFileNew());
  doc->SetModifiedFlag();
  const CString untitled =
      CString(tessaly::win32::JoinPath(m_app.GetCommonDataFolder(), doc->GetTitle() + L"-recovered.tdbx").c_str());
  EXPECT_EQ(std::vector<CString>{untitled}, m_app.SaveRecoveryCopies());
  EXPECT_NE("<none>", Read(untitled));
}

}  // namespace
