#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "app/shell/OutputWndModel.h"
#include "app/shell/ShellResources.h"
#include "foundation/TextProtocolEvent.h"
#include "platform/win32/Files.h"
#include "platform/win32/Messages.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

class KindEvent : public CProtocolEvent {
 public:
  KindEvent(int kind, const CString& text) : m_kind(kind), m_text(text) {}
  CProtocolEventText GetText() const override { return CProtocolEventText(m_text); }
  int GetKind() const override { return m_kind; }
  std::unique_ptr<CProtocolEvent> Clone() const override { return std::make_unique<KindEvent>(m_kind, m_text); }

 private:
  int m_kind;
  CString m_text;
};

struct RecordingView : IOutputWndView {
  int shownLines = 0;
  void AppendText(const CString& text) override {
    for (int i = 0; i < text.GetLength(); ++i) shownLines += text[i] == L'\n';
  }
  void RemoveFirstLines(int count) override { shownLines -= count; }
  void ClearText() override { shownLines = 0; }
};

// The pane on the test thread: a platform window forwards the collector's message to the model,
// and the test pumps the queue by hand until what it waits for is seen.
class OutputPane : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterShellResources();
    m_hwnd = CreateMessageWindow(&Proc, this);
    m_model.Create(m_hwnd, &m_view);
    m_header = m_model.GetLines().size();
  }
  void TearDown() override {
    m_model.Destroy();
    DestroyWindow(m_hwnd);
  }

  static LRESULT Proc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    auto* self = reinterpret_cast<OutputPane*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    if (message == COutputWndEventThread::WM_PROTOCOL_TEXT) self->m_model.OnProtocolText();
    return 1;
  }

  bool PumpUntil(const std::function<bool()>& done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      tessaly::win32::PumpPendingMessages();
    }
    return true;
  }

  void Deliver(const CProtocolEvent& event) { m_model.Update(nullptr, const_cast<CProtocolEvent*>(&event)); }
  void DeliverTexts(int from, int to) {
    for (int i = from; i < to; ++i) Deliver(CTextProtocolEvent(FormatString(L"e%d", i)));
  }
  bool EndsWith(size_t line, const wchar_t* text) const {
    const CString& s = m_model.GetLines().at(line);
    const CString tail(text);
    return s.GetLength() >= tail.GetLength() && s.Right(tail.GetLength()) == tail;
  }

  tessaly::testing::TempMachineRoot m_root;
  std::optional<COutputSettings> m_settings;
  COutputWndModel m_model{[this] { return m_settings; }};
  RecordingView m_view;
  HWND m_hwnd = nullptr;
  size_t m_header = 0;
};

TEST(OutputFilter, MaskBitsAdmitKindRanges) {
  const struct {
    int mask;
    int kind;
    bool passes;
  } cases[] = {{0, 0, false},  {0, 16, false}, {0, 1001, true}, {1, 15, true},  {1, 16, false},
               {2, 15, false}, {2, 30, true},  {3, 31, true},   {0, -1, true},  {1023, 7, true}};
  for (const auto& c : cases) EXPECT_EQ(COutputWndModel::Passes(c.mask, c.kind), c.passes) << c.mask << "/" << c.kind;
}

TEST(OutputFormat, ContinuationLinesAreIndented) {
  CTextProtocolEvent event(L"head");
  event.m_text.AddLine(L"one\ntwo");
  event.m_text.AddLine(L"three");
  const CString text = COutputWndEventThread::FormatEvent(event);
  const int tab = text.Find(L" \thead\r\n");
  ASSERT_GT(tab, 0);
  EXPECT_STREQ(text.Mid(tab).GetString(), L" \thead\r\n\t\t\tone\r\n\t\t\ttwo\r\n\t\t\tthree\r\n");
  EXPECT_STREQ(COutputWndEventThread::FormatEvent(CTextProtocolEvent(L"")).GetString(), L"\r\n");
}

TEST_F(OutputPane, HeaderThenFilteredEventsInOrder) {
  EXPECT_EQ(m_header, 2u);
  m_settings = COutputSettings{};
  m_settings->nProtocolMask = 1;  // management only
  Deliver(KindEvent(3, L"management"));
  Deliver(KindEvent(20, L"datachange"));
  Deliver(CTextProtocolEvent(L"text"));
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == m_header + 2; }));
  EXPECT_TRUE(EndsWith(m_header, L"\tmanagement"));
  EXPECT_TRUE(EndsWith(m_header + 1, L"\ttext"));
  m_settings.reset();  // no project: everything passes
  Deliver(KindEvent(20, L"datachange"));
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == m_header + 3; }));
  EXPECT_EQ(m_view.shownLines, static_cast<int>(m_model.GetLines().size()));
}

TEST_F(OutputPane, PausedKeepsTheLast1001EventsAndResumesInOrder) {
  m_model.TogglePause();
  EXPECT_FALSE(m_model.IsProtocoling());
  DeliverTexts(0, 1500);
  EXPECT_EQ(m_model.GetKeptCount(), 1001u);
  m_model.TogglePause();
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == m_header + 1 + 1001; }));
  EXPECT_STREQ(m_model.GetLines()[m_header].GetString(), L"Logging stopped.");
  for (int i = 0; i < 1001; ++i) ASSERT_TRUE(EndsWith(m_header + 1 + i, FormatString(L"\te%d", 499 + i))) << i;
}

TEST_F(OutputPane, OwnLinesComeAfterTextAlreadyCollected) {
  Deliver(CTextProtocolEvent(L"collected"));
  MSG msg;
  // The collector has posted its text; the pane has not taken it yet.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (PeekMessage(&msg, m_hwnd, 0, 0, PM_NOREMOVE) == FALSE) {
    ASSERT_LT(std::chrono::steady_clock::now(), deadline);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
  }
  m_model.AppendLine(L"mine");
  ASSERT_EQ(m_model.GetLines().size(), m_header + 2);
  EXPECT_TRUE(EndsWith(m_header, L"\tcollected"));
  EXPECT_STREQ(m_model.GetLines()[m_header + 1].GetString(), L"mine");
}

TEST_F(OutputPane, CutAtTheLineLimitAppendsTheCutLinesToTheLog) {
  const CString log = tessaly::win32::JoinPath(m_root.PathW().c_str(), L"cut_2026_12_10.log").c_str();
  m_settings = COutputSettings{};
  m_settings->nLinesMax = 12;
  m_settings->nLinesDiff = 5;
  m_settings->bSaveLog = true;
  m_settings->strSaveLogPath = log;
  DeliverTexts(0, 10);  // with the header: 12 lines, at the limit
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == 12; }));
  std::vector<BYTE> bytes;
  EXPECT_NE(tessaly::win32::ReadWholeFile(log, bytes), ERROR_SUCCESS);
  DeliverTexts(10, 11);  // the 13th line cuts the oldest 5
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == 8; }));
  EXPECT_TRUE(EndsWith(0, L"\te3"));
  EXPECT_EQ(m_view.shownLines, 8);
  ASSERT_EQ(tessaly::win32::ReadWholeFile(log, bytes), ERROR_SUCCESS);
  const std::wstring text = Utf16ToWide(std::u16string(reinterpret_cast<const char16_t*>(bytes.data()), bytes.size() / 2));
  EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 5);
  EXPECT_NE(text.find(L"\te2\r\n"), std::wstring::npos);
  EXPECT_EQ(text.find(L"\te3"), std::wstring::npos);
}

TEST_F(OutputPane, LineDifferenceIsClampedIntoRange) {
  const struct {
    int max;
    int diff;
    size_t left;
  } cases[] = {{6, 0, 6}, {6, 6, 2}, {6, 100, 2}};
  int next = 0;
  for (const auto& c : cases) {
    m_model.ClearAll();  // one line
    m_settings = COutputSettings{};
    m_settings->nLinesMax = c.max;
    m_settings->nLinesDiff = c.diff;
    DeliverTexts(next, next + c.max);  // one beyond the limit
    next += c.max;
    const CString last = FormatString(L"\te%d", next - 1);
    ASSERT_TRUE(PumpUntil([&] { return EndsWith(m_model.GetLines().size() - 1, last); }));
    EXPECT_EQ(m_model.GetLines().size(), c.left) << c.max << "/" << c.diff;
  }
}

TEST_F(OutputPane, ClearLeavesOneLineAndSaveWritesUtf16) {
  DeliverTexts(0, 3);
  ASSERT_TRUE(PumpUntil([&] { return m_model.GetLines().size() == m_header + 3; }));
  const CString path = tessaly::win32::JoinPath(m_root.PathW().c_str(), L"out.txt").c_str();
  ASSERT_EQ(m_model.Save(path), ERROR_SUCCESS);
  std::vector<BYTE> bytes;
  ASSERT_EQ(tessaly::win32::ReadWholeFile(path, bytes), ERROR_SUCCESS);
  EXPECT_EQ(bytes[0], 'T');  // no byte-order mark
  EXPECT_EQ(bytes[1], 0);
  EXPECT_NE(m_model.Save(tessaly::win32::JoinPath(m_root.PathW().c_str(), L"missing/out.txt").c_str()), ERROR_SUCCESS);
  m_model.ClearAll();
  ASSERT_EQ(m_model.GetLines().size(), 1u);
  EXPECT_STREQ(m_model.GetLines()[0].GetString(), L"Output window cleared.");
  EXPECT_EQ(m_view.shownLines, 1);
}

// The collector is stopped and joined while producers still deliver and while it waits on a full
// buffer that nobody takes.
TEST(OutputCollectorConcurrent, StopsWhileFullAndWhileFed) {
  for (int round = 0; round < 3; ++round) {
    COutputWndEventThread collector;
    collector.Start();
    std::atomic<bool> stop{false};
    std::thread producer([&] {
      CString big(L'x', 4000);
      while (!stop) collector.Add(std::make_unique<CTextProtocolEvent>(big));
    });
    // No output window: the buffer fills up to its bound and the collector waits.
    while (collector.TakeText().GetLength() == 0) std::this_thread::yield();
    collector.Stop();
    stop = true;
    producer.join();
  }
}

}  // namespace
