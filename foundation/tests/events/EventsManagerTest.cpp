#include "foundation/EventsManager.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "foundation/TextProtocolEvent.h"
#include "platform/win32/Messages.h"

namespace {

std::atomic<int> g_deleted{0};

class TrackedEvent : public CTextProtocolEvent {
 public:
  explicit TrackedEvent(const CString& text) : CTextProtocolEvent(text) {}
  ~TrackedEvent() override { ++g_deleted; }
};

std::unique_ptr<CProtocolEvent> MakeEvent(int n) { return std::make_unique<TrackedEvent>(FormatString(L"event %d", n)); }

// Records what it sees, and what each delivery batch brought.
class RecordingObserver : public CProtocolEventObserver {
 public:
  void Update(CSubjectTEx<CProtocolEvent*>*, CProtocolEvent* event) override {
    texts.push_back(event->GetText().GetText());
  }
  std::vector<CString> texts;
};

// Takes the manager's messages one by one and returns how many events each delivered.
std::vector<int> PumpOneByOne(CEventsManager& manager, RecordingObserver& observer) {
  std::vector<int> perMessage;
  MSG msg;
  while (PeekMessage(&msg, manager.GetSafeHwnd(), 0, 0, PM_REMOVE)) {
    const size_t before = observer.texts.size();
    DispatchMessage(&msg);
    perMessage.push_back(static_cast<int>(observer.texts.size() - before));
  }
  return perMessage;
}

}  // namespace

TEST(EventsManager, BurstIsDeliveredTenPerMessageInOrder) {
  CEventsManager manager;
  RecordingObserver observer;
  manager.Attach(&observer);
  for (int i = 0; i < 25; ++i) ASSERT_TRUE(manager.Collect(MakeEvent(i)));

  std::vector<int> expected(25, 0);
  expected[0] = 10;
  expected[1] = 10;
  expected[2] = 5;
  EXPECT_EQ(PumpOneByOne(manager, observer), expected);
  ASSERT_EQ(observer.texts.size(), 25u);
  for (int i = 0; i < 25; ++i) EXPECT_EQ(observer.texts[static_cast<size_t>(i)], FormatString(L"event %d", i));
  EXPECT_EQ(manager.GetQueuedCount(), 0);
  manager.Detach(&observer);
}

TEST(EventsManager, ObserverAttachedTwiceIsNotifiedTwiceAndOneDetachRemovesBoth) {
  CEventsManager manager;
  RecordingObserver observer;
  manager.Attach(&observer);
  manager.Attach(&observer);
  manager.Collect(MakeEvent(1));
  PumpOneByOne(manager, observer);
  EXPECT_EQ(observer.texts.size(), 2u);

  manager.Detach(&observer);
  RecordingObserver stranger;
  manager.Detach(&stranger);  // not attached: ignored
  manager.Collect(MakeEvent(2));
  PumpOneByOne(manager, observer);
  EXPECT_EQ(observer.texts.size(), 2u);
  EXPECT_EQ(manager.GetObserverCount(), 0u);
}

TEST(EventsManager, ObserverMayDetachOthersAndAttachInsideUpdate) {
  struct Detacher : CProtocolEventObserver {
    void Update(CSubjectTEx<CProtocolEvent*>* subject, CProtocolEvent*) override {
      ++calls;
      if (calls == 1) {
        subject->Detach(victim);
        subject->Attach(late);
      }
    }
    CProtocolEventObserver* victim = nullptr;
    CProtocolEventObserver* late = nullptr;
    int calls = 0;
  };
  CEventsManager manager;
  Detacher first;
  RecordingObserver victim;
  RecordingObserver late;
  first.victim = &victim;
  first.late = &late;
  manager.Attach(&first);
  manager.Attach(&victim);
  manager.Collect(MakeEvent(1));
  manager.Collect(MakeEvent(2));
  PumpOneByOne(manager, late);
  EXPECT_TRUE(victim.texts.empty());  // detached before its turn: not called
  ASSERT_EQ(late.texts.size(), 1u);   // attached during event 1: sees event 2 only
  EXPECT_EQ(late.texts[0], L"event 2");
}

TEST(EventsManager, FullQueueRefusesDeletesAndPostsNothing) {
  g_deleted = 0;
  {
    CEventsManager manager;
    RecordingObserver observer;
    manager.Attach(&observer);
    for (int i = 0; i <= CProtocolEventsCollection::kMaxQueued; ++i) ASSERT_TRUE(manager.Collect(MakeEvent(i)));
    EXPECT_FALSE(manager.Collect(MakeEvent(-1)));
    EXPECT_EQ(g_deleted, 1);

    int messages = 0;
    MSG msg;
    while (PeekMessage(&msg, manager.GetSafeHwnd(), 0, 0, PM_REMOVE)) ++messages;
    EXPECT_EQ(messages, CProtocolEventsCollection::kMaxQueued + 1);
    EXPECT_TRUE(observer.texts.empty());
  }
  // Still queued at the end: deleted without reaching any observer.
  EXPECT_EQ(g_deleted, CProtocolEventsCollection::kMaxQueued + 2);
}

TEST(EventsManager, ProcessManagerIsExplicitAndNeverMadeAgainAfterTeardown) {
  g_deleted = 0;
  EXPECT_EQ(CEventsManager::GetInstance(), nullptr);
  EXPECT_FALSE(g_pProtocolEventsCollector);
  EXPECT_FALSE(CEventsManager::PostEvent(MakeEvent(0)));  // nobody there: consumed anyway
  EXPECT_EQ(g_deleted, 1);

  CEventsManager* manager = CEventsManager::Create();
  ASSERT_NE(manager, nullptr);
  EXPECT_EQ(CEventsManager::Create(), manager);
  EXPECT_EQ(CEventsManager::GetInstance(), manager);
  EXPECT_TRUE(g_pProtocolEventsCollector);
  RecordingObserver observer;
  manager->Attach(&observer);
  EXPECT_TRUE(CEventsManager::PostEvent(MakeEvent(1)));
  EXPECT_TRUE(g_pProtocolEventsCollector->Collect(MakeEvent(2)));
  PumpOneByOne(*manager, observer);
  EXPECT_EQ(observer.texts.size(), 2u);
  EXPECT_TRUE(CEventsManager::PostEvent(MakeEvent(3)));  // still queued at teardown

  CEventsManager::Destroy();
  EXPECT_EQ(CEventsManager::GetInstance(), nullptr);
  EXPECT_FALSE(g_pProtocolEventsCollector);
  EXPECT_EQ(g_deleted, 4);
  EXPECT_EQ(CEventsManager::Create(), nullptr);
  EXPECT_FALSE(g_pProtocolEventsCollector->Collect(MakeEvent(4)));
  EXPECT_EQ(g_deleted, 5);
  CEventsManager::Destroy();  // twice is harmless
}

TEST(EventsManagerConcurrent, CollectRacingTeardownNeverTouchesAFreedManager) {
  g_deleted = 0;
  CProtocolEventsCollectorRef collector;
  auto* manager = new CEventsManager;
  collector.Set(manager);

  constexpr int kProducers = 4;
  constexpr int kAfterTeardown = 50;
  std::atomic<int> created{0};
  std::atomic<int> taken{0};
  std::atomic<bool> tornDown{false};
  std::vector<std::thread> producers;
  for (int p = 0; p < kProducers; ++p) {
    producers.emplace_back([&] {
      int lateCalls = 0;
      while (lateCalls < kAfterTeardown) {
        const bool afterTeardown = tornDown.load();
        ++created;
        const bool ok = collector.Collect(MakeEvent(0));
        if (ok) ++taken;
        if (afterTeardown) {
          EXPECT_FALSE(ok);
          ++lateCalls;
        }
      }
    });
  }
  while (taken.load() < 200) std::this_thread::yield();  // some got in before teardown
  collector.Set(nullptr);
  delete manager;
  tornDown = true;
  for (std::thread& t : producers) t.join();
  EXPECT_EQ(g_deleted.load(), created.load());  // taken, refused or late: each deleted once
}
