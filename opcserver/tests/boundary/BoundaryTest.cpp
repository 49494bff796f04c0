// The OPC server through the process boundary: clients and servers that die, objects cut off by
// CoDisconnectObject, a sink that stops answering, malformed messages, and opcclient against the
// server host.
#include <gtest/gtest.h>

#include <capnp/rpc-twoparty.h>
#include <kj/async-io.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <poll.h>

#include <condition_variable>
#include <fstream>
#include <future>
#include <mutex>

#include "interfaces/opc/rpc/Opc.capnp.h"
#include "opcserver/MyOPCServer.h"
#include "opcserver/OPCToolkitCtrl.h"
#include "opcserver/testing/FakeTagsManager.h"
#include "opcserver/testing/OpcTestClient.h"
#include "opcserver/tests/boundary/ChildProcess.h"
#include "opcserver/tests/boundary/RawClient.h"
#include "platform/com/Activation.h"
#include "platform/com/Guid.h"
#include "platform/com/Memory.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/Marshal.h"
#include "platform/rpc/RemoteSettings.h"
#include "platform/rpc/RpcRuntime.h"
#include "platform/win32/MachineRoot.h"
#include "platform/win32/Registry.h"
#include "platform/win32/TextConv.h"
#include "platform/win32/testing/TempMachineRoot.h"

namespace {

// Every client of this executable goes through the boundary.
const bool kThroughTheBoundary = [] { return ::setenv("TESSALY_OPC_TRANSPORT", "rpc", 1) == 0; }();

std::string ClsidText(REFCLSID clsid) { return WideToUtf8(tessaly::GuidToString(clsid)); }

int PointMonitoring(const std::shared_ptr<FakePoint>& point) {
  std::lock_guard<std::mutex> lock(point->mutex);
  return point->monitoring;
}

TEST(BoundaryTest, AKilledClientReleasesItsGroups) {
  ASSERT_TRUE(kThroughTheBoundary);
  CFakeTagsManager tags;
  auto point = tags.Add(L"A");
  COpcTestClient local;  // the process serves its class from here on
  int before = g_nConnectedClients;
  CChildProcess client({TESSALY_OPCCLIENT, ClsidText(CLSID_TessalyTestServer), "-"});
  client.Write("group G rate=100\nadd A\nwatch 60\n");
  ASSERT_TRUE(WaitUntil([&] { return PointMonitoring(point) > 0; }));
  EXPECT_EQ(before + 1, g_nConnectedClients.load());
  client.Kill();
  EXPECT_EQ(-1, client.Wait());
  // Its connection ended: its server object, its group and the group's item are gone.
  EXPECT_TRUE(WaitUntil([&] { return g_nConnectedClients.load() == before && PointMonitoring(point) == 0; }));
}

TEST(BoundaryTest, AKilledServerFailsTheNextCallAsDisconnected) {
  CLSID clsid = tessaly::GuidFromText("{5A1E7C10-2B3D-4C8E-9F11-6A0B3C442201}");
  COpcTestClient runtime;  // the process's runtime
  CChildProcess host({TESSALY_OPCSERVER_HOST, "--clsid", ClsidText(clsid), "-Embedding"});
  CComPtr<IOPCServer> server;
  ASSERT_TRUE(WaitUntil(
      [&] {
        return SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IOPCServer,
                                          reinterpret_cast<void**>(&server.p)));
      },
      std::chrono::seconds(60)));
  CComPtr<IUnknown> group;
  OPCHANDLE handle = 0;
  ASSERT_EQ(S_OK, server->AddGroup(L"G", TRUE, 1000, 1, nullptr, nullptr, 0, &handle, nullptr, IID_IOPCGroupStateMgt,
                                   &group.p));
  host.Kill();
  host.Wait();
  OPCSERVERSTATUS* status = nullptr;
  EXPECT_EQ(RPC_E_DISCONNECTED, server->GetStatus(&status));
  EXPECT_EQ(nullptr, status);
  DWORD rate = 0;
  EXPECT_EQ(RPC_E_DISCONNECTED, static_cast<IOPCGroupStateMgt*>(static_cast<IUnknown*>(group.p))
                                    ->GetState(&rate, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr));
  EXPECT_EQ(RPC_E_DISCONNECTED, server->RemoveGroup(handle, FALSE));
}

TEST(BoundaryTest, CoDisconnectObjectCutsTheServerAndItsGroupsOffTheirClients) {
  CFakeTagsManager tags;
  COpcTestClient client;
  int before = g_nConnectedClients - 1;
  auto group = client.AddGroup(L"G", TRUE, 1000, 1);
  ASSERT_TRUE(group);
  for (CMyOPCServer* server : GetOPCToolkitCtrl().Snapshot()) {
    if (server->TryAddRef()) {
      CoDisconnectObject(server->GetUnknown(), 0);
      static_cast<IOPCServer*>(server)->Release();
    }
  }
  OPCSERVERSTATUS* status = nullptr;
  EXPECT_EQ(RPC_E_DISCONNECTED, client.Server()->GetStatus(&status));
  // The server went with its last reference and cut its groups off as it went.
  EXPECT_EQ(before, g_nConnectedClients.load());
  HRESULT* errors = nullptr;
  OPCHANDLE h = 1;
  EXPECT_EQ(RPC_E_DISCONNECTED, group->RemoveItems(1, &h, &errors));
}

TEST(BoundaryTest, AStubbornSinkIsAbandonedAndTheOtherClientsGoOn) {
  CFakeTagsManager tags;
  auto point = tags.Add(L"A");
  CCycleWatcher cycles;
  COpcTestClient stubborn, good;
  // Long enough that a healthy sink on a loaded machine never meets it; the stubborn one always does.
  tessaly::rpc::CRpcRuntime::Current()->SetCallbackTimeout(std::chrono::milliseconds(1000));
  auto g1 = stubborn.AddGroup(L"S", TRUE, 100, 11);
  auto g2 = good.AddGroup(L"G", TRUE, 100, 22);
  // The gate lives with the sink: calls still under way when the test ends find it there.
  struct Gate {
    std::mutex mutex;
    std::condition_variable cv;
    bool open = false;
  };
  auto gate = std::make_shared<Gate>();
  auto blocked = stubborn.Subscribe(g1);
  blocked->m_onCall = [gate] {
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->cv.wait_for(lock, std::chrono::seconds(30), [&] { return gate->open; });
  };
  auto sink = good.Subscribe(g2);
  // Items only now: their first values go to the sinks (a cycle before an advise would have
  // delivered them to no one), and the stubborn sink blocks from its first call on.
  stubborn.AddItems(g1, {L"A"});
  good.AddItems(g2, {L"A"});
  ASSERT_TRUE(sink->WaitForCalls(1));
  for (int i = 1; i <= 5; ++i) {
    size_t seen = sink->CallCount();
    point->SetDouble(i);
    EXPECT_TRUE(sink->WaitForCalls(seen + 1)) << i;
  }
  // The stubborn client's group is not stalled either: its calls time out and it goes on.
  cycles.Mark(11);
  EXPECT_TRUE(cycles.WaitForMoreCycles(11, 3));
  {
    std::lock_guard<std::mutex> lock(gate->mutex);
    gate->open = true;
  }
  gate->cv.notify_all();
  tessaly::rpc::CRpcRuntime::Current()->SetCallbackTimeout(std::chrono::milliseconds(5000));
}

TEST(BoundaryTest, AMalformedMessageClosesOnlyItsConnection) {
  CFakeTagsManager tags;
  COpcTestClient wellBehaved;
  struct Case {
    const char* name;
    std::function<void(CRawClient&)> send;
  } cases[] = {
      {"a count larger than its array",
       [](CRawClient& raw) {
         auto request = raw.AddGroup().readRequest();
         request.setSource(OPC_DS_CACHE);
         request.setCount(5);
         request.initServers(2);
         request.setIns(1);
         request.setOuts(3);
         request.send().wait(raw.Wait());
       }},
      {"a string beyond its bound",
       [](CRawClient& raw) {
         auto request = raw.server.addGroupRequest();
         request.setName(std::string(tessaly::rpc::kMaxTextBytes + 1, 'x'));
         tessaly::rpc::EncodeGuid(request.initIid(), IID_IOPCSyncIO);
         request.send().wait(raw.Wait());
       }},
  };
  for (const Case& c : cases) {
    CRawClient raw;
    ASSERT_TRUE(raw.Connected()) << c.name;
    EXPECT_ANY_THROW(c.send(raw)) << c.name;
    EXPECT_FALSE(raw.Connected()) << c.name;
    OPCSERVERSTATUS* status = nullptr;
    ASSERT_EQ(S_OK, wellBehaved.Server()->GetStatus(&status)) << c.name;
    CoTaskMemFree(status->szVendorInfo);
    CoTaskMemFree(status);
  }
  // A frame that announces one segment of 2^24 words (128 MiB, beyond the 64 MiB limit): the
  // server drops the connection as soon as it reads the header.
  int fd = tessaly::rpc::ConnectUnixSocket(tessaly::rpc::InstanceSocketPath(CLSID_TessalyTestServer));
  ASSERT_GE(fd, 0);
  uint32_t header[2] = {0, 1u << 24};
  ASSERT_EQ(static_cast<ssize_t>(sizeof(header)), ::write(fd, header, sizeof(header)));
  timeval guard{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof(guard));
  char buffer[512];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof(buffer))) > 0) {
    // the server's farewell (an abort message) comes first
  }
  EXPECT_EQ(0, got);  // end of stream: closed by the server
  ::close(fd);
  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, wellBehaved.Server()->GetStatus(&status));
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);
}

// opcclient against the server host, started by activation through LocalServer32.
class OpcClientTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot root;  // registry and sockets of this test alone
  void SetUp() override {
    UsePrivateRpcDirectory();
    CChildProcess reg({TESSALY_OPCSERVER_HOST, "-RegServer", "--clsid", ClsidText(kClsid)});
    ASSERT_EQ(0, reg.Wait());
  }
  // Runs a script; its output and exit status.
  std::pair<std::string, int> Script(const std::string& commands, std::vector<std::string> args = {}) {
    std::vector<std::string> argv{TESSALY_OPCCLIENT};
    if (args.empty()) args = {ClsidText(kClsid), "-"};
    argv.insert(argv.end(), args.begin(), args.end());
    CChildProcess client(argv);
    client.Write(commands);
    client.CloseInput();
    std::string out = client.ReadAll();
    return {out, client.Wait()};
  }
  static constexpr CLSID kClsid = tessaly::GuidFromText("{5A1E7C10-2B3D-4C8E-9F11-6A0B3C442202}");
  static constexpr CLSID kNever = tessaly::GuidFromText("{5A1E7C10-2B3D-4C8E-9F11-6A0B3C442203}");
};

TEST_F(OpcClientTest, AddReadWriteWatchAndExitStatuses) {
  auto [out, status] = Script(
      "status\n"
      "group G rate=100\n"
      "add 4B.1.1.0\n"
      "add 4B.1.1.1\n"
      "validate 4B.1.1.0 i4\n"
      "read device 4B.1.1.0\n"
      "write 4B.1.1.0 23.25\n"
      "read device 4B.1.1.0\n"
      "watch 3\n"
      "add no.such.item\n");
  EXPECT_EQ(1, status) << out;  // the last command failed
  EXPECT_NE(std::string::npos, out.find("connected\t{")) << out;
  EXPECT_NE(std::string::npos, out.find("status\tstate=1\tgroups=0")) << out;
  EXPECT_NE(std::string::npos, out.find("added\t4B.1.1.0\thandle=")) << out;
  EXPECT_NE(std::string::npos, out.find("valid\t4B.1.1.0")) << out;
  EXPECT_NE(std::string::npos, out.find("value\t4B.1.1.0\t21.5\tgood(0xC0)")) << out;
  EXPECT_NE(std::string::npos, out.find("written\t4B.1.1.0")) << out;
  EXPECT_NE(std::string::npos, out.find("value\t4B.1.1.0\t23.25\tgood(0xC0)")) << out;
  EXPECT_NE(std::string::npos, out.find("change\t4B.1.1.1\t")) << out;
  EXPECT_NE(std::string::npos, out.find("error\tadd no.such.item\t0xC0040008")) << out;

  EXPECT_EQ(0, Script("group G\nadd 4B.1.1.0\nread\n").second);
  auto [servers, listed] = Script("", {"servers"});
  EXPECT_EQ(0, listed);
  EXPECT_NE(std::string::npos, servers.find("server\t" + ClsidText(kClsid) + "\t\tDA2.0")) << servers;
  EXPECT_EQ(1, Script("read\n").second);  // no group
  EXPECT_EQ(2, Script("", {"--host"}).second);
  // The embedded server ended with its last client.
  EXPECT_TRUE(WaitUntil([&] {
    struct stat st;
    return ::stat(tessaly::rpc::InstanceSocketPath(kClsid).c_str(), &st) != 0;
  }));
}

TEST_F(OpcClientTest, EveryCommandAnswersALostServerWithItsError) {
  CChildProcess host({TESSALY_OPCSERVER_HOST, "--clsid", ClsidText(kClsid)});
  ASSERT_TRUE(WaitUntil(
      [&] {
        int fd = tessaly::rpc::ConnectUnixSocket(tessaly::rpc::InstanceSocketPath(kClsid));
        if (fd >= 0) ::close(fd);
        return fd >= 0;
      },
      std::chrono::seconds(60)));
  CChildProcess client({TESSALY_OPCCLIENT, ClsidText(kClsid), "-"});
  client.Write("group G rate=100\nadd 4B.1.1.0\nstatus\n");
  ASSERT_TRUE(client.ReadUntil("status\t", std::chrono::seconds(60)));
  host.Kill();
  host.Wait();
  const std::vector<std::string> commands = {
      "status",           "browse",         "browse flat",          "props 4B.1.1.0", "read",
      "read device 4B.1.1.0", "write 4B.1.1.0 1", "write 4B.1.1.0 1 async", "refresh",  "watch 1",
      "validate 4B.1.1.1", "add 4B.1.1.1",   "group G rate=500",     "group H"};
  for (const std::string& command : commands) client.Write("error-marker\n" + command + "\n");
  client.CloseInput();
  std::string out = client.ReadAll();
  EXPECT_EQ(1, client.Wait()) << out;  // the last command failed; no crash
  // Each command's answer follows its marker: the lost server's error, nothing else.
  size_t at = 0;
  for (const std::string& command : commands) {
    at = out.find("error\tunknown command: error-marker\n", at);
    ASSERT_NE(std::string::npos, at) << command << "\n" << out;
    at = out.find('\n', at) + 1;
    size_t end = out.find("error\tunknown command: error-marker", at);
    std::string answer = out.substr(at, end == std::string::npos ? std::string::npos : end - at);
    EXPECT_EQ(0u, answer.find("error\t")) << command << ": " << answer;
    EXPECT_NE(std::string::npos, answer.find("0x80010108")) << command << ": " << answer;
  }
}

TEST_F(OpcClientTest, HelpListsEveryCommandAndExplainsOne) {
  for (const char* flag : {"--help", "-h", "help"}) {
    auto [out, status] = Script("", {flag});
    EXPECT_EQ(0, status) << flag;
    for (const char* line : {"  servers\n", "  connect <progid|clsid>\n", "  status\n", "  browse [tree|flat] [filter]\n",
                             "  props <itemid>\n", "  group <name> [rate=ms] [deadband=percent] [active=0|1]\n",
                             "  add <itemid> [type]\n", "  validate <itemid> [type]\n",
                             "  read [cache|device] [itemid...]\n", "  write <itemid> <value> [sync|async]\n",
                             "  refresh [cache|device]\n", "  watch [seconds]\n", "  help [command]\n"})
      EXPECT_NE(std::string::npos, out.find(line)) << flag << " " << line << out;
  }
  auto [read, status] = Script("", {"help", "read"});
  EXPECT_EQ(0, status);
  EXPECT_EQ(0u, read.find("read [cache|device] [itemid...]\n  Reads")) << read;
  EXPECT_EQ(2, Script("", {"help", "no-such-command"}).second);
}

TEST_F(OpcClientTest, AServerThatNeverComesFailsActivationWithAClearError) {
  // LocalServer32 names a program that ends at once and never offers the class.
  HKEY key = nullptr;
  std::wstring sub = L"CLSID\\" + tessaly::GuidToString(kNever) + L"\\LocalServer32";
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, sub.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  std::wstring command = L"/bin/true";
  RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  tessaly::rpc::CRemoteSettings settings = tessaly::rpc::CRemoteSettings::Read();
  settings.serverStartTimeout = 500;
  ASSERT_TRUE(settings.Write());
  auto [out, status] = Script("", {ClsidText(kNever), "status"});
  settings.serverStartTimeout = 0;
  settings.Write();
  EXPECT_EQ(1, status);
  EXPECT_NE(std::string::npos, out.find("0x80080005 Server execution failed")) << out;
}

}  // namespace

namespace {

// TCP connections between processes on the loopback, with a throw-away certificate made here.
class TcpTest : public ::testing::Test {
 protected:
  tessaly::testing::TempMachineRoot root;  // settings of this test alone
  void SetUp() override {
    dir = tessaly::win32::GetMachineRoot() + "/tls";
    ::mkdir(dir.c_str(), 0700);
    struct stat st;
    if (::stat((dir + "/cert.pem").c_str(), &st) != 0) MakeCertificate();
    settings.enabled = true;
    settings.address = "127.0.0.1";
    settings.port = 0;
    settings.certificateFile = dir + "/cert.pem";
    settings.privateKeyFile = dir + "/key.pem";
    settings.SetAccessKey(kKey);
    settings.accessKeyFile = dir + "/access-key";
    UseClientKey(kKey);
    ASSERT_TRUE(settings.Write());
  }
  // The key this machine's clients present.
  void UseClientKey(const std::string& key) {
    std::ofstream(dir + "/access-key") << key << "\n";
  }
  static constexpr char kKey[] = "7f3a9c0e-the-access-key";
  // A self-signed certificate for 127.0.0.1, made once per machine root.
  void MakeCertificate() {
    CChildProcess openssl({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                           "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", dir + "/key.pem", "-out",
                           dir + "/cert.pem", "-days", "1", "-subj", "/CN=127.0.0.1", "-addext",
                           "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1"});
    openssl.CloseInput();
    ASSERT_EQ(0, openssl.Wait());
  }
  void TearDown() override {
    settings.enabled = false;
    settings.Write();
  }
  HRESULT Connect(unsigned port, CComPtr<IOPCServer>& server, REFCLSID clsid = CLSID_TessalyTestServer) {
    std::wstring host = L"127.0.0.1:" + std::to_wstring(port);
    COSERVERINFO info{0, host.data(), nullptr, 0};
    MULTI_QI qi[2] = {{&IID_IOPCServer, nullptr, S_OK}, {&IID_IOPCCommon, nullptr, S_OK}};
    HRESULT hr = CoCreateInstanceEx(clsid, nullptr, CLSCTX_REMOTE_SERVER, &info, 2, qi);
    if (qi[1].pItf) qi[1].pItf->Release();
    if (SUCCEEDED(hr)) server.Attach(static_cast<IOPCServer*>(qi[0].pItf));
    return hr;
  }

  std::string dir;
  tessaly::rpc::CRemoteSettings settings;
};

TEST_F(TcpTest, TlsConnectionsAdmitOnlyTheAccessKey) {
  CFakeTagsManager tags;
  tags.Add(L"A")->SetDouble(4.25);
  COpcTestClient local;
  unsigned port = tessaly::rpc::CRpcRuntime::Current()->StartTcpListenerIfEnabled();
  ASSERT_NE(0u, port);

  CComPtr<IOPCServer> server;
  ASSERT_EQ(S_OK, Connect(port, server));
  CComPtr<IOPCItemMgt> group;
  ASSERT_EQ(S_OK, server->AddGroup(L"T", TRUE, 1000, 1, nullptr, nullptr, 0, nullptr, nullptr, IID_IOPCItemMgt,
                                   reinterpret_cast<LPUNKNOWN*>(&group.p)));
  std::vector<OPCHANDLE> handles = local.AddItems(group, {L"A"});
  OPCITEMSTATE* states = nullptr;
  HRESULT* errors = nullptr;
  ASSERT_EQ(S_OK, QueryAs<IOPCSyncIO>(group.p)->Read(OPC_DS_DEVICE, 1, handles.data(), &states, &errors));
  EXPECT_EQ(4.25, states[0].vDataValue.dblVal);
  CoTaskMemFree(states);
  CoTaskMemFree(errors);

  // A client that knows another key is turned away; the admitted one goes on.
  UseClientKey("not-the-key");
  CComPtr<IOPCServer> intruder;
  EXPECT_EQ(RPC_E_ACCESS_DENIED, Connect(port, intruder));
  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, server->GetStatus(&status));
  EXPECT_EQ(1u, status->dwGroupCount);
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);

  // A server whose certificate is not the one trusted here is refused as such.
  UseClientKey(kKey);
  CChildProcess other({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                       "-nodes", "-keyout", dir + "/other-key.pem", "-out", dir + "/other.pem", "-days", "1", "-subj",
                       "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1"});
  other.CloseInput();
  ASSERT_EQ(0, other.Wait());
  settings.trustedCertificateFile = dir + "/other.pem";
  settings.Write();
  CComPtr<IOPCServer> impostor;
  EXPECT_EQ(SEC_E_UNTRUSTED_ROOT, Connect(port, impostor));
  settings.trustedCertificateFile.clear();
  settings.Write();

  // Plain text on the TLS port gets nowhere either.
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)));
  uint32_t frame[4] = {0, 1, 0, 0};
  ASSERT_EQ(static_cast<ssize_t>(sizeof(frame)), ::write(fd, frame, sizeof(frame)));
  timeval guard{10, 0};
  ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &guard, sizeof(guard));
  char buffer[512];
  ssize_t got;
  while ((got = ::read(fd, buffer, sizeof(buffer))) > 0) {
  }
  EXPECT_EQ(0, got);
  ::close(fd);
}

// TCP peers that connect and say nothing.
std::vector<int> SilentPeers(unsigned port, int count) {
  std::vector<int> fds;
  for (int i = 0; i < count; ++i) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) fds.push_back(fd);
    else ::close(fd);
  }
  return fds;
}

TEST_F(TcpTest, PeersThatNeverLogInAreClosedAndShutNoOneOut) {
  CFakeTagsManager tags;
  COpcTestClient local;
  auto* runtime = tessaly::rpc::CRpcRuntime::Current();
  runtime->SetLoginTimeout(std::chrono::milliseconds(1000));
  unsigned port = runtime->StartTcpListenerIfEnabled();
  ASSERT_NE(0u, port);
  std::vector<int> peers = SilentPeers(port, 20);
  ASSERT_EQ(20u, peers.size());
  // Peers that complete the TLS handshake and then never present the key (ended by the guard's
  // time-out, 124, if the server kept them).
  std::vector<std::unique_ptr<CChildProcess>> handshaken;
  for (int i = 0; i < 4; ++i) {
    handshaken.push_back(std::make_unique<CChildProcess>(std::vector<std::string>{
        "/usr/bin/timeout", "15", "/usr/bin/openssl", "s_client", "-connect", "127.0.0.1:" + std::to_string(port)}));
    ASSERT_TRUE(handshaken.back()->ReadUntil("Verify return code"));
  }
  // A client that logs in is admitted meanwhile.
  CComPtr<IOPCServer> server;
  EXPECT_EQ(S_OK, Connect(port, server));
  // Each silent peer is closed at its deadline (the guard is well beyond it).
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (int fd : peers) {
          char c;
          if (::recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT) != 0) return false;
        }
        return true;
      },
      std::chrono::seconds(5)));
  for (int fd : peers) ::close(fd);
  for (auto& peer : handshaken) EXPECT_NE(124, peer->Wait());
  runtime->SetLoginTimeout(std::chrono::milliseconds(5000));
  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, server->GetStatus(&status));
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);
}

TEST_F(TcpTest, TheServerHostServesTcp) {
  // A free port on the loopback for the host's listener.
  int probe = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof(addr);
  ASSERT_EQ(0, ::bind(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)));
  ::getsockname(probe, reinterpret_cast<sockaddr*>(&addr), &length);
  unsigned port = ntohs(addr.sin_port);
  ::close(probe);
  settings.port = port;
  ASSERT_TRUE(settings.Write());
  COpcTestClient local;  // this process's runtime
  CLSID clsid = tessaly::GuidFromText("{5A1E7C10-2B3D-4C8E-9F11-6A0B3C442205}");
  CChildProcess host({TESSALY_OPCSERVER_HOST, "--clsid", ClsidText(clsid)});
  CComPtr<IOPCServer> server;
  ASSERT_TRUE(WaitUntil([&] { return SUCCEEDED(Connect(port, server, clsid)); }, std::chrono::seconds(60)));
  OPCSERVERSTATUS* status = nullptr;
  ASSERT_EQ(S_OK, server->GetStatus(&status));
  EXPECT_EQ(OPC_STATUS_RUNNING, status->dwServerState);
  CoTaskMemFree(status->szVendorInfo);
  CoTaskMemFree(status);
  // Its groups and items work as the program's.
  CComPtr<IOPCItemMgt> group;
  ASSERT_EQ(S_OK, server->AddGroup(L"T", TRUE, 1000, 1, nullptr, nullptr, 0, nullptr, nullptr, IID_IOPCItemMgt,
                                   reinterpret_cast<LPUNKNOWN*>(&group.p)));
  std::vector<OPCHANDLE> handles = local.AddItems(group, {L"4B.1.1.0"});
  ASSERT_EQ(1u, handles.size());
  EXPECT_NE(0u, handles[0]);
}

TEST_F(TcpTest, TheListenerIsOffUntilTheRegistryTurnsItOn) {
  settings.enabled = false;
  settings.Write();
  COpcTestClient local;
  EXPECT_EQ(0u, tessaly::rpc::CRpcRuntime::Current()->StartTcpListenerIfEnabled());
}

}  // namespace

namespace {

// Forwards one TCP connection to a port until frozen; then holds both ends open and silent, as a
// peer behind a cut cable would.
class CFreezingRelay {
 public:
  explicit CFreezingRelay(unsigned target) : m_target(target) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    ::bind(m_listen, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(m_listen, 1);
    socklen_t length = sizeof(addr);
    ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&addr), &length);
    m_port = ntohs(addr.sin_port);
    m_thread = std::thread([this] { Run(); });
  }
  ~CFreezingRelay() {
    m_stop = true;
    ::shutdown(m_listen, SHUT_RDWR);
    m_thread.join();
    for (int fd : {m_listen, m_client, m_server})
      if (fd >= 0) ::close(fd);
  }
  unsigned Port() const { return m_port; }
  void Freeze() { m_frozen = true; }

 private:
  static sockaddr_in Loopback(unsigned port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
  }
  void Run() {
    m_client = ::accept(m_listen, nullptr, nullptr);
    if (m_client < 0) return;
    m_server = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(m_target);
    if (::connect(m_server, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) return;
    char buffer[65536];
    while (!m_stop) {
      if (m_frozen) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      pollfd fds[2] = {{m_client, POLLIN, 0}, {m_server, POLLIN, 0}};
      if (::poll(fds, 2, 10) <= 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP))) continue;
        ssize_t n = ::read(fds[i].fd, buffer, sizeof(buffer));
        if (n <= 0) return;
        ssize_t written = ::write(i == 0 ? m_server : m_client, buffer, static_cast<size_t>(n));
        (void)written;
      }
    }
  }

  unsigned m_target, m_port = 0;
  int m_listen = -1, m_client = -1, m_server = -1;
  std::atomic<bool> m_stop{false}, m_frozen{false};
  std::thread m_thread;
};

TEST_F(TcpTest, ASilentPeerIsDroppedByTheKeepAlive) {
  CFakeTagsManager tags;
  COpcTestClient local;
  unsigned port = tessaly::rpc::CRpcRuntime::Current()->StartTcpListenerIfEnabled();
  ASSERT_NE(0u, port);
  CFreezingRelay relay(port);
  CComPtr<IOPCServer> server;
  ASSERT_EQ(S_OK, Connect(relay.Port(), server));
  relay.Freeze();
  // The call cannot be answered; the keep-alive (a ping every 2 s, 6 s to answer) ends the
  // connection and the call fails instead of hanging.
  std::promise<HRESULT> result;
  std::thread call([&] {
    OPCSERVERSTATUS* status = nullptr;
    result.set_value(server->GetStatus(&status));
  });
  auto answer = result.get_future();
  ASSERT_EQ(std::future_status::ready, answer.wait_for(std::chrono::seconds(30)));
  EXPECT_EQ(RPC_E_DISCONNECTED, answer.get());
  call.join();
}

}  // namespace
