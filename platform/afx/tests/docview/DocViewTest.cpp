// The document/view core alone: templates make documents with their frames and views, views
// hear every update but their own, the framework's prompts, the recent-file list and the
// command route.
#include <gtest/gtest.h>

#include <memory>

#include "platform/afx/AfxRes.h"
#include "platform/afx/CommandRouter.h"
#include "platform/afx/DocManager.h"
#include "platform/afx/Document.h"
#include "platform/afx/FrameWnd.h"
#include "platform/afx/View.h"
#include "platform/win32/Files.h"
#include "platform/win32/MessageBox.h"
#include "platform/win32/Profile.h"
#include "platform/win32/Resources.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

constexpr UINT kTemplateId = 128;
constexpr UINT ID_TEST_COMMAND = 40001;

struct Heard {
  CView* sender;
  LPARAM hint;
  CObject* object;
};

class CRecordingView : public CView {
 public:
  void OnInitialUpdate() override { ++m_nInitial; }
  void OnUpdate(CView* sender, LPARAM hint, CObject* object) override { m_heard.push_back({sender, hint, object}); }
  int m_nInitial = 0;
  std::vector<Heard> m_heard;
};

class CTestDocument : public CDocument {
 public:
  BOOL OnOpenDocument(LPCTSTR path) override {
    m_strOpened = path;
    return m_bOpenSucceeds ? TRUE : FALSE;
  }
  BOOL OnSaveDocument(LPCTSTR path) override {
    m_saves.push_back(path);
    if (!m_bSaveSucceeds) return FALSE;
    SetModifiedFlag(FALSE);
    return TRUE;
  }
  CString m_strOpened;
  std::vector<CString> m_saves;
  bool m_bSaveSucceeds = true;
  static inline bool m_bOpenSucceeds = true;
};

class DocViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    static const StringResource kStrings[] = {
        {kTemplateId, L"Title\nDoc\nProject\nProject Files (*.prj)\n.prj\nTest.Document\nTest.Document"}};
    RegisterStringResourcesIn(nullptr, kStrings, 1);
    CTestDocument::m_bOpenSucceeds = true;
  }
  CDocTemplate* MakeTemplate(CDocManager& manager) {
    manager.AddDocTemplate(std::make_unique<CDocTemplate>(
        kTemplateId, [] { return new CTestDocument(); }, [] { return std::make_unique<CRecordingView>(); }));
    return manager.GetTemplates().back().get();
  }
  tessaly::testing::TempMachineRoot root;
  std::shared_ptr<CScriptedMessageBoxPresenter> prompts = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter promptScope{prompts};
};

TEST_F(DocViewTest, TemplateNamesItsPartsAndMakesDocumentsWithFramesAndViews) {
  CDocManager manager;
  CDocTemplate* t = MakeTemplate(manager);
  CString part;
  EXPECT_TRUE(t->GetDocString(part, CDocTemplate::filterName));
  EXPECT_EQ(CString(L"Project Files (*.prj)"), part);
  EXPECT_TRUE(t->GetDocString(part, CDocTemplate::regFileTypeName));
  EXPECT_EQ(CString(L"Test.Document"), part);

  CDocument* first = manager.OnFileNew();
  CDocument* second = manager.OnFileNew();
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(CString(L"Project"), first->GetTitle());
  EXPECT_EQ(CString(L"Project2"), second->GetTitle());
  ASSERT_EQ(1u, first->GetFrames().size());
  auto* view = static_cast<CRecordingView*>(first->GetFrames()[0]->GetActiveView());
  EXPECT_EQ(first, view->GetDocument());
  EXPECT_EQ(1, view->m_nInitial);

  CDocument* opened = manager.OpenDocumentFile(L"/data/plant.prj");
  ASSERT_NE(nullptr, opened);
  EXPECT_EQ(CString(L"/data/plant.prj"), opened->GetPathName());
  EXPECT_EQ(CString(L"plant.prj"), opened->GetTitle());
  EXPECT_EQ(opened, manager.OpenDocumentFile(L"/data/plant.prj")) << "an open file is not opened twice";
  EXPECT_EQ(3u, t->GetDocuments().size());

  CTestDocument::m_bOpenSucceeds = false;
  EXPECT_EQ(nullptr, manager.OpenDocumentFile(L"/data/broken.prj"));
  EXPECT_EQ(3u, t->GetDocuments().size()) << "a document that fails to open is gone again";

  first->OnCloseDocument();
  EXPECT_EQ(2u, t->GetDocuments().size());
}

TEST_F(DocViewTest, AWorkspaceOfAnotherTemplateGoesWithItsDocument) {
  static int alive = 0;
  struct CCountedView : CView {
    CCountedView() { ++alive; }
    ~CCountedView() override { --alive; }
  };
  CDocManager manager;
  MakeTemplate(manager);
  manager.AddDocTemplate(std::make_unique<CDocTemplate>(
      kTemplateId + 1, [] { return new CTestDocument(); }, [] { return std::make_unique<CCountedView>(); }));
  CDocument* doc = manager.OnFileNew();
  ASSERT_NE(nullptr, doc);
  CFrameWnd* workspace = manager.FindTemplate(kTemplateId + 1)->CreateNewFrame(doc);
  ASSERT_NE(nullptr, workspace);
  EXPECT_EQ(2u, doc->GetFrames().size());
  EXPECT_EQ(2u, doc->GetViews().size());
  EXPECT_EQ(1, alive);
  EXPECT_TRUE(doc->CanCloseFrame(workspace)) << "another frame still shows the document";
  doc->OnCloseDocument();
  EXPECT_EQ(0, alive);
  EXPECT_TRUE(manager.GetTemplates().front()->GetDocuments().empty());
}

TEST_F(DocViewTest, FurtherViewFactoriesGiveEveryFrameItsViewsInOrderTheFirstActive) {
  CDocManager manager;
  MakeTemplate(manager);
  CDocTemplate* t = manager.GetTemplates().front().get();
  t->AddViewFactory([] { return std::make_unique<CRecordingView>(); });
  CDocument* doc = manager.OnFileNew();
  ASSERT_NE(nullptr, doc);
  CFrameWnd* frame = t->CreateNewFrame(doc);
  ASSERT_NE(nullptr, frame);
  ASSERT_EQ(2u, frame->GetViews().size());
  EXPECT_NE(nullptr, dynamic_cast<CRecordingView*>(frame->GetViews()[1].get()));
  EXPECT_EQ(frame->GetViews()[0].get(), frame->GetActiveView());
  doc->OnCloseDocument();
}

TEST_F(DocViewTest, UpdateAllViewsTellsEveryViewButTheSenderWithHintAndObject) {
  CTestDocument doc;
  doc.m_bAutoDelete = false;
  CFrameWnd frame;
  auto* a = static_cast<CRecordingView*>(frame.AddView(std::make_unique<CRecordingView>(), &doc));
  auto* b = static_cast<CRecordingView*>(frame.AddView(std::make_unique<CRecordingView>(), &doc));
  CObject object;
  doc.UpdateAllViews(a, 11, &object);
  EXPECT_TRUE(a->m_heard.empty());
  ASSERT_EQ(1u, b->m_heard.size());
  EXPECT_EQ(a, b->m_heard[0].sender);
  EXPECT_EQ(11, b->m_heard[0].hint);
  EXPECT_EQ(&object, b->m_heard[0].object);
  doc.UpdateAllViews(nullptr, 14);
  EXPECT_EQ(1u, a->m_heard.size());
  EXPECT_EQ(2u, b->m_heard.size());
  EXPECT_EQ(&frame, a->GetParentFrame());
}

TEST_F(DocViewTest, SaveModifiedAsksAndActsOnTheAnswer) {
  struct Case {
    int answer;
    bool saveSucceeds;
    BOOL result;
    size_t saves;
  } cases[] = {
      {IDYES, true, TRUE, 1}, {IDYES, false, FALSE, 1}, {IDNO, true, TRUE, 0}, {IDCANCEL, true, FALSE, 0}};
  for (const Case& c : cases) {
    CTestDocument doc;
    doc.m_bAutoDelete = false;
    doc.SetPathName(L"/data/plant.prj", FALSE);
    doc.m_bSaveSucceeds = c.saveSucceeds;
    doc.SetModifiedFlag();
    prompts->Answer(c.answer);
    size_t before = prompts->Boxes().size();
    EXPECT_EQ(c.result, doc.SaveModified()) << c.answer;
    EXPECT_EQ(c.saves, doc.m_saves.size()) << c.answer;
    ASSERT_EQ(before + 1, prompts->Boxes().size());
    EXPECT_EQ(CString(L"Save changes to plant.prj?"), prompts->Boxes().back().text);
  }
  CTestDocument clean;
  clean.m_bAutoDelete = false;
  size_t before = prompts->Boxes().size();
  EXPECT_TRUE(clean.SaveModified());
  EXPECT_EQ(before, prompts->Boxes().size()) << "an unmodified document asks nothing";
}

TEST_F(DocViewTest, BaseOpenReportsAnUnreadableFile) {
  CDocument doc;
  doc.m_bAutoDelete = false;
  EXPECT_FALSE(doc.OnOpenDocument(L"/no/such/file.prj"));
  ASSERT_EQ(1u, prompts->Texts().size());
  EXPECT_EQ(CString(L"Failed to open document."), prompts->Texts()[0]);
}

TEST_F(DocViewTest, RecentFileListKeepsFourNewestFirstInTheProfile) {
  CRegistryProfile profile(L"Tessaly");
  profile.SetRegistryKey(L"Norvane GmbH");
  CDocManager manager;
  AfxSetDocManager(&manager);
  manager.LoadStdProfileSettings(&profile, 4);
  CRecentFileList& list = *manager.GetRecentFileList();
  for (const wchar_t* path : {L"/a", L"/b", L"/c", L"/d", L"/e", L"/c", L""}) list.Add(path);
  ASSERT_EQ(4, list.GetCount());
  EXPECT_EQ(CString(L"/c"), list[0]);
  EXPECT_EQ(CString(L"/e"), list[1]);
  EXPECT_EQ(CString(L"/d"), list[2]);
  EXPECT_EQ(CString(L"/b"), list[3]);
  manager.SaveStdProfileSettings();
  EXPECT_EQ(CString(L"/e"), profile.GetProfileString(L"Recent File List", L"File2"));

  CDocManager again;
  again.LoadStdProfileSettings(&profile, 4);
  ASSERT_EQ(4, again.GetRecentFileList()->GetCount());
  EXPECT_EQ(CString(L"/b"), (*again.GetRecentFileList())[3]);

  CTestDocument doc;
  doc.m_bAutoDelete = false;
  doc.SetPathName(L"/f");
  EXPECT_EQ(CString(L"/f"), list[0]) << "a document's path goes to the list";
  AfxSetDocManager(nullptr);
}

class CTarget : public CCommandTarget {
 public:
  explicit CTarget(std::vector<CString>& log, const wchar_t* name) : m_log(log), m_strName(name) {}
  void Handle(UINT id) { MapCommand(id, [this] { m_log.push_back(m_strName); }); }
  void Update(UINT id, bool on, int check, const wchar_t* text) {
    MapUpdateCommandUI(id, [=](CCmdUI* ui) {
      ui->Enable(on);
      ui->SetCheck(check);
      if (text != nullptr) ui->SetText(text);
    });
  }
  std::vector<CString>& m_log;
  CString m_strName;
};

class CTargetView : public CView {
 public:
  void Handle(UINT id, std::vector<CString>& log) { MapCommand(id, [&log] { log.push_back(L"view"); }); }
};

class CTargetDocument : public CDocument {
 public:
  void Handle(UINT id, std::vector<CString>& log) { MapCommand(id, [&log] { log.push_back(L"document"); }); }
  void Update(UINT id) { MapUpdateCommandUI(id, [](CCmdUI* ui) { ui->SetText(L"doc"); ui->Enable(TRUE); }); }
};

TEST_F(DocViewTest, CommandsGoViewDocumentFrameApplicationAndUpdateUiFollowsTheSameRoute) {
  std::vector<CString> log;
  CTargetDocument doc;
  doc.m_bAutoDelete = false;
  CTargetView view;
  doc.AddView(&view);
  CTarget frame(log, L"frame"), app(log, L"app");
  CCommandRouter router;
  router.SetActiveView(&view);
  router.SetFrame(&frame);
  router.SetApplication(&app);

  app.Handle(ID_TEST_COMMAND);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  frame.Handle(ID_TEST_COMMAND);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  doc.Handle(ID_TEST_COMMAND, log);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  view.Handle(ID_TEST_COMMAND, log);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  EXPECT_FALSE(router.Route(ID_TEST_COMMAND + 1));
  EXPECT_EQ((std::vector<CString>{L"app", L"frame", L"document", L"view"}), log);

  // A handler without an update entry enables; nothing anywhere disables; the first update
  // entry on the route decides.
  EXPECT_TRUE(router.UpdateUI(ID_TEST_COMMAND).m_bEnabled);
  EXPECT_FALSE(router.UpdateUI(ID_TEST_COMMAND + 1).m_bEnabled);
  app.Update(ID_TEST_COMMAND + 2, true, 1, L"app");
  CCmdUI ui = router.UpdateUI(ID_TEST_COMMAND + 2);
  EXPECT_TRUE(ui.m_bEnabled);
  EXPECT_EQ(1, ui.m_nCheck);
  EXPECT_EQ(CString(L"app"), ui.m_strText);
  frame.Update(ID_TEST_COMMAND + 2, false, 0, nullptr);
  ui = router.UpdateUI(ID_TEST_COMMAND + 2);
  EXPECT_FALSE(ui.m_bEnabled);
  EXPECT_FALSE(ui.m_bTextSet);
  doc.Update(ID_TEST_COMMAND + 2);
  EXPECT_EQ(CString(L"doc"), router.UpdateUI(ID_TEST_COMMAND + 2).m_strText);
  doc.RemoveView(&view);
}

TEST_F(DocViewTest, ACommandItsUpdateHandlerDisablesIsTakenButNeverRuns) {
  std::vector<CString> log;
  CTarget frame(log, L"frame"), app(log, L"app");
  app.Handle(ID_TEST_COMMAND);
  CCommandRouter router;
  router.SetFrame(&frame);
  router.SetApplication(&app);
  frame.Update(ID_TEST_COMMAND, false, 0, nullptr);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND)) << "taken, as the framework does with a disabled command";
  EXPECT_TRUE(log.empty());
  frame.Update(ID_TEST_COMMAND, true, 0, nullptr);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  EXPECT_EQ(std::vector<CString>{L"app"}, log);
}

TEST_F(DocViewTest, AFailingCommandIsShownAndEndsTheCommand) {
  std::vector<CString> log;
  CTarget app(log, L"app");
  struct CThrowing : CTarget {
    using CTarget::CTarget;
    void Arm(UINT id) { MapCommand(id, [] { throw std::runtime_error("Network interface defined wrong"); }); }
  } frame(log, L"frame");
  frame.Arm(ID_TEST_COMMAND);
  app.Handle(ID_TEST_COMMAND);
  CCommandRouter router;
  router.SetFrame(&frame);
  router.SetApplication(&app);
  EXPECT_TRUE(router.Route(ID_TEST_COMMAND));
  EXPECT_TRUE(log.empty()) << "the command ends where it failed";
  ASSERT_EQ(1u, prompts->Texts().size());
  EXPECT_EQ(CString(L"Network interface defined wrong"), prompts->Texts()[0]);
}

}  // namespace
