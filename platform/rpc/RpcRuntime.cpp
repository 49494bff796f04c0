#include "platform/rpc/RpcRuntime.h"

#include <capnp/message.h>
#include <capnp/rpc-twoparty.h>
#include <kj/compat/tls.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "platform/com/Activation.h"
#include "platform/com/ComErrors.h"
#include "platform/com/Guid.h"
#include "platform/rpc/ConnectionObserver.h"
#include "platform/rpc/InterfaceRegistry.h"
#include "platform/rpc/LocalServer.h"
#include "platform/rpc/Proxy.h"
#include "platform/rpc/RemoteSettings.h"
#include "platform/rpc/Stub.h"
#include "platform/win32/TextConv.h"

namespace tessaly::rpc {

namespace {

std::atomic<CRpcRuntime*> g_runtime{nullptr};
thread_local bool t_isLoopThread = false;

using Side = capnp::rpc::twoparty::Side;

struct CConnection {
  CConnection(kj::Own<kj::AsyncIoStream> s, Side side, capnp::ReaderOptions options)
      : stream(kj::mv(s)), network(*stream, side, options) {}
  kj::Own<kj::AsyncIoStream> stream;
  capnp::TwoPartyVatNetwork network;
  kj::Own<capnp::RpcSystem<capnp::rpc::twoparty::VatId>> rpc;
};

// The far end's view of this process: the class objects registered here.
class CHostServer : public wire::Host::Server {
 public:
  explicit CHostServer(ConnectionPtr connection) : m_connection(std::move(connection)) {}

  kj::Promise<void> getClassObject(GetClassObjectContext context) override {
    auto params = context.getParams();
    CLSID clsid = DecodeGuid(params.getClsid());
    IID iid = DecodeGuid(params.getIid());
    struct Out {
      HRESULT hr = REGDB_E_CLASSNOTREG;
      StubRefPtr ref;
    };
    ConnectionPtr connection = m_connection;
    return RunOnWorker<Out>(m_connection, [clsid, iid]() {
             Out out;
             if (IUnknown* factory = CoGetRegisteredClassObject(clsid)) {
               out.hr = QueryForExport(factory, iid, &out.ref);
               factory->Release();
             }
             return out;
           })
        .then([context, iid, connection](Out out) mutable {
          auto results = context.getResults();
          results.setHr(out.hr);
          if (out.ref) results.setObject(ExportInterface(iid, std::move(out.ref), connection));
        });
  }
  kj::Promise<void> ping(PingContext) override { return kj::READY_NOW; }

 private:
  ConnectionPtr m_connection;
};

// What a TCP client meets first: the Host only after the access key.
class CGateServer : public wire::Gate::Server {
 public:
  CGateServer(ConnectionPtr connection, std::shared_ptr<const CRemoteSettings> settings, std::function<void()> onLogin)
      : m_connection(std::move(connection)), m_settings(std::move(settings)), m_onLogin(std::move(onLogin)) {}

  kj::Promise<void> login(LoginContext context) override {
    auto offered = context.getParams().getAccessKey();
    if (!m_settings->Admits(std::string_view(reinterpret_cast<const char*>(offered.begin()), offered.size()))) {
      m_connection->Abort();
      return KJ_EXCEPTION(FAILED, "access denied");
    }
    if (m_onLogin) m_onLogin();
    context.getResults().setHost(kj::heap<CHostServer>(m_connection));
    return kj::READY_NOW;
  }

 private:
  ConnectionPtr m_connection;
  std::shared_ptr<const CRemoteSettings> m_settings;  // the access key's hash
  std::function<void()> m_onLogin;
};

void SetKeepAlive(kj::AsyncIoStream& stream) {
  KJ_IF_MAYBE(fd, stream.getFd()) {
    int on = 1, idle = 3, interval = 2, count = 2;  // a silent peer is dropped within about 7 s
    ::setsockopt(*fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof(on));
    ::setsockopt(*fd, IPPROTO_TCP, TCP_KEEPIDLE, &idle, sizeof(idle));
    ::setsockopt(*fd, IPPROTO_TCP, TCP_KEEPINTVL, &interval, sizeof(interval));
    ::setsockopt(*fd, IPPROTO_TCP, TCP_KEEPCNT, &count, sizeof(count));
    ::setsockopt(*fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
  }
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

}  // namespace

// Everything that belongs to the loop thread.
class CLoopState : public kj::TaskSet::ErrorHandler {
 public:
  explicit CLoopState(CRpcRuntime& runtime) : m_runtime(runtime), tasks(kj::heap<kj::TaskSet>(*this)) {}
  void taskFailed(kj::Exception&&) override {}

  struct Outbound {
    wire::Host::Client host;
    ConnectionPtr connection;
    uint64_t id;
  };
  struct Listener {
    std::string path;
    int registrations = 0;
    kj::Own<kj::ConnectionReceiver> receiver;
    kj::Promise<void> acceptLoop = nullptr;
  };

  capnp::ReaderOptions Reader() const {
    capnp::ReaderOptions options;
    options.traversalLimitInWords = m_runtime.Options().maxMessageWords;
    return options;
  }

  // An accepted connection, served until it ends, a stub aborts it or it stops reading.
  template <class MakeBootstrap>
  ConnectionPtr Serve(kj::Own<kj::AsyncIoStream> stream, MakeBootstrap&& makeBootstrap) {
    auto connection = kj::heap<CConnection>(kj::mv(stream), Side::SERVER, Reader());
    auto abort = kj::newPromiseAndFulfiller<void>();
    auto context = std::make_shared<CConnectionContext>(kj::mv(abort.fulfiller), true);
    connection->rpc = kj::heap(capnp::makeRpcServer(connection->network, makeBootstrap(context)));
    connection->rpc->setFlowLimit(m_runtime.Options().callFlowLimitWords);
    ++inbound;
    kj::Promise<void> stalled = Stalled(connection->network);
    tasks->add(connection->network.onDisconnect()
                  .exclusiveJoin(kj::mv(abort.promise))
                  .exclusiveJoin(kj::mv(stalled))
                  .attach(kj::mv(connection), ConnectionPtr(context), kj::defer([this] { --inbound; })));
    return context;
  }

  // Resolves once the far end has left a message of ours unread beyond the stalled-peer time, or
  // more than maxQueuedBytes wait to be sent to it.
  kj::Promise<void> Stalled(capnp::TwoPartyVatNetwork& network) {
    auto& timer = m_runtime.Io().provider->getTimer();
    auto limit = m_runtime.Options().stalledPeerTimeout.count() * kj::MILLISECONDS;
    auto period = kj::min(limit / 4, 1 * kj::SECONDS);
    size_t most = m_runtime.Options().maxQueuedBytes;
    return timer.afterDelay(period).then([this, &network, limit, most]() -> kj::Promise<void> {
      size_t queued = network.getCurrentQueueSize();
      if (network.getOutgoingMessageWaitTime() > limit || queued > most) {
        if (IConnectionObserver* observer = GetConnectionObserver()) observer->OnStalledClientDropped(queued);
        return kj::READY_NOW;
      }
      return Stalled(network);
    });
  }

  // Whether one more client connection may be served (one that is not is closed at once).
  bool Admits() const { return inbound + handshakes < maxConnections; }

  // A connection this process made; its Host is kept under key until the connection ends.
  Outbound& Connect(const std::string& key, kj::Own<kj::AsyncIoStream> stream,
                    kj::Maybe<kj::Promise<void>> keepAlive = nullptr) {
    auto connection = kj::heap<CConnection>(kj::mv(stream), Side::CLIENT, Reader());
    auto abort = kj::newPromiseAndFulfiller<void>();
    auto context = std::make_shared<CConnectionContext>(kj::mv(abort.fulfiller), false);
    connection->rpc = kj::heap(capnp::makeRpcClient(connection->network));
    capnp::MallocMessageBuilder vat(8);
    auto vatId = vat.initRoot<capnp::rpc::twoparty::VatId>();
    vatId.setSide(Side::SERVER);
    uint64_t id = ++nextId;
    Outbound out{connection->rpc->bootstrap(vatId).castAs<wire::Host>(), context, id};
    outbound.erase(key);
    auto& entry = outbound.emplace(key, kj::mv(out)).first->second;
    kj::Promise<void> ends = connection->network.onDisconnect().exclusiveJoin(kj::mv(abort.promise));
    KJ_IF_MAYBE(k, keepAlive) { ends = ends.exclusiveJoin(kj::mv(*k)); }
    tasks->add(ends.then([this, key, id] {
                  auto it = outbound.find(key);
                  if (it != outbound.end() && it->second.id == id) outbound.erase(it);
                })
                  .attach(kj::mv(connection), std::move(context)));
    return entry;
  }

  // Accepts until the receiver goes; a failed accept (out of descriptors: EMFILE, ENFILE) is
  // retried after a short pause, never the end of the loop.
  template <class OnAccepted>
  kj::Promise<void> AcceptLoop(kj::ConnectionReceiver& receiver, OnAccepted onAccepted) {
    // accept() may throw at once (kj fails the call itself on EMFILE): caught as a failed promise.
    return kj::evalNow([&] { return receiver.accept(); }).then(
        [this, &receiver, onAccepted](kj::Own<kj::AsyncIoStream> stream) mutable {
          if (Admits()) onAccepted(kj::mv(stream));
          return AcceptLoop(receiver, kj::mv(onAccepted));
        },
        [this, &receiver, onAccepted](kj::Exception&&) mutable {
          return m_runtime.Io().provider->getTimer().afterDelay(50 * kj::MILLISECONDS).then(
              [this, &receiver, onAccepted]() mutable { return AcceptLoop(receiver, kj::mv(onAccepted)); });
        });
  }

  kj::Promise<void> UnixAcceptLoop(kj::ConnectionReceiver& receiver) {
    return AcceptLoop(receiver, [this](kj::Own<kj::AsyncIoStream> stream) {
      Serve(kj::mv(stream), [](const ConnectionPtr& c) -> capnp::Capability::Client { return kj::heap<CHostServer>(c); });
    });
  }

  // A TCP peer has the login time-out to complete the TLS handshake and present the access key;
  // the peers still at it are few, so they cannot shut out clients that logged in.
  struct PendingLogin {
    explicit PendingLogin(CLoopState& loop) : loop(loop) { ++loop.pendingLogins; }
    ~PendingLogin() { Done(); }
    void Done() {
      if (!loggedIn) --loop.pendingLogins;
      loggedIn = true;
    }
    CLoopState& loop;
    std::weak_ptr<CConnectionContext> connection;
    bool loggedIn = false;
  };
  kj::Promise<void> TcpAcceptLoop(kj::ConnectionReceiver& receiver) {
    return AcceptLoop(receiver, [this](kj::Own<kj::AsyncIoStream> stream) {
      if (pendingLogins >= m_runtime.Options().maxPendingLogins) return;
      SetKeepAlive(*stream);
      auto& timer = m_runtime.Io().provider->getTimer();
      kj::TimePoint deadline = timer.now() + m_runtime.Options().loginTimeout.count() * kj::MILLISECONDS;
      auto pending = std::make_shared<PendingLogin>(*this);
      ++handshakes;
      auto handshake = tls->wrapServer(kj::mv(stream)).then([this, pending](kj::Own<kj::AsyncIoStream> secure) {
        auto settings = tcpSettings;
        std::weak_ptr<PendingLogin> weak = pending;
        pending->connection = Serve(kj::mv(secure), [settings, weak](const ConnectionPtr& c) -> capnp::Capability::Client {
          return kj::heap<CGateServer>(c, settings, [weak] {
            if (auto p = weak.lock()) p->Done();
          });
        });
      });
      // A failed handshake ends only that connection; one still under way at the deadline too.
      tasks->add(handshake.exclusiveJoin(timer.atTime(deadline)).attach(kj::defer([this] { --handshakes; })));
      tasks->add(timer.atTime(deadline).then([pending] {
        if (pending->loggedIn) return;
        if (ConnectionPtr connection = pending->connection.lock()) connection->Abort();
      }));
    });
  }

  // Pings the far end; a missed answer ends the connection.
  kj::Promise<void> KeepAlive(wire::Host::Client host) {
    auto& timer = m_runtime.Io().provider->getTimer();
    auto interval = m_runtime.Options().keepAliveInterval.count() * kj::MILLISECONDS;
    auto timeout = m_runtime.Options().keepAliveTimeout.count() * kj::MILLISECONDS;
    return timer.afterDelay(interval).then([this, host, &timer, timeout]() mutable {
      auto ping = host.pingRequest().send().ignoreResult().then([]() { return true; }, [](kj::Exception&&) { return false; });
      return ping.exclusiveJoin(timer.afterDelay(timeout).then([] { return false; }))
          .then([this, host](bool alive) mutable -> kj::Promise<void> {
            if (!alive) return kj::READY_NOW;
            return KeepAlive(kj::mv(host));
          });
    });
  }

  CRpcRuntime& m_runtime;
  kj::Own<kj::TaskSet> tasks;
  size_t inbound = 0;
  size_t pendingLogins = 0;  // TCP peers in the handshake or not yet logged in
  size_t handshakes = 0;     // TCP peers in the handshake (not yet served)
  size_t maxConnections = 0;
  uint64_t nextId = 0;
  std::map<std::string, Outbound> outbound;
  std::map<CLSID, Listener> listeners;
  kj::Own<kj::TlsContext> tls;
  kj::Maybe<kj::TlsKeypair> tlsKeypair;
  std::shared_ptr<const CRemoteSettings> tcpSettings;
  kj::Own<kj::ConnectionReceiver> tcpReceiver;
  kj::Promise<void> tcpAcceptLoop = nullptr;
  unsigned tcpPort = 0;
};

CRpcRuntime::CRpcRuntime(RpcOptions options) : m_options(options), m_workers(std::make_unique<CWorkerPool>(options.workers)) {
  if (m_options.rpcDirectory.empty()) m_options.rpcDirectory = RpcDirectory();
  if (m_options.maxConnections == 0) m_options.maxConnections = CRemoteSettings::Read().maxConnections;
  std::mutex mutex;
  std::condition_variable cv;
  bool ready = false;
  m_thread = std::thread([&] {
    t_isLoopThread = true;
    auto io = kj::setupAsyncIo();
    auto stop = kj::newPromiseAndCrossThreadFulfiller<void>();
    {
      CLoopState state(*this);
      state.maxConnections = m_options.maxConnections;
      {
        std::lock_guard<std::mutex> lock(mutex);
        m_io = &io;
        m_loop = &state;
        m_executor = kj::getCurrentThreadExecutor().addRef();
        m_stop = kj::mv(stop.fulfiller);
        ready = true;
        cv.notify_all();  // under the lock: the waiting constructor owns cv and returns at once
      }
      stop.promise.wait(io.waitScope);
      m_loop = nullptr;
    }
    m_io = nullptr;
  });
  {
    std::unique_lock<std::mutex> lock(mutex);
    cv.wait(lock, [&] { return ready; });
  }
  RegisterComMarshalers();
  g_runtime = this;
  SetOutOfProcessActivationHook([this](REFCLSID clsid, DWORD context, COSERVERINFO* info, REFIID riid, LPVOID* ppv) {
    return GetClassObject(clsid, context, info, riid, ppv);
  });
  SetClassRegistrationHook(
      [this](REFCLSID clsid, DWORD context, bool registered) { OnClassRegistration(clsid, context, registered); });
  SetCoDisconnectObjectHook([this](IUnknown* object, DWORD) { return Disconnect(object); });
}

CRpcRuntime::~CRpcRuntime() {
  SetOutOfProcessActivationHook(nullptr);
  SetClassRegistrationHook(nullptr);
  SetCoDisconnectObjectHook(nullptr);
  // Connections end first (their stubs hand their references to the workers), then the workers
  // finish (a release may still need the loop), then the loop stops.
  try {
    OnLoop([this] {
      for (auto& entry : m_loop->listeners) ::unlink(entry.second.path.c_str());
      m_loop->listeners.clear();
      m_loop->tcpAcceptLoop = nullptr;
      m_loop->tcpReceiver = nullptr;
      m_loop->outbound.clear();
      m_loop->tasks = kj::heap<kj::TaskSet>(*m_loop);
    });
  } catch (...) {
  }
  m_workers->Drain();
  g_runtime = nullptr;
  m_stop->fulfill();
  m_thread.join();
  m_workers.reset();
}

CRpcRuntime* CRpcRuntime::Current() { return g_runtime.load(); }
void CRpcRuntime::SetStalledPeerTimeout(std::chrono::milliseconds timeout) {
  OnLoop([&] { m_options.stalledPeerTimeout = timeout; });
}
void CRpcRuntime::SetLoginTimeout(std::chrono::milliseconds timeout) {
  OnLoop([&] { m_options.loginTimeout = timeout; });
}
bool CRpcRuntime::IsLoopThread() const { return t_isLoopThread; }
kj::AsyncIoContext& CRpcRuntime::Io() { return *m_io; }
CLoopState& CRpcRuntime::Loop() { return *m_loop; }
void CRpcRuntime::AddTask(kj::Promise<void> task) { m_loop->tasks->add(kj::mv(task)); }

std::string InstanceSocketPath(REFCLSID clsid) {
  CRpcRuntime* runtime = CRpcRuntime::Current();
  std::string dir = runtime ? runtime->RpcDirectoryPath() : RpcDirectory();
  return dir + "/" + WideToUtf8(tessaly::GuidToString(clsid)) + ".sock";
}

namespace {
// Loop thread: asks host for the class object and makes its proxy.
kj::Promise<HRESULT> RequestClassObject(wire::Host::Client& host, const ConnectionPtr& connection, REFCLSID clsid,
                                        REFIID riid, void** ppv) {
  auto request = host.getClassObjectRequest();
  EncodeGuid(request.initClsid(), clsid);
  EncodeGuid(request.initIid(), riid);
  return request.send().then([connection, &riid, ppv](auto response) -> HRESULT {
    HRESULT hr = response.getHr();
    if (FAILED(hr)) return hr;
    if (!response.hasObject()) return E_NOINTERFACE;
    return ImportInterface(riid, response.getObject(), connection, ppv);
  });
}
}  // namespace

HRESULT CRpcRuntime::GetClassObjectAt(const std::string& path, REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  // A connection to the server may be open already; a dead one is noticed and made anew.
  for (int attempt = 0; attempt < 2; ++attempt) {
    bool open = false;
    HRESULT hr = CallOnLoop(std::chrono::milliseconds(0), [&]() -> kj::Promise<HRESULT> {
      auto it = m_loop->outbound.find(path);
      if (it == m_loop->outbound.end()) return S_OK;
      open = true;
      return RequestClassObject(it->second.host, it->second.connection, clsid, riid, ppv);
    });
    if (open && hr != RPC_E_DISCONNECTED) return hr;
    int fd = -1;
    auto timeout = m_options.serverStartTimeout;
    if (unsigned configured = CRemoteSettings::Read().serverStartTimeout) timeout = std::chrono::milliseconds(configured);
    hr = ConnectOrStartServer(clsid, path, timeout, &fd);
    if (FAILED(hr)) return hr;
    hr = CallOnLoop(std::chrono::milliseconds(0), [&]() -> kj::Promise<HRESULT> {
      auto stream = m_io->lowLevelProvider->wrapSocketFd(
          fd, kj::LowLevelAsyncIoProvider::TAKE_OWNERSHIP | kj::LowLevelAsyncIoProvider::ALREADY_CLOEXEC);
      auto& entry = m_loop->Connect(path, kj::mv(stream));
      return RequestClassObject(entry.host, entry.connection, clsid, riid, ppv);
    });
    if (hr != RPC_E_DISCONNECTED) return hr;
  }
  return RPC_E_DISCONNECTED;
}

HRESULT CRpcRuntime::GetClassObject(REFCLSID clsid, DWORD context, COSERVERINFO* info, REFIID riid, void** ppv) {
  if (info && info->pwszName && *info->pwszName) {
    std::string host = WideToUtf8(info->pwszName);
    unsigned port = CRemoteSettings::Read().port;
    size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(':') == colon) {
      port = static_cast<unsigned>(std::strtoul(host.c_str() + colon + 1, nullptr, 10));
      host.resize(colon);
    }
    return GetRemoteClassObject(host, port, clsid, riid, ppv);
  }
  if ((context & CLSCTX_LOCAL_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  return GetClassObjectAt(InstanceSocketPath(clsid), clsid, riid, ppv);
}

HRESULT CRpcRuntime::GetRemoteClassObject(const std::string& host, unsigned port, REFCLSID clsid, REFIID riid,
                                          void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  CRemoteSettings settings = CRemoteSettings::Read();
  std::string trusted = ReadWholeFile(settings.trustedCertificateFile.empty() ? settings.certificateFile
                                                                               : settings.trustedCertificateFile);
  std::string accessKey = settings.ClientAccessKey();
  if (trusted.empty() || accessKey.empty()) return RPC_E_ACCESS_DENIED;
  // One connection per server, key and trusted certificate: a client that presents another key, or
  // trusts another certificate, connects anew.
  std::string key = "tcp:" + host + ":" + std::to_string(port) + ":" + std::to_string(std::hash<std::string>()(accessKey)) + ":" + std::to_string(std::hash<std::string>()(trusted));
  return CallOnLoop(std::chrono::milliseconds(0), [&]() -> kj::Promise<HRESULT> {
    auto it = m_loop->outbound.find(key);
    if (it != m_loop->outbound.end()) return RequestClassObject(it->second.host, it->second.connection, clsid, riid, ppv);
    auto certificate = std::make_shared<kj::TlsCertificate>(kj::StringPtr(trusted.c_str()));
    kj::TlsContext::Options options;
    options.useSystemTrustStore = false;
    options.trustedCertificates = kj::arrayPtr(certificate.get(), 1);
    auto tls = std::make_shared<kj::TlsContext>(kj::mv(options));
    return m_io->provider->getNetwork()
        .parseAddress(host, port)
        .then([](kj::Own<kj::NetworkAddress> address) { return address->connect(); })
        .then([this, key, accessKey, tls, host, clsid, &riid, ppv](kj::Own<kj::AsyncIoStream> stream) {
          SetKeepAlive(*stream);
          return tls->wrapClient(kj::mv(stream), host)
              .then([this, key, accessKey, clsid, &riid, ppv](kj::Own<kj::AsyncIoStream> secure) {
                return LogIn(key, accessKey, kj::mv(secure), clsid, riid, ppv);
              }, [](kj::Exception&& e) -> kj::Promise<HRESULT> {
                // The server's certificate is not the one trusted here: refused as such.
                std::string why = e.getDescription().cStr();
                if (why.find("certificate") != std::string::npos || why.find("verif") != std::string::npos)
                  return SEC_E_UNTRUSTED_ROOT;
                return HresultFromException(e);
              });
        }).attach(kj::mv(tls), kj::mv(certificate));
  });
}

// Loop thread: presents the access key over secure and asks the Host it gives for the class object.
kj::Promise<HRESULT> CRpcRuntime::LogIn(const std::string& key, const std::string& accessKey,
                                        kj::Own<kj::AsyncIoStream> secure, REFCLSID clsid, REFIID riid, void** ppv) {
  auto& entry = m_loop->Connect(key, kj::mv(secure));
  ConnectionPtr connection = entry.connection;
  auto login = entry.host.castAs<wire::Gate>().loginRequest();
  login.setAccessKey(kj::arrayPtr(reinterpret_cast<const kj::byte*>(accessKey.data()), accessKey.size()));
  return login.send().then([this, key, connection, clsid, &riid, ppv](auto response) -> kj::Promise<HRESULT> {
    auto it = m_loop->outbound.find(key);
    if (it == m_loop->outbound.end()) return RPC_E_DISCONNECTED;
    it->second.host = response.getHost();
    m_loop->tasks->add(m_loop->KeepAlive(it->second.host).then([connection] { connection->Abort(); }));
    return RequestClassObject(it->second.host, connection, clsid, riid, ppv);
  }, [this, key](kj::Exception&&) -> kj::Promise<HRESULT> {
    m_loop->outbound.erase(key);
    return RPC_E_ACCESS_DENIED;
  });
}

void CRpcRuntime::OnClassRegistration(REFCLSID clsid, DWORD context, bool registered) {
  if (context & CLSCTX_LOCAL_SERVER) {
    std::string path = InstanceSocketPath(clsid);
    if (registered) {
      bool listening = OnLoop([&] {
        auto it = m_loop->listeners.find(clsid);
        if (it == m_loop->listeners.end()) return false;
        ++it->second.registrations;
        return true;
      });
      if (!listening) {
        int fd = ListenUnixSocket(path);
        if (fd >= 0) {
          OnLoop([&] {
            auto& listener = m_loop->listeners[clsid];
            listener.path = path;
            listener.registrations = 1;
            listener.receiver = m_io->lowLevelProvider->wrapListenSocketFd(
                fd, kj::LowLevelAsyncIoProvider::TAKE_OWNERSHIP | kj::LowLevelAsyncIoProvider::ALREADY_CLOEXEC |
                        kj::LowLevelAsyncIoProvider::ALREADY_NONBLOCK);
            listener.acceptLoop = m_loop->UnixAcceptLoop(*listener.receiver).eagerlyEvaluate(nullptr);
          });
        }
      }
    } else {
      OnLoop([&] {
        auto it = m_loop->listeners.find(clsid);
        if (it == m_loop->listeners.end() || --it->second.registrations > 0) return;
        ::unlink(it->second.path.c_str());
        m_loop->listeners.erase(it);
      });
    }
  }
  if ((context & CLSCTX_REMOTE_SERVER) && registered) StartTcpListenerIfEnabled();
}

unsigned CRpcRuntime::StartTcpListenerIfEnabled() {
  CRemoteSettings settings = CRemoteSettings::Read();
  if (!settings.enabled) return 0;
  std::string certificate = ReadWholeFile(settings.certificateFile);
  std::string privateKey = ReadWholeFile(settings.privateKeyFile);
  if (certificate.empty() || privateKey.empty() || !settings.HasAccessKey()) return 0;
  settings.ProtectAccessKey();
  ::chmod(settings.privateKeyFile.c_str(), 0600);  // the certificate's key is its owner's alone
  try {
    return OnLoop([&]() -> kj::Promise<unsigned> {
      if (m_loop->tcpReceiver) return m_loop->tcpPort;
      m_loop->tlsKeypair = kj::TlsKeypair{kj::TlsPrivateKey(kj::StringPtr(privateKey.c_str())),
                                          kj::TlsCertificate(kj::StringPtr(certificate.c_str()))};
      kj::TlsContext::Options options;
      options.useSystemTrustStore = false;
      KJ_IF_MAYBE(pair, m_loop->tlsKeypair) { options.defaultKeypair = *pair; }
      options.timer = m_io->provider->getTimer();
      options.acceptTimeout = 10 * kj::SECONDS;
      m_loop->tls = kj::heap<kj::TlsContext>(kj::mv(options));
      m_loop->tcpSettings = std::make_shared<const CRemoteSettings>(settings);
      return m_io->provider->getNetwork()
          .parseAddress(settings.address, settings.port)
          .then([this](kj::Own<kj::NetworkAddress> address) {
            m_loop->tcpReceiver = address->listen();
            m_loop->tcpPort = m_loop->tcpReceiver->getPort();
            m_loop->tcpAcceptLoop = m_loop->TcpAcceptLoop(*m_loop->tcpReceiver).eagerlyEvaluate(nullptr);
            return m_loop->tcpPort;
          });
    });
  } catch (...) {
    return 0;
  }
}

HRESULT CRpcRuntime::Disconnect(IUnknown* object) {
  CStubRef::CutObject(object);
  return S_OK;
}

size_t CRpcRuntime::InboundConnectionCount() {
  return OnLoop([this] { return m_loop->inbound; });
}

}  // namespace tessaly::rpc
