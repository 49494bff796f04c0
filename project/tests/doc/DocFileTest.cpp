// Opening, converting, importing and saving projects through the document.
#include <sys/stat.h>
#include <unistd.h>

#include "foundation/XmlArchive.h"
#include "platform/afx/AfxRes.h"
#include "platform/afx/CommandRouter.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/FileDialog.h"
#include "platform/afx/FrameWnd.h"
#include "platform/win32/Profile.h"
#include "project/DocTemplates.h"
#include "project/ProjectList.h"
#include "project/testing/LegacyProjectWriter.h"
#include "project/tests/doc/DocFixture.h"

namespace {

class DocFileTest : public DocFixture {
 protected:
  void WriteFile(const CString& path, const std::vector<BYTE>& bytes) {
    ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(path, bytes));
  }
  void WriteFile(const CString& path, const std::string& text) {
    ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(path, text));
  }
  std::string ReadFile(const CString& path) {
    std::vector<BYTE> bytes;
    tessaly::win32::ReadWholeFile(path, bytes);
    return std::string(bytes.begin(), bytes.end());
  }
  std::vector<CString> Prompts() { return m_env.Prompts().Texts(); }
};

TEST_F(DocFileTest, ATdbIsConvertedAndNamedTdbxAndStaysModified) {
  CLegacyProjectFields fields;
  fields.dbPath = L"/data/plant.mdb";
  fields.name = L"Old plant";
  const CString tdb = Path(L"a.tdb");
  WriteFile(tdb, WriteLegacyProject(fields));
  m_doc.reset();  // the template makes its own

  CDocTemplate docTemplate(IDR_TESSALY_TYPE, [] { return new CDoc(); }, [] { return std::make_unique<CHintView>(); });
  CDocument* opened = docTemplate.OpenDocumentFile(tdb);
  ASSERT_NE(nullptr, opened);
  auto* doc = static_cast<CDoc*>(opened);
  EXPECT_EQ(tdb + L"x", doc->GetPathName()) << "the framework's own SetPathName keeps the .tdbx";
  EXPECT_EQ(CString(L"a.tdbx"), doc->GetTitle());
  EXPECT_TRUE(doc->IsModified());
  EXPECT_EQ(CString(L"/data/plant.mdb"), doc->m_settings.GetDbPath());
  EXPECT_EQ(CString(L"Old plant"), doc->m_settings.GetRootName());
  EXPECT_EQ((CPortChannel{L"LON1", L"FTT-10"}), doc->m_settings.GetNetworkInterface());
  EXPECT_EQ(0, doc->m_settings.dbmode);
  EXPECT_FALSE(doc->IsConnected()) << "opening leaves the network stopped in an interactive start";

  ASSERT_TRUE(doc->OnSaveDocument(doc->GetPathName()));
  EXPECT_FALSE(doc->IsModified());
  CSettings reread(nullptr);
  ASSERT_TRUE(LoadProjectFromText(ReadFile(tdb + L"x"), reread));
  EXPECT_EQ(CString(L"Old plant"), reread.GetRootName());
  doc->OnCloseDocument();
  EXPECT_TRUE(docTemplate.GetDocuments().empty());
}

TEST_F(DocFileTest, TheTwoTemplatesNameTheProjectFilesAndShowOneDocumentInTwoWorkspaces) {
  m_doc.reset();
  CDocManager manager;
  AddDocTemplates(manager, [] { return std::make_unique<CHintView>(); }, nullptr,
                  [] { return std::make_unique<CHintView>(); }, nullptr);
  ASSERT_EQ(2u, manager.GetTemplates().size());
  CDocTemplate* configuration = manager.FindTemplate(IDR_TESSALY_TYPE);
  CDocTemplate* diagnostics = manager.FindTemplate(IDR_GROUPITEM_TYPE);
  struct Case {
    CDocTemplate::DocStringIndex index;
    const wchar_t* text;
  } cases[] = {{CDocTemplate::windowTitle, L"Dravik OPC Server"},
               {CDocTemplate::fileNewName, L"Tessaly"},
               {CDocTemplate::filterName, L"Tessaly Configuration Files (*.tdbx)"},
               {CDocTemplate::filterExt, L".tdbx"},
               {CDocTemplate::regFileTypeId, L"Tessaly.Document"},
               {CDocTemplate::regFileTypeName, L"Tessaly.Document"}};
  for (const Case& c : cases) {
    CString text;
    configuration->GetDocString(text, c.index);
    EXPECT_EQ(CString(c.text), text) << c.index;
  }
  CString name;
  diagnostics->GetDocString(name, CDocTemplate::docName);
  EXPECT_EQ(CString(L"OPC Group/Items workspace"), name);

  CDocument* doc = manager.OnFileNew();
  ASSERT_NE(nullptr, doc);
  EXPECT_EQ(CString(L"Tessaly"), doc->GetTitle());
  EXPECT_FALSE(doc->IsModified());
  CFrameWnd* workspace = diagnostics->CreateNewFrame(doc);
  ASSERT_NE(nullptr, workspace);
  EXPECT_EQ(IDR_GROUPITEM_TYPE, workspace->GetResourceID());
  EXPECT_EQ(2u, doc->GetViews().size());
  manager.CloseAllDocuments(FALSE);
}

TEST_F(DocFileTest, FilesThatAreNoProjectFailTheOpenWithTheFrameworksMessage) {
  CLegacyProjectFields fields;
  WriteFile(Path(L"upper.TDB"), WriteLegacyProject(fields));  // not the legacy extension: read as XML
  WriteFile(Path(L"broken.tdbx"), std::string("<configuration version=\"2\"><hostnode>"));
  WriteFile(Path(L"future.tdbx"), std::string("<configuration version=\"3\"/>"));
  std::vector<BYTE> cut = WriteLegacyProject(fields);
  cut.resize(cut.size() / 2);
  WriteFile(Path(L"cut.tdb"), cut);
  struct Case {
    const wchar_t* file;
    const wchar_t* message;
  } cases[] = {
      {L"upper.TDB", L"Unexpected file format."},
      {L"broken.tdbx", L"Unexpected file format."},
      {L"future.tdbx", L"Unexpected file format."},
      {L"cut.tdb", L"Unexpected file format."},
      {L"missing.tdbx", L"Failed to open document."},
  };
  for (const Case& c : cases) {
    size_t before = Prompts().size();
    EXPECT_FALSE(m_doc->OnOpenDocument(Path(c.file))) << c.file;
    ASSERT_EQ(before + 1, Prompts().size()) << c.file;
    EXPECT_EQ(CString(c.message), Prompts().back()) << c.file;
  }
  EXPECT_TRUE(m_doc->GetPathName().IsEmpty());
  EXPECT_EQ(CString(L"Edit property and start"), m_doc->m_settings.GetRootName()) << "a cut record changes nothing";
}

TEST_F(DocFileTest, AFailedSaveIsReportedAndLeavesTheOldFileAndTheModifiedMark) {
  const CString folder = Path(L"readonly");
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::CreateFolder(folder));
  const CString old = folder + L"/p.tdbx";
  WriteFile(old, std::string("old"));
  CString target = old;
  if (geteuid() == 0) {
    // Permissions do not stop the superuser: a folder that is a file does.
    WriteFile(Path(L"file"), std::string("x"));
    target = Path(L"file") + L"/p.tdbx";
  }
  ASSERT_EQ(0, chmod(tessaly::win32::NativePath(folder).c_str(), 0555));
  m_doc->m_settings.SetString(m_doc->m_settings.dbpath, L"/data/new.mdb");
  EXPECT_FALSE(m_doc->OnSaveDocument(target));
  chmod(tessaly::win32::NativePath(folder).c_str(), 0755);
  ASSERT_EQ(1u, Prompts().size());
  // The message says why: permissions, or (for the superuser) a folder that is a file.
  EXPECT_EQ(CString(L"Unable to write to ") + target +
                (target == old ? L", it is read-only or opened by someone else."
                               : L", its folder does not exist or the name is not valid."),
            Prompts()[0]);
  EXPECT_TRUE(m_doc->IsModified());
  EXPECT_EQ("old", ReadFile(old));
}

TEST_F(DocFileTest, SaveAndSaveAsByCommandWriteTheProjectAskingForAFileOfTemplate128WhenUntitled) {
  m_doc.reset();
  CDocManager manager;
  AfxSetDocManager(&manager);
  AddDocTemplates(manager, [] { return std::make_unique<CHintView>(); }, nullptr,
                  [] { return std::make_unique<CHintView>(); }, nullptr);
  auto files = std::make_shared<CScriptedFileDialogPresenter>();
  CScopedFileDialogPresenter fileScope(files);
  auto* doc = static_cast<CDoc*>(manager.OnFileNew());
  ASSERT_NE(nullptr, doc);
  CCommandRouter router;
  router.SetActiveView(doc->GetViews().front());

  doc->m_settings.SetString(doc->m_settings.dbpath, L"/data/north.mdb");
  ASSERT_TRUE(doc->IsModified());
  files->Answer(Path(L"north"));
  EXPECT_TRUE(router.Route(ID_FILE_SAVE));
  ASSERT_EQ(1u, files->Requests().size());
  EXPECT_EQ(CString(L"Tessaly.tdbx"), files->Requests()[0].fileName);
  EXPECT_EQ(CString(L"Tessaly Configuration Files (*.tdbx)|*.tdbx|All Files (*.*)|*.*||"), files->Requests()[0].filter);
  EXPECT_EQ(Path(L"north.tdbx"), doc->GetPathName());
  EXPECT_FALSE(doc->IsModified());
  CSettings saved(nullptr);
  ASSERT_TRUE(LoadProjectFromText(ReadFile(Path(L"north.tdbx")), saved));
  EXPECT_EQ(CString(L"/data/north.mdb"), saved.GetDbPath());

  // Titled: written where it is, nothing asked.
  doc->m_settings.SetString(doc->m_settings.dbpath, L"/data/south.mdb");
  EXPECT_TRUE(router.Route(ID_FILE_SAVE));
  EXPECT_EQ(1u, files->Requests().size());
  ASSERT_TRUE(LoadProjectFromText(ReadFile(Path(L"north.tdbx")), saved));
  EXPECT_EQ(CString(L"/data/south.mdb"), saved.GetDbPath());

  // Save As to a new name; not offered to a client's start.
  files->Answer(Path(L"copy.tdbx"));
  EXPECT_TRUE(router.Route(ID_FILE_SAVE_AS));
  EXPECT_EQ(Path(L"copy.tdbx"), doc->GetPathName());
  ASSERT_TRUE(LoadProjectFromText(ReadFile(Path(L"copy.tdbx")), saved));
  m_host.m_nStartMode = 2;
  EXPECT_TRUE(router.Route(ID_FILE_SAVE_AS));
  EXPECT_EQ(2u, files->Requests().size()) << "disabled in a client's start: not run";
  EXPECT_TRUE(Prompts().empty());
  manager.CloseAllDocuments(FALSE);
  AfxSetDocManager(nullptr);
}

TEST_F(DocFileTest, ImportReadsATdbIntoTheOpenProjectUnlessClientsAreConnected) {
  CLegacyProjectFields fields;
  fields.name = L"Imported";
  WriteFile(Path(L"i.tdb"), WriteLegacyProject(fields));
  m_doc->SetPathName(Path(L"current.tdbx"), FALSE);
  auto files = std::make_shared<CScriptedFileDialogPresenter>();
  CScopedFileDialogPresenter fileScope(files);
  files->Answer(Path(L"i.tdb"));

  m_host.m_bClients = true;
  m_doc->OnFileImport();
  ASSERT_EQ(1u, Prompts().size());
  EXPECT_EQ(CString(L"Cannot change files while OPC Clients are connected to this server."), Prompts()[0]);
  EXPECT_FALSE(m_doc->IsModified());

  EXPECT_TRUE(files->Requests().empty()) << "no dialog while clients are connected";

  m_host.m_bClients = false;
  m_doc->OnFileImport();
  ASSERT_EQ(1u, files->Requests().size());
  EXPECT_TRUE(files->Requests()[0].open);
  EXPECT_EQ(CString(L"Tessaly Configuration Files (*.tdb)|*.tdb|"), files->Requests()[0].filter);
  EXPECT_EQ(CString(L"tdb"), files->Requests()[0].defaultExt);
  EXPECT_EQ(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, files->Requests()[0].flags);
  EXPECT_EQ(CString(L"Imported"), m_doc->m_settings.GetRootName());
  EXPECT_TRUE(m_doc->IsModified());
  EXPECT_EQ(Path(L"current.tdbx"), m_doc->GetPathName()) << "the path stays";
}

TEST_F(DocFileTest, UnattendedStartsOpenAndStartTheNetworkAndRecordTheProject) {
  UseDemoNetwork();
  const CString project = Path(L"plant.tdbx");
  ASSERT_TRUE(m_doc->SaveXml(project));
  m_host.m_nStartMode = 4;
  ASSERT_TRUE(m_doc->OnOpenDocument(project));
  EXPECT_TRUE(m_doc->IsConnected());
  EXPECT_EQ(std::vector<CString>{project}, m_host.m_lastProjects);
  EXPECT_FALSE(m_doc->m_pDeviceTree->m_children.empty());
}

TEST_F(DocFileTest, ANewDocumentSelectsTheLastInterfaceAndIsUnmodified) {
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH");
  AfxSetRegistryProfile(&profile);
  profile.WriteProfileString(L"Settings", L"LastNetworkInterface", L"lon2");
  EXPECT_TRUE(m_doc->OnNewDocument());
  EXPECT_EQ((CPortChannel{L"LON2", L"TP/XF-1250"}), m_doc->m_settings.GetNetworkInterface());
  EXPECT_FALSE(m_doc->IsModified());
  EXPECT_EQ(CString(L"lon2"), profile.GetProfileString(L"Settings", L"LastNetworkInterface"));
  AfxSetRegistryProfile(nullptr);
}

TEST_F(DocFileTest, MakeDatedFileNameAppendsTodayToTheNamePart) {
  SYSTEMTIME today{};
  GetLocalTime(&today);
  CString date;
  date.Format(L"_%04d_%02d_%02d", today.wYear, today.wMonth, today.wDay);
  struct Case {
    const wchar_t* setting;
    CString expected;
  } cases[] = {
      {L"D:\\log\\p.txt", L"D:\\log\\p" + date + L".txt"},
      {L"p.a.txt", L"p" + date + L".a.txt"},
      {L"", L"Tessaly30" + date + L".log"},
  };
  for (const Case& c : cases) {
    m_doc->m_settings.SetString(m_doc->m_settings.saveLogPath, c.setting);
    EXPECT_EQ(c.expected, CDoc::MakeDatedFileName()) << c.setting;
  }
}

}  // namespace
