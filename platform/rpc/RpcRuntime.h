// The process boundary of this process: one event-loop thread that owns every connection, the
// worker threads that call the real objects, the hooks into the COM runtime's activation
// (CoGetClassObject with a local or remote server context, CoRegisterClassObject,
// CoDisconnectObject), the instance sockets of the classes this process serves and the TCP
// listener when the registry turns it on.
//
// One runtime per process, made by main (or a test) and destroyed before exit:
//   tessaly::rpc::CRpcRuntime rpc;   // and the interfaces' marshalers registered
#pragma once

#include <kj/async-io.h>
#include <kj/async.h>

#include <chrono>
#include <memory>
#include <string>

#include "platform/com/ObjIdl.h"
#include "platform/rpc/WorkerPool.h"

namespace tessaly::rpc {

struct RpcOptions {
  // A message larger than this closes its connection (8 bytes a word).
  uint64_t maxMessageWords = 8u * 1024 * 1024;
  // A call to a client's sink that gets no answer in this time fails with RPC_E_TIMEOUT.
  std::chrono::milliseconds callbackTimeout{5000};
  // How long activation waits for a started server's class object.
  std::chrono::milliseconds serverStartTimeout{30000};
  // TCP peers are pinged this often; one that does not answer within the time-out is dropped.
  std::chrono::milliseconds keepAliveInterval{2000};
  std::chrono::milliseconds keepAliveTimeout{6000};
  // The workers that call the objects, and each connection's share of them.
  CWorkerPool::Limits workers;
  // A client's calls not yet answered, in words of their messages: beyond it the server reads
  // no more from that connection until some are answered (its further calls wait there).
  size_t callFlowLimitWords = 32 * 1024;
  // Connections clients may hold open at once (0: the registry's MaxConnections, else 256); one
  // over it is closed at once. At most maxPendingLogins of them may be TCP peers that have not
  // logged in yet, and each has loginTimeout to complete the TLS handshake and present the key.
  size_t maxConnections = 0;
  size_t maxPendingLogins = 32;
  std::chrono::milliseconds loginTimeout{5000};
  // A client that has read nothing of what was sent to it for this long is dropped (what is
  // queued for it would grow without bound).
  std::chrono::milliseconds stalledPeerTimeout{10000};
  size_t maxQueuedBytes = 128u * 1024 * 1024;  // two of the largest messages
  // Where the instance sockets are; empty: <machine root>/rpc of the machine root at start (a
  // process that later points its machine root elsewhere still serves and finds the same ones).
  std::string rpcDirectory;
};

class CLoopState;

class CRpcRuntime {
 public:
  explicit CRpcRuntime(RpcOptions options = RpcOptions());
  ~CRpcRuntime();
  CRpcRuntime(const CRpcRuntime&) = delete;
  CRpcRuntime& operator=(const CRpcRuntime&) = delete;

  // The process's runtime, or null.
  static CRpcRuntime* Current();
  const RpcOptions& Options() const { return m_options; }
  const std::string& RpcDirectoryPath() const { return m_options.rpcDirectory; }
  void SetCallbackTimeout(std::chrono::milliseconds timeout) { m_options.callbackTimeout = timeout; }
  // Loop-thread settings, changed on the loop.
  void SetStalledPeerTimeout(std::chrono::milliseconds timeout);
  void SetLoginTimeout(std::chrono::milliseconds timeout);

  // Runs f on the loop thread and waits for it (and for the promise it returns, if any).
  // Throws a DISCONNECTED kj::Exception once the loop has ended.
  template <class F>
  auto OnLoop(F&& f) {
    return m_executor->executeSync(std::forward<F>(f));
  }
  bool IsLoopThread() const;
  // Loop thread only.
  kj::AsyncIoContext& Io();
  CLoopState& Loop();
  // Loop thread: keeps a promise running until it ends (failures are dropped).
  void AddTask(kj::Promise<void> task);
  CWorkerPool& Workers() { return *m_workers; }

  // ---- client side ----
  // The activation hook: the class object of a server in another process.
  HRESULT GetClassObject(REFCLSID clsid, DWORD context, COSERVERINFO* serverInfo, REFIID riid, void** ppv);
  // The class object behind one Unix socket (no registry look-up, no server start).
  HRESULT GetClassObjectAt(const std::string& socketPath, REFCLSID clsid, REFIID riid, void** ppv);
  // Over TCP (TLS) to host:port, logging in with the access key.
  HRESULT GetRemoteClassObject(const std::string& host, unsigned port, REFCLSID clsid, REFIID riid, void** ppv);

  // ---- server side ----
  void OnClassRegistration(REFCLSID clsid, DWORD context, bool registered);
  HRESULT Disconnect(IUnknown* object);
  // Starts the TCP listener now when the registry enables it (done by a class registration
  // with CLSCTX_REMOTE_SERVER too); returns the port, 0 when off or failed.
  unsigned StartTcpListenerIfEnabled();
  // Connections that clients made to this process and that are still open.
  size_t InboundConnectionCount();

 private:
  void RunLoop();
  kj::Promise<HRESULT> LogIn(const std::string& key, const std::string& accessKey, kj::Own<kj::AsyncIoStream> secure,
                             REFCLSID clsid, REFIID riid, void** ppv);

  RpcOptions m_options;
  std::unique_ptr<CWorkerPool> m_workers;
  kj::Own<const kj::Executor> m_executor;
  kj::Own<kj::CrossThreadPromiseFulfiller<void>> m_stop;
  kj::AsyncIoContext* m_io = nullptr;
  CLoopState* m_loop = nullptr;
  std::thread m_thread;
};

// The socket of a class's server: <rpc directory>/{CLSID}.sock (the runtime's directory, else
// the machine root's).
std::string InstanceSocketPath(REFCLSID clsid);

}  // namespace tessaly::rpc
