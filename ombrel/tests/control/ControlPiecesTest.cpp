// The control's pieces seen from inside: built into the test from the library's own sources.
#include "ombrel/KxTokenizer.h"
#include "ombrel/OmbrelCtrl.h"
#include "ombrel/tests/OmbrelTestSupport.h"
#include "platform/win32/MessageBox.h"

#include <set>

namespace {

using namespace ombrel_test;

TEST(KxTokenizerTest, SplitsAtTheDelimiterKeepingInnerAndLeadingEmptyTokens) {
  struct Case {
    const wchar_t* text;
    std::vector<CString> tokens;
  } cases[] = {
      {L"1,,3", {L"1", L"", L"3"}},
      {L"1,2,", {L"1", L"2"}},
      {L",1", {L"", L"1"}},
      {L"", {}},
      {L",", {L""}},
      {L"abc", {L"abc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(CStringToUtf8(c.text)));
    CStringArray tokens;
    CKxTokenizer::SplitString(tokens, c.text, L',');
    EXPECT_EQ(tokens, c.tokens);
  }
}

class ControlPiecesTest : public ::testing::Test {
 protected:
  ~ControlPiecesTest() override {
    if (m_ctrl) m_ctrl->Release();
  }
  COmbrelCtrl* MakeControl() {
    CComObject<COmbrelCtrl>* p = nullptr;
    EXPECT_EQ(CComObject<COmbrelCtrl>::CreateInstance(&p), S_OK);
    p->AddRef();
    m_ctrl = p;
    return p;
  }
  std::set<int> Included() const {
    std::set<int> numbers;
    for (int i = 0; i < 256; ++i)
      if (m_ctrl->IsIncluded(static_cast<short>(i))) numbers.insert(i);
    return numbers;
  }

  tessaly::testing::TempMachineRoot root;
  std::shared_ptr<CScriptedMessageBoxPresenter> boxes = std::make_shared<CScriptedMessageBoxPresenter>();
  CScopedMessageBoxPresenter scoped{boxes};
  CComObject<COmbrelCtrl>* m_ctrl = nullptr;
};

TEST_F(ControlPiecesTest, MissingPartnersAreReportedInOrderAndTheControlIsStillMade) {
  ASSERT_NE(MakeControl(), nullptr);
  EXPECT_EQ(boxes->Texts(), (std::vector<CString>{L"Cannot connect to PRAVEL.PravelCtrl.1",
                                                  L"Cannot connect to Sennet.XMLFormatter.1",
                                                  L"Cannot connect to GORRIN.GorrinCtrl.1"}));
  EXPECT_FALSE(m_ctrl->m_bPravelAvailable);
  EXPECT_FALSE(m_ctrl->m_bSennetAvailable);
  EXPECT_FALSE(m_ctrl->m_bGorrinAvailable);
}

TEST_F(ControlPiecesTest, OnlyTheMissingPartnerIsReported) {
  ASSERT_EQ(RegisterLibrary(PRAVEL_MODULE), S_OK);
  ASSERT_EQ(RegisterLibrary(GORRIN_MODULE), S_OK);
  MakeControl();
  EXPECT_EQ(boxes->Texts(), std::vector<CString>{L"Cannot connect to Sennet.XMLFormatter.1"});
  EXPECT_TRUE(m_ctrl->m_bPravelAvailable);
  EXPECT_TRUE(m_ctrl->m_bGorrinAvailable);
}

TEST_F(ControlPiecesTest, IncludeListTakesNumbersFrom0To255AndIsReloadedWhole) {
  struct Case {
    const wchar_t* value;
    std::set<int> numbers;
  } cases[] = {
      {L"83,105,300,-1,x", {0, 83, 105}},  // a piece without digits reads as 0
      {L"7", {7}},
      {L" 9,12abc,255,256", {9, 12, 255}},
      {L",5,", {0, 5}},
      {L"", {}},
  };
  MakeControl();
  EXPECT_TRUE(Included().empty());  // no value at all
  for (const Case& c : cases) {
    SCOPED_TRACE(CStringToUtf8(c.value));
    SetSetting(L"BackTypeComp include", REG_SZ, c.value);
    m_ctrl->SetBackTypeCompatibility(FALSE);  // reloads the list
    EXPECT_EQ(Included(), c.numbers);
  }
}

TEST_F(ControlPiecesTest, SwitchStaysOffWithoutPravelButTheListIsReloaded) {
  MakeControl();
  SetSetting(L"BackTypeComp include", REG_SZ, L"81");
  m_ctrl->SetBackTypeCompatibility(TRUE);
  EXPECT_FALSE(m_ctrl->GetBackTypeCompatibility());
  EXPECT_FALSE(m_ctrl->IsModified());
  EXPECT_EQ(Included(), std::set<int>{81});
}

}  // namespace
