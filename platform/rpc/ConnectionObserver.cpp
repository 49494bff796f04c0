#include "platform/rpc/ConnectionObserver.h"

#include <atomic>

namespace tessaly::rpc {

namespace {
std::atomic<IConnectionObserver*> g_observer{nullptr};
}

IConnectionObserver* GetConnectionObserver() { return g_observer.load(); }
void SetConnectionObserver(IConnectionObserver* observer) { g_observer.store(observer); }

}  // namespace tessaly::rpc
