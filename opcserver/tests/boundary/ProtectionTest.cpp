// The server's protection against one client that misbehaves: a flood of calls whose sinks never
// answer, a sink that never answers an advise, a client that stops reading.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <fstream>
#include <future>
#include <iostream>
#include <sstream>

#include "opcserver/MyOPCServer.h"
#include "opcserver/OpcConnectionEvents.h"
#include "opcserver/testing/EventCapture.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/tests/boundary/ChildProcess.h"
#include "opcserver/tests/boundary/RawClient.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/rpc/ConnectionObserver.h"
#include "platform/rpc/RemoteSettings.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

const bool kThroughTheBoundary = [] { return ::setenv("TESSALY_OPC_TRANSPORT", "rpc", 1) == 0; }();

// A process's thread count and resident memory, from /proc.
struct Figures {
  long threads = 0;
  long rssKb = 0;
};
Figures FiguresOf(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  Figures f;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string name;
    words >> name;
    if (name == "Threads:") words >> f.threads;
    if (name == "VmRSS:") words >> f.rssKb;
  }
  return f;
}

// How much a server's resident memory may grow in these tests: a few megabytes do; AddressSanitizer
// keeps what is freed in quarantine, so its builds are allowed more.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kRssGrowthKb = 512 * 1024;
#else
constexpr long kRssGrowthKb = 32 * 1024;
#endif

// A sink that never answers anything.
class CSilentSink final : public tessaly::rpc::wire::Unknown::Server {
 protected:
  kj::Promise<void> queryInterface(QueryInterfaceContext) override { return kj::NEVER_DONE; }
  kj::Promise<void> release(ReleaseContext) override { return kj::NEVER_DONE; }
};

// The server host in a process of its own, under a machine root of this test alone.
class HostTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot root;
  void SetUp() override { UsePrivateRpcDirectory(); }
  void TearDown() override { ::unsetenv("TESSALY_RPC_DIRECTORY"); }
  // Starts the host (through sh, so the test can give it limits) and waits for its socket.
  std::unique_ptr<CChildProcess> StartHost(const std::string& limits = "") {
    std::string command = limits + "exec " + TESSALY_OPCSERVER_HOST + " --clsid " + ClsidText(kClsid);
    auto host = std::make_unique<CChildProcess>(std::vector<std::string>{"/bin/sh", "-c", command});
    bool up = WaitUntil(
        [&] {
          int fd = tessaly::rpc::ConnectUnixSocket(tessaly::rpc::InstanceSocketPath(kClsid));
          if (fd >= 0) ::close(fd);
          return fd >= 0;
        },
        std::chrono::seconds(60));
    EXPECT_TRUE(up);
    return host;
  }
  static std::string ClsidText(REFCLSID clsid) { return WideToUtf8(tessaly::GuidToString(clsid)); }
  static constexpr CLSID kClsid = tessaly::GuidFromText("{5A1E7C10-2B3D-4C8E-9F11-6A0B3C442204}");
};

// Answers a client of its own (its own event loop on a thread of its own) within a second.
bool AnswersAtOnce(REFCLSID clsid) {
  auto answer = std::async(std::launch::async, [clsid] {
    CRawClient client(clsid);
    return client.Connected();
  });
  return answer.wait_for(std::chrono::seconds(1)) == std::future_status::ready && answer.get();
}

TEST_F(HostTest, AFloodOfAdvisesToSilentSinksHoldsOnlyItsShareOfTheWorkers) {
  auto host = StartHost();
  const tessaly::rpc::WorkerLimits limits;  // the host's
  ASSERT_TRUE(AnswersAtOnce(kClsid));
  Figures before = FiguresOf(host->Pid()), during;
  constexpr int kFlood = 3000;
  int answered = 0, refused = 0, failed = 0;
  {
    CRawClient raw(kClsid);
    auto point = raw.DataCallbackPoint(raw.AddGroup().castAs<tessaly::rpc::wire::Unknown>());
    kj::Vector<kj::Promise<void>> calls;
    for (int i = 0; i < kFlood; ++i) {
      auto advise = point.adviseRequest();
      advise.setSink(kj::heap<CSilentSink>());
      calls.add(advise.send()
                    .then([&](auto) { ++answered; },
                          [&](kj::Exception&& e) {
                            if (e.getType() == kj::Exception::Type::OVERLOADED) ++refused;
                            else ++failed;
                          })
                    .eagerlyEvaluate(nullptr));
    }
    // The first advises end with the call-back time-out (5 s); the others wait on this
    // connection meanwhile (or are refused with a clear error), none fails otherwise.
    ASSERT_TRUE(raw.PumpUntil([&] { return answered >= 1; }));
    EXPECT_EQ(0, failed);
    during = FiguresOf(host->Pid());
    EXPECT_TRUE(AnswersAtOnce(kClsid));
    EXPECT_LE(during.threads, before.threads + static_cast<long>(limits.maxWorkers));
    EXPECT_LT(during.rssKb, before.rssKb + kRssGrowthKb);
  }
  // The client left: what it had queued ends at once (its sinks are gone), idle workers end.
  Figures after;
  EXPECT_TRUE(WaitUntil(
      [&] {
        after = FiguresOf(host->Pid());
        return after.threads <= before.threads;
      },
      std::chrono::seconds(30)));
  EXPECT_TRUE(AnswersAtOnce(kClsid));
  std::cout << "flood of " << kFlood << " advises (workers " << limits.maxWorkers << ", lane " << limits.laneRunning
            << " running + " << limits.laneQueued << " queued): server threads " << before.threads << " -> "
            << during.threads << " -> " << after.threads << ", RSS " << before.rssKb << " -> " << during.rssKb
            << " -> " << after.rssKb << " kB; refused " << refused << "\n";
}

// Connections opened at once to the host, held until closed.
std::vector<int> OpenConnections(REFCLSID clsid, int count) {
  std::vector<int> fds;
  for (int i = 0; i < count; ++i) {
    int fd = tessaly::rpc::ConnectUnixSocket(tessaly::rpc::InstanceSocketPath(clsid));
    if (fd >= 0) fds.push_back(fd);
  }
  return fds;
}
size_t DescriptorsOf(pid_t pid) {
  size_t n = 0;
  if (DIR* dir = ::opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
    while (::readdir(dir)) ++n;
    ::closedir(dir);
  }
  return n;
}
// Connections the far end closed (end of stream waiting to be read).
size_t ClosedByTheServer(const std::vector<int>& fds) {
  size_t closed = 0;
  for (int fd : fds) {
    pollfd p{fd, POLLIN, 0};
    char c;
    if (::poll(&p, 1, 0) == 1 && ::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) == 0) ++closed;
  }
  return closed;
}
// opcclient's status of the host's server (bounded: a server that never answers fails it).
int StatusExit(REFCLSID clsid) {
  CChildProcess client({"/usr/bin/timeout", "20", TESSALY_OPCCLIENT, WideToUtf8(tessaly::GuidToString(clsid)), "status"});
  client.CloseInput();
  std::string out = client.ReadAll();
  int status = client.Wait();
  if (status != 0) std::cerr << out;
  return status;
}

TEST_F(HostTest, ABurstOfConnectionsBeyondItsDescriptorsLeavesTheServerAccepting) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  // The sanitizers' runtime opens descriptors of its own to check memory: out of them, it reports
  // sound objects as bad and ends the server.
  GTEST_SKIP() << "not under the sanitizers";
#endif
  auto host = StartHost("ulimit -n 256; ");
  std::vector<int> burst = OpenConnections(kClsid, 300);
  EXPECT_EQ(300u, burst.size());
  // The server ran out of descriptors while it accepted them.
  EXPECT_TRUE(WaitUntil([&] { return DescriptorsOf(host->Pid()) >= 250; }));
  for (int fd : burst) ::close(fd);
  EXPECT_EQ(0, StatusExit(kClsid));
}

TEST_F(HostTest, AConnectionOverTheMaximumIsClosedAtOnce) {
  tessaly::rpc::CRemoteSettings settings;
  settings.maxConnections = 64;
  ASSERT_TRUE(settings.Write());
  auto host = StartHost();
  std::vector<int> held = OpenConnections(kClsid, 100);
  ASSERT_EQ(100u, held.size());
  EXPECT_TRUE(WaitUntil([&] { return ClosedByTheServer(held) >= 36; }));
  for (int fd : held) ::close(fd);
  EXPECT_EQ(0, StatusExit(kClsid));
}

TEST(ProtectionTest, AnAdviseToASinkThatNeverAnswersTimesOut) {
  CFakeTagsManager tags;
  COpcTestClient good;
  auto* runtime = tessaly::rpc::CRpcRuntime::Current();
  runtime->SetCallbackTimeout(std::chrono::milliseconds(500));
  {
    CRawClient raw;
    auto point = raw.DataCallbackPoint(raw.AddGroup().castAs<tessaly::rpc::wire::Unknown>());
    auto advise = point.adviseRequest();
    advise.setSink(kj::heap<CSilentSink>());
    bool answered = false;
    HRESULT hr = S_OK;
    auto call = advise.send().then([&](auto response) {
      hr = response.getHr();
      answered = true;
    }).eagerlyEvaluate(nullptr);
    // The server's QueryInterface on the sink ends with the call-back time-out, so does the advise.
    EXPECT_TRUE(raw.PumpUntil([&] { return answered; }, std::chrono::seconds(20)));
    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
  }
  runtime->SetCallbackTimeout(std::chrono::milliseconds(5000));
}

TEST(ProtectionTest, AClientThatStopsReadingIsDroppedBeforeItsQueueGrowsLarge) {
  CFakeTagsManager tags;
  // Large values: one data change fills what the sockets hold, whatever the call-back time-out.
  auto text = [](int n) {
    VARIANT v;
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString((std::to_wstring(n) + std::wstring(32 * 1024, L'x')).c_str());
    return v;
  };
  std::vector<std::shared_ptr<FakePoint>> points;
  std::string script = "group G rate=50\n";
  for (int i = 0; i < 20; ++i) {
    std::wstring name = L"S" + std::to_wstring(i);
    points.push_back(tags.Add(name.c_str()));
    {
      std::lock_guard<std::mutex> lock(points.back()->mutex);
      points.back()->canonical = VT_BSTR;
    }
    VARIANT v = text(0);
    points.back()->SetValue(v);
    VariantClear(&v);
    script += "add " + WideToUtf8(name) + "\n";
  }
  COpcTestClient local;
  // As the program does: the drop is a line of the protocol.
  CEventCapture protocol;
  COpcConnectionEvents connectionEvents;
  tessaly::rpc::CScopedConnectionObserver observer(&connectionEvents);
  auto* runtime = tessaly::rpc::CRpcRuntime::Current();
  runtime->SetStalledPeerTimeout(std::chrono::milliseconds(1000));
  int before = g_nConnectedClients;
  CChildProcess client({TESSALY_OPCCLIENT, WideToUtf8(tessaly::GuidToString(CLSID_TessalyTestServer)), "-"});
  client.Write(script + "watch 120\n");
  ASSERT_TRUE(client.ReadUntil("change\t", std::chrono::seconds(60)));  // its sink is advised and called
  Figures start = FiguresOf(::getpid()), peak = start;
  ::kill(client.Pid(), SIGSTOP);  // reads nothing from here on
  std::atomic<bool> stop{false};
  std::thread changes([&] {
    for (int n = 1; !stop; ++n) {
      for (auto& point : points) {
        VARIANT v = text(n);
        point->SetValue(v);
        VariantClear(&v);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  });
  bool dropped = WaitUntil(
      [&] {
        Figures now = FiguresOf(::getpid());
        peak.rssKb = std::max(peak.rssKb, now.rssKb);
        peak.threads = std::max(peak.threads, now.threads);
        return g_nConnectedClients.load() == before;
      },
      std::chrono::seconds(60));
  stop = true;
  changes.join();
  ::kill(client.Pid(), SIGKILL);
  client.Wait();
  runtime->SetStalledPeerTimeout(std::chrono::milliseconds(10000));
  EXPECT_TRUE(dropped);
  EXPECT_LT(peak.rssKb, start.rssKb + kRssGrowthKb);
  std::vector<CString> lines;
  for (const CString& text : protocol.Texts(ProtocolEventKindText))
    if (std::wstring(text.GetString()).rfind(L"Client connection dropped", 0) == 0) lines.push_back(text);
  ASSERT_EQ(1u, lines.size());
  EXPECT_THAT(WideToUtf8(lines[0].GetString()),
              ::testing::MatchesRegex("Client connection dropped: it stopped reading \\([0-9.]+ (bytes|KiB|MiB) queued\\)\\."));
  std::cout << "client that stopped reading (20 items of 32 KiB, stalled-peer limit 1 s): threads " << start.threads
            << " -> " << peak.threads << ", RSS " << start.rssKb << " -> " << peak.rssKb << " kB, dropped " << dropped
            << "\n";
}

}  // namespace
