// The framework's save route: Save and Save As by command, the file dialog behind the document
// manager (its filter, the default extension, the question before a file is replaced), and the
// untitled document that asks for a file when its changes are to be saved.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/afx/AfxRes.h"
#include "platform/afx/CommandRouter.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/Document.h"
#include "platform/afx/FileDialog.h"
#include "platform/afx/View.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Resources.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

constexpr UINT kTemplateId = 129;

// Writes its one line of text; the base's temporary-file-and-rename write.
class CTextDocument : public CDocument {
 public:
  BOOL OnSaveDocument(LPCTSTR path) override {
    m_saves.push_back(path);
    return SaveFile(path, [this, path] { return tessaly::win32::ReplaceFileSafely(path, m_text); });
  }
  std::string m_text = "contents";
  std::vector<CString> m_saves;
};

class SaveRouteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const StringResource kStrings[] = {
        {kTemplateId, L"Title\nDoc\nPlant\nPlant Files (*.plt)\n.plt\nTest.Plant\nTest.Plant"}};
    RegisterStringResourcesIn(nullptr, kStrings, 1);
    AfxSetDocManager(&m_manager);
    m_manager.AddDocTemplate(std::make_unique<CDocTemplate>(kTemplateId, [] { return new CTextDocument(); },
                                                            [] { return std::make_unique<CView>(); }));
    m_doc = static_cast<CTextDocument*>(m_manager.OnFileNew());
    ASSERT_NE(nullptr, m_doc);
    m_router.SetActiveView(m_doc->GetViews().front());
  }
  void TearDown() override { AfxSetDocManager(nullptr); }
  CString Path(const wchar_t* name) { return CString(tessaly::win32::JoinPath(CString(m_root.Path().c_str()), name)); }
  std::string Read(const CString& path) {
    std::vector<BYTE> bytes;
    if (tessaly::win32::ReadWholeFile(path, bytes) != ERROR_SUCCESS) return "<none>";
    return std::string(bytes.begin(), bytes.end());
  }

  tessaly::testing::TempMachineRoot m_root;
  std::shared_ptr<CScriptedMessageBoxPresenter> m_prompts = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter m_promptScope{m_prompts};
  std::shared_ptr<CScriptedFileDialogPresenter> m_files = std::make_shared<CScriptedFileDialogPresenter>();
  CScopedFileDialogPresenter m_fileScope{m_files};
  CDocManager m_manager;
  CTextDocument* m_doc = nullptr;
  CCommandRouter m_router;
};

TEST_F(SaveRouteTest, SaveOfAnUntitledDocumentAsksForAFileAddsTheExtensionAndThenSavesThereWithoutAsking) {
  m_doc->SetModifiedFlag();
  m_files->Answer(Path(L"north"));
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE));
  ASSERT_EQ(1u, m_files->Requests().size());
  const CFileDialogRequest asked = m_files->Requests()[0];
  EXPECT_FALSE(asked.open);
  EXPECT_EQ(CString(L"Save As"), asked.title);
  EXPECT_EQ(CString(L"Plant.plt"), asked.fileName) << "the title with the template's extension";
  EXPECT_EQ(CString(L"Plant Files (*.plt)|*.plt|All Files (*.*)|*.*||"), asked.filter);
  EXPECT_EQ(CString(L"plt"), asked.defaultExt);
  EXPECT_EQ(Path(L"north.plt"), m_doc->GetPathName());
  EXPECT_EQ(CString(L"north.plt"), m_doc->GetTitle());
  EXPECT_EQ("contents", Read(Path(L"north.plt")));
  EXPECT_FALSE(m_doc->IsModified());

  m_doc->m_text = "changed";
  m_doc->SetModifiedFlag();
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE));
  EXPECT_EQ(1u, m_files->Requests().size()) << "a titled document is saved where it is";
  EXPECT_EQ("changed", Read(Path(L"north.plt")));
  EXPECT_TRUE(m_prompts->Texts().empty());
}

TEST_F(SaveRouteTest, SaveAsOffersThePathAndAsksBeforeReplacingAFileNoAsksAgainCancelChangesNothing) {
  m_doc->SetPathName(Path(L"a.plt"), FALSE);
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(Path(L"b.plt"), std::string("old b")));
  m_doc->SetModifiedFlag();
  // b.plt exists: No brings the dialog back with that name, which is then cancelled.
  m_files->Answer(Path(L"b.plt"));
  m_prompts->Answer(IDNO);
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE_AS));
  ASSERT_EQ(2u, m_files->Requests().size());
  EXPECT_EQ(Path(L"a.plt"), m_files->Requests()[0].fileName);
  EXPECT_EQ(Path(L"b.plt"), m_files->Requests()[1].fileName);
  ASSERT_EQ(1u, m_prompts->Texts().size());
  EXPECT_EQ(Path(L"b.plt") + L" already exists.\nDo you want to replace it?", m_prompts->Texts()[0]);
  EXPECT_EQ("old b", Read(Path(L"b.plt")));
  EXPECT_EQ(Path(L"a.plt"), m_doc->GetPathName());
  EXPECT_TRUE(m_doc->IsModified());
  EXPECT_TRUE(m_doc->m_saves.empty());

  // Yes replaces it, and the document is named after it.
  m_files->Answer(Path(L"b"));
  m_prompts->Answer(IDYES);
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE_AS));
  EXPECT_EQ("contents", Read(Path(L"b.plt")));
  EXPECT_EQ(Path(L"b.plt"), m_doc->GetPathName());
  EXPECT_FALSE(m_doc->IsModified());
  EXPECT_EQ(CString(L"<none>"), CString(Read(Path(L"a.plt")).c_str())) << "Save As writes only the new file";
}

TEST_F(SaveRouteTest, YesToSaveChangesOfAnUntitledDocumentAsksForAFileAndCancelThereKeepsItOpen) {
  m_doc->SetModifiedFlag();
  m_prompts->Answer(IDYES);  // "Save changes to Plant?"; the file dialog is then cancelled
  EXPECT_FALSE(m_doc->SaveModified());
  EXPECT_EQ(1u, m_files->Requests().size());
  EXPECT_TRUE(m_doc->IsModified());

  m_prompts->Answer(IDYES);
  m_files->Answer(Path(L"kept"));
  EXPECT_TRUE(m_doc->SaveModified());
  EXPECT_EQ("contents", Read(Path(L"kept.plt")));
  EXPECT_EQ(CString(L"Save changes to Plant?"), m_prompts->Texts()[0]);
}

TEST_F(SaveRouteTest, AFailedSaveSaysWhyKeepsTheDocumentModifiedAndItsPath) {
  // A folder in place of the file's folder: no permission lets that write through.
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(Path(L"file"), std::string("x")));
  const CString target = Path(L"file") + L"/p.plt";
  m_doc->SetModifiedFlag();
  m_files->Answer(target);
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE_AS));
  ASSERT_EQ(1u, m_prompts->Texts().size());
  EXPECT_EQ(CString(L"Unable to write to ") + target + L", its folder does not exist or the name is not valid.",
            m_prompts->Texts()[0]);
  EXPECT_TRUE(m_doc->IsModified());
  EXPECT_TRUE(m_doc->GetPathName().IsEmpty());
  EXPECT_EQ("x", Read(Path(L"file")));
}

TEST_F(SaveRouteTest, SaveOfAReadOnlyFileAsksForAnotherName) {
  const CString locked = Path(L"locked.plt");
  ASSERT_EQ(ERROR_SUCCESS, tessaly::win32::ReplaceFileSafely(locked, std::string("kept")));
  std::filesystem::permissions(tessaly::win32::NativePath(locked), std::filesystem::perms::owner_read);
  m_doc->SetPathName(locked, FALSE);
  m_doc->SetModifiedFlag();
  m_files->Answer(Path(L"unlocked"));
  ASSERT_TRUE(m_router.Route(ID_FILE_SAVE));
  ASSERT_EQ(1u, m_files->Requests().size());
  EXPECT_EQ(locked, m_files->Requests()[0].fileName);
  EXPECT_EQ("kept", Read(locked));
  EXPECT_EQ(Path(L"unlocked.plt"), m_doc->GetPathName());
}

TEST_F(SaveRouteTest, WithoutAFileDialogEverySaveThatMustAskIsCancelled) {
  SetFileDialogPresenter(nullptr);
  m_doc->SetModifiedFlag();
  EXPECT_FALSE(m_doc->DoFileSave());
  EXPECT_TRUE(m_doc->m_saves.empty());
  EXPECT_TRUE(m_doc->IsModified());
}

TEST_F(SaveRouteTest, OpenOffersEveryTemplatesFilterAndTakesTheNameAsChosen) {
  m_files->Answer(Path(L"plain"));
  EXPECT_EQ(Path(L"plain"), m_manager.PromptOpenFileName()) << "an open adds no extension";
  ASSERT_EQ(1u, m_files->Requests().size());
  EXPECT_TRUE(m_files->Requests()[0].open);
  EXPECT_EQ(CString(L"Open"), m_files->Requests()[0].title);
  EXPECT_EQ(CString(L"Plant Files (*.plt)|*.plt|All Files (*.*)|*.*||"), m_files->Requests()[0].filter);
  EXPECT_EQ(OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, m_files->Requests()[0].flags);
  EXPECT_TRUE(m_manager.PromptOpenFileName().IsEmpty()) << "cancelled";
}

TEST(FileDialogRequest, FilterPairsFollowTheWindowsFilterForm) {
  CFileDialogRequest request;
  request.filter = L"Tessaly Configuration Files (*.tdb)|*.tdb|";
  ASSERT_EQ(1u, request.FilterPairs().size());
  EXPECT_EQ(CString(L"*.tdb"), request.FilterPairs()[0].second);
  request.filter = L"A|*.a|B|*.b;*.c||";
  ASSERT_EQ(2u, request.FilterPairs().size());
  EXPECT_EQ(CString(L"B"), request.FilterPairs()[1].first);
  EXPECT_EQ(CString(L"*.b;*.c"), request.FilterPairs()[1].second);
}

}  // namespace
