#include "platform/rpc/WorkerPool.h"

namespace tessaly::rpc {

namespace {
thread_local bool t_isWorker = false;
}

CWorkerPool::~CWorkerPool() {
  {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopping = true;
  }
  m_wake.notify_all();
  for (std::thread& t : m_threads) t.join();
}

void CWorkerPool::Post(std::unique_ptr<Job> job) {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_jobs.push_back(std::move(job));
  // A waiting worker that is already woken for an earlier job counts as busy.
  if (m_waiting >= m_jobs.size()) {
    lock.unlock();
    m_wake.notify_one();
    return;
  }
  m_threads.emplace_back([this] { Run(); });
}

void CWorkerPool::Drain() {
  std::unique_lock<std::mutex> lock(m_mutex);
  m_idle.wait(lock, [this] { return m_jobs.empty() && m_running == 0; });
}

bool CWorkerPool::IsWorkerThread() { return t_isWorker; }

void CWorkerPool::Run() {
  t_isWorker = true;
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    ++m_waiting;
    m_wake.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
    --m_waiting;
    if (m_jobs.empty()) return;  // stopping, nothing left
    std::unique_ptr<Job> job = std::move(m_jobs.front());
    m_jobs.pop_front();
    ++m_running;
    lock.unlock();
    try {
      job->Run();
    } catch (...) {
      // A job reports its own failures; nothing may end the worker.
    }
    job.reset();
    lock.lock();
    --m_running;
    if (m_jobs.empty() && m_running == 0) m_idle.notify_all();
  }
}

}  // namespace tessaly::rpc
