#include <gtest/gtest.h>

#include "foundation/ProtocolEventsCollection.h"
#include "foundation/TextProtocolEvent.h"
#include "platform/win32/Resources.h"
#include "platform/win32/Time.h"

using tessaly::win32::ManualClock;
using tessaly::win32::ScopedClockForTesting;

namespace {

constexpr UINT kIdWrite = 41001;
constexpr UINT kIdMissing = 41999;

// Counts its own deletions, so tests see that every event dies exactly once.
class CountedEvent : public CProtocolEvent {
 public:
  explicit CountedEvent(int* deleted, int tag = 0) : m_deleted(deleted), m_tag(tag) {}
  ~CountedEvent() override { ++*m_deleted; }
  CProtocolEventText GetText() const override { return CProtocolEventText(IntText()); }
  int GetKind() const override { return 7; }
  std::unique_ptr<CProtocolEvent> Clone() const override { return std::make_unique<CountedEvent>(m_deleted, m_tag); }
  int Tag() const { return m_tag; }

 private:
  CString IntText() const { return FormatString(L"%d", m_tag); }
  int* m_deleted;
  int m_tag;
};

}  // namespace

TEST(ProtocolEventText, LinesSkipEmptyAndOutOfRangeGivesEmpty) {
  CProtocolEventText text(L"head");
  text.AddLine(L"one");
  text.AddLine(L"");
  text.AddLine(L"two");
  EXPECT_EQ(text.GetText(), L"head");
  EXPECT_EQ(text.GetLineCount(), 2);
  EXPECT_EQ(text.GetLine(1), L"two");
  EXPECT_EQ(text.GetLine(-1), L"");
  EXPECT_EQ(text.GetLine(2), L"");
}

TEST(TextProtocolEvent, CreateFormattedIsTypeSafeAndMissingResourceGivesEmptyHeadline) {
  const StringResource table[] = {{kIdWrite, L"Write value failed. NV: %s. (Cause: %d)"}};
  RegisterStringResources(table);

  auto event = CTextProtocolEvent::CreateFormatted(kIdWrite, CString(L"nvoTemp"), 5);
  EXPECT_EQ(event->GetText().GetText(), L"Write value failed. NV: nvoTemp. (Cause: 5)");
  EXPECT_EQ(event->GetKind(), 1001);

  // Arguments that do not match the format print something and never crash.
  auto mismatched = CTextProtocolEvent::CreateFormatted(kIdWrite, 42);
  EXPECT_EQ(mismatched->GetText().GetText(), L"Write value failed. NV: 42. (Cause: )");

  auto missing = CTextProtocolEvent::CreateFormatted(kIdMissing, 1, 2);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->GetText().GetText(), L"");
  EXPECT_EQ(missing->GetKind(), 1001);

  CString untouched(L"kept");
  FormatResourceString(untouched, kIdMissing, 1);
  EXPECT_EQ(untouched, L"kept");
}

TEST(TextProtocolEvent, CloneKeepsKindTextLinesAndTimeStamp) {
  ManualClock clock;
  ScopedClockForTesting installed(clock);
  CTextProtocolEvent source(L"Start time: 12 ms.");
  source.m_text.AddLine(L"more");
  clock.Advance(5000);  // the GUI thread gets to it later
  std::unique_ptr<CProtocolEvent> clone = source.Clone();
  EXPECT_EQ(clone->GetKind(), source.GetKind());
  EXPECT_EQ(clone->GetText().GetText(), L"Start time: 12 ms.");
  EXPECT_EQ(clone->GetText().GetLine(0), L"more");
  EXPECT_EQ(clone->GetTime(), source.GetTime());
  EXPECT_NE(source.GetTime().GetValue(), 0u);
}

TEST(ProtocolEventsCollection, BoundTakesOneMoreThenRefuses) {
  int deleted = 0;
  {
    CProtocolEventsCollection queue;
    for (int i = 0; i < CProtocolEventsCollection::kMaxQueued; ++i) {
      ASSERT_TRUE(queue.Add(std::make_unique<CountedEvent>(&deleted)));
    }
    EXPECT_EQ(queue.GetCount(), 100000);
    EXPECT_TRUE(queue.Add(std::make_unique<CountedEvent>(&deleted)));  // the 100001st
    EXPECT_EQ(queue.GetCount(), 100001);
    EXPECT_FALSE(queue.Add(std::make_unique<CountedEvent>(&deleted)));
    EXPECT_EQ(deleted, 1);  // the refused one, at once
    EXPECT_FALSE(queue.Add(nullptr));
    EXPECT_EQ(queue.GetCount(), 100001);
  }
  EXPECT_EQ(deleted, 100002);  // the destructor deleted the rest, each once
}

TEST(ProtocolEventsCollection, FifoNullAndClear) {
  int deleted = 0;
  CProtocolEventsCollection queue;
  EXPECT_EQ(queue.Pop(), nullptr);
  EXPECT_TRUE(queue.Add(nullptr));
  EXPECT_EQ(queue.GetCount(), 0);
  for (int tag = 1; tag <= 3; ++tag) queue.Add(std::make_unique<CountedEvent>(&deleted, tag));
  auto first = queue.Pop();
  EXPECT_EQ(static_cast<CountedEvent*>(first.get())->Tag(), 1);
  auto second = queue.Pop();
  EXPECT_EQ(static_cast<CountedEvent*>(second.get())->Tag(), 2);
  queue.Clear();
  EXPECT_EQ(queue.GetCount(), 0);
  EXPECT_EQ(deleted, 1);
  queue.Clear();
  EXPECT_EQ(deleted, 1);
}
