#include "platform/rpc/WorkerPool.h"

#include <algorithm>

namespace tessaly::rpc {

namespace {
thread_local bool t_isWorker = false;
}

class CWorkerPool::Lane {
 public:
  Lane(size_t running, size_t queued, bool bounded = true)
      : runningLimit(running), queuedLimit(queued), bounded(bounded) {}
  const size_t runningLimit;
  const size_t queuedLimit;
  const bool bounded;
  std::deque<std::unique_ptr<Job>> jobs;
  size_t running = 0;
  bool ready = false;  // in m_ready
};

CWorkerPool::CWorkerPool(Limits limits) : m_limits(limits) {
  m_shared = std::make_shared<Lane>(std::max<size_t>(1, m_limits.maxWorkers), SIZE_MAX);
}

CWorkerPool::~CWorkerPool() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return m_queued == 0 && m_running == 0; });
  m_stopping = true;
  m_wake.notify_all();
  std::map<std::thread::id, std::thread> threads;
  threads.swap(m_threads);
  lock.unlock();
  for (auto& entry : threads) entry.second.join();
}

CWorkerPool::LanePtr CWorkerPool::NewLane(bool bounded) {
  if (!bounded) return std::make_shared<Lane>(SIZE_MAX, SIZE_MAX, false);
  return std::make_shared<Lane>(std::max<size_t>(1, m_limits.laneRunning), m_limits.laneQueued);
}

size_t CWorkerPool::Startable(const Lane& lane) const {
  return std::min(lane.jobs.size(), lane.runningLimit - std::min(lane.running, lane.runningLimit));
}

void CWorkerPool::JoinExited(std::unique_lock<std::mutex>&) {
  // An exited worker let go of the lock before it ended: joining it here is short.
  for (std::thread::id id : m_exited) {
    auto it = m_threads.find(id);
    if (it == m_threads.end()) continue;
    it->second.join();
    m_threads.erase(it);
  }
  m_exited.clear();
}

bool CWorkerPool::Post(const LanePtr& lanePtr, std::unique_ptr<Job> job, bool mustRun) {
  std::unique_lock<std::mutex> lock(m_mutex);
  const LanePtr& which = lanePtr ? lanePtr : m_shared;
  Lane& lane = *which;
  if (!mustRun && lane.jobs.size() >= lane.queuedLimit) return false;
  size_t before = Startable(lane);
  lane.jobs.push_back(std::move(job));
  ++m_queued;
  size_t after = Startable(lane);
  m_startable += after - before;
  if (after > 0 && !lane.ready) {
    (lane.bounded ? m_ready : m_readyFirst).push_back(which);
    lane.ready = true;
  }
  if (after == before) return true;  // waits for one of its lane's running jobs to end
  // A waiting worker that is already woken for an earlier job counts as busy.
  if (m_waiting >= m_startable) {
    lock.unlock();
    m_wake.notify_one();
    return true;
  }
  JoinExited(lock);
  if (m_threads.size() < std::max<size_t>(1, m_limits.maxWorkers) || !lane.bounded) {
    std::thread thread([this] { Run(); });
    m_threads.emplace(thread.get_id(), std::move(thread));
  }
  return true;  // else a busy worker takes it when its job ends
}

void CWorkerPool::Drain() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return m_queued == 0 && m_running == 0; });
}

bool CWorkerPool::IsWorkerThread() { return t_isWorker; }

size_t CWorkerPool::ThreadCount() {
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_threads.size() - m_exited.size();
}

void CWorkerPool::Run() {
  t_isWorker = true;
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    ++m_waiting;
    bool woken = m_wake.wait_for(lock, m_limits.idleTimeout, [this] { return m_startable > 0 || m_stopping; });
    --m_waiting;
    if (m_startable == 0) {
      if (m_stopping) return;  // joined by the destructor
      if (!woken) {
        m_exited.push_back(std::this_thread::get_id());
        return;  // idle long enough: joined by the next Post that starts a worker
      }
      continue;
    }
    // Unbounded lanes first: a worker started for one of their jobs runs it.
    std::deque<LanePtr>& ready = m_readyFirst.empty() ? m_ready : m_readyFirst;
    LanePtr lane = std::move(ready.front());
    ready.pop_front();
    size_t before = Startable(*lane);
    std::unique_ptr<Job> job = std::move(lane->jobs.front());
    lane->jobs.pop_front();
    --m_queued;
    ++lane->running;
    ++m_running;
    size_t after = Startable(*lane);
    m_startable = m_startable - before + after;
    lane->ready = after > 0;
    if (lane->ready) (lane->bounded ? m_ready : m_readyFirst).push_back(lane);  // the other lanes' turn first
    lock.unlock();
    try {
      job->Run();
    } catch (...) {
      // A job reports its own failures; nothing may end the worker.
    }
    job.reset();
    lock.lock();
    before = Startable(*lane);
    --lane->running;
    --m_running;
    after = Startable(*lane);
    m_startable = m_startable - before + after;
    if (after > 0 && !lane->ready) {
      (lane->bounded ? m_ready : m_readyFirst).push_back(lane);
      lane->ready = true;
    }
    if (m_queued == 0 && m_running == 0) m_idle.notify_all();
  }
}

}  // namespace tessaly::rpc
