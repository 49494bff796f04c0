// The threads that call the real objects for calls arriving over a connection. A job never runs
// on the event loop's thread, so an object may call out (to a client's sink, over the same loop)
// and block. The pool grows while every worker is busy; idle workers wait for the next job.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly::rpc {

class CWorkerPool {
 public:
  // A job: one run, then destroyed on the worker.
  struct Job {
    virtual ~Job() = default;
    virtual void Run() = 0;
  };

  CWorkerPool() = default;
  ~CWorkerPool();  // runs what is queued, then joins every worker
  CWorkerPool(const CWorkerPool&) = delete;
  CWorkerPool& operator=(const CWorkerPool&) = delete;

  void Post(std::unique_ptr<Job> job);
  template <class F>
  void Post(F&& f) {
    struct Fn : Job {
      explicit Fn(F&& fn) : fn(std::forward<F>(fn)) {}
      void Run() override { fn(); }
      std::decay_t<F> fn;
    };
    Post(std::unique_ptr<Job>(new Fn(std::forward<F>(f))));
  }
  // Waits until no job is queued or running (jobs posted meanwhile are waited for too).
  void Drain();
  // Whether the caller is one of the pool's workers.
  static bool IsWorkerThread();

 private:
  void Run();

  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  std::deque<std::unique_ptr<Job>> m_jobs;
  std::vector<std::thread> m_threads;
  size_t m_waiting = 0;  // workers waiting for a job
  size_t m_running = 0;  // jobs being run
  bool m_stopping = false;
};

}  // namespace tessaly::rpc
