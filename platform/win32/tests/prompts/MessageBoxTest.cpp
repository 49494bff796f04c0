#include "platform/win32/MessageBox.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/win32/Resources.h"

namespace {

TEST(MessageBoxTest, ScriptedAnswersComeBackInOrderAndEveryBoxIsRecorded) {
  auto script = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scope(script);
  script->Answer({IDNO, IDYES});

  const StringResource strings[] = {{359, L"Do you really want to delete the node?"}};
  RegisterStringResources(strings);
  EXPECT_EQ(IDNO, AfxMessageBox(359, MB_YESNO | MB_ICONQUESTION));
  EXPECT_EQ(IDYES, AfxMessageBox(L"Save changes?", MB_YESNOCANCEL, 17));
  // The script is used up: the default button answers, and the box counts as unscripted.
  EXPECT_EQ(IDOK, AfxMessageBox(L"Cannot connect KESTRUM.KESTRUMCtrl.3"));

  std::vector<CScriptedMessageBoxPresenter::Box> boxes = script->Boxes();
  ASSERT_EQ(3u, boxes.size());
  EXPECT_EQ(CString(L"Do you really want to delete the node?"), boxes[0].text);
  EXPECT_EQ(MB_YESNO | MB_ICONQUESTION, boxes[0].type);
  EXPECT_EQ(CString(L"Save changes?"), boxes[1].text);
  EXPECT_EQ(17u, boxes[1].helpId);
  EXPECT_EQ(IDYES, boxes[1].answer);
  EXPECT_EQ(MB_OK, boxes[2].type);
  EXPECT_EQ(1u, script->UnscriptedCount());
  EXPECT_EQ(0u, script->PendingAnswers());
}

TEST(MessageBoxTest, DefaultAnswerIsTheDefaultButtonOfTheSet) {
  struct Case {
    UINT type;
    int answer;
  };
  const Case cases[] = {
      {MB_OK, IDOK},
      {MB_OK | MB_DEFBUTTON2, IDOK},  // no second button: the first
      {MB_OKCANCEL, IDOK},
      {MB_OKCANCEL | MB_DEFBUTTON2, IDCANCEL},
      {MB_ABORTRETRYIGNORE | MB_DEFBUTTON3, IDIGNORE},
      {MB_YESNOCANCEL, IDYES},
      {MB_YESNOCANCEL | MB_DEFBUTTON3, IDCANCEL},
      {MB_YESNO | MB_ICONEXCLAMATION, IDYES},
      {MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION, IDNO},
      {MB_RETRYCANCEL, IDRETRY},
      {0x0000000E, IDOK},  // unknown set
  };
  for (const Case& c : cases) EXPECT_EQ(c.answer, DefaultMessageBoxAnswer(c.type)) << std::hex << c.type;
}

TEST(MessageBoxTest, WithoutPresenterTheTextGoesToStderrAndTheDefaultAnswers) {
  CScopedMessageBoxPresenter none(nullptr);
  testing::internal::CaptureStderr();
  int answer = AfxMessageBox(L"OLE initialization failed.", MB_YESNO | MB_DEFBUTTON2);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(IDNO, answer);
  EXPECT_NE(std::string::npos, err.find("OLE initialization failed.")) << err;
}

TEST(MessageBoxTest, ScopedPresenterPutsTheEarlierOneBack) {
  auto outer = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter outerScope(outer);
  {
    auto inner = std::make_shared<CScriptedMessageBoxPresenter>();
    CScopedMessageBoxPresenter innerScope(inner);
    AfxMessageBox(L"inner");
    EXPECT_EQ(1u, inner->Boxes().size());
  }
  AfxMessageBox(L"outer");
  EXPECT_EQ(std::vector<CString>{CString(L"outer")}, outer->Texts());
}

TEST(MessageBoxConcurrent, BoxesFromSeveralThreadsAreEachAnsweredOnce) {
  auto script = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scope(script);
  constexpr int kThreads = 4, kBoxes = 50;
  for (int i = 0; i < kThreads * kBoxes; ++i) script->Answer(IDNO);
  std::vector<std::thread> threads;
  std::vector<int> noCount(kThreads, 0);
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t, &noCount] {
      for (int i = 0; i < kBoxes; ++i)
        if (AfxMessageBox(L"question", MB_YESNO) == IDNO) ++noCount[t];
    });
  for (std::thread& t : threads) t.join();
  for (int count : noCount) EXPECT_EQ(kBoxes, count);
  EXPECT_EQ(static_cast<size_t>(kThreads * kBoxes), script->Boxes().size());
  EXPECT_EQ(0u, script->UnscriptedCount());
}

}  // namespace
