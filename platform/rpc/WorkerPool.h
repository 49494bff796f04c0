// The threads that call the real objects for calls arriving over a connection. A job never runs
// on the event loop's thread, so an object may call out (to a client's sink, over the same loop)
// and block.
//
// The pool is bounded: at most maxWorkers threads, started as jobs come and ended after an idle
// while. Jobs come in lanes, one per connection: a lane runs at most laneRunning jobs at a time
// and keeps the rest queued in order, so a client whose calls wait (on a sink that never answers)
// holds only its own lane's workers; lanes take turns. A lane's queue is bounded too: a job
// beyond laneQueued is refused (unless it must run, as a release does). An unbounded lane (the
// call-backs a server makes to this process as its client) neither waits nor is refused: its
// jobs start workers beyond maxWorkers when none is free, as the server's call-backs wait for them.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace tessaly::rpc {

struct WorkerLimits {
  size_t maxWorkers = 16;
  size_t laneRunning = 4;
  size_t laneQueued = 4096;
  std::chrono::milliseconds idleTimeout{3000};
};

class CWorkerPool {
 public:
  // A job: one run, then destroyed on the worker.
  struct Job {
    virtual ~Job() = default;
    virtual void Run() = 0;
  };
  using Limits = WorkerLimits;
  class Lane;
  using LanePtr = std::shared_ptr<Lane>;

  explicit CWorkerPool(Limits limits = Limits());
  ~CWorkerPool();  // runs what is queued, then joins every worker
  CWorkerPool(const CWorkerPool&) = delete;
  CWorkerPool& operator=(const CWorkerPool&) = delete;

  // A lane of its own (a connection's).
  LanePtr NewLane(bool bounded = true);
  // Queues job on lane (null: the pool's shared lane, never refused); false when the lane's
  // queue is full and the job was not taken. mustRun takes it anyway.
  bool Post(const LanePtr& lane, std::unique_ptr<Job> job, bool mustRun = false);
  void Post(std::unique_ptr<Job> job) { Post(nullptr, std::move(job), true); }
  template <class F>
  bool Post(const LanePtr& lane, F&& f, bool mustRun = false) {
    return Post(lane, MakeJob(std::forward<F>(f)), mustRun);
  }
  template <class F>
  void Post(F&& f) {
    Post(nullptr, MakeJob(std::forward<F>(f)), true);
  }
  // Waits until no job is queued or running (jobs posted meanwhile are waited for too).
  void Drain();
  // Whether the caller is one of the pool's workers.
  static bool IsWorkerThread();
  // Worker threads alive now.
  size_t ThreadCount();
  const Limits& GetLimits() const { return m_limits; }

 private:
  template <class F>
  static std::unique_ptr<Job> MakeJob(F&& f) {
    struct Fn : Job {
      explicit Fn(F&& fn) : fn(std::forward<F>(fn)) {}
      void Run() override { fn(); }
      std::decay_t<F> fn;
    };
    return std::unique_ptr<Job>(new Fn(std::forward<F>(f)));
  }
  void Run();
  // Under m_mutex: jobs of lane that may start now.
  size_t Startable(const Lane& lane) const;
  void JoinExited(std::unique_lock<std::mutex>& lock);

  const Limits m_limits;
  std::mutex m_mutex;
  std::condition_variable m_wake;
  std::condition_variable m_idle;
  LanePtr m_shared;
  std::deque<LanePtr> m_ready;       // bounded lanes with a job that may start, in turn
  std::deque<LanePtr> m_readyFirst;  // unbounded lanes with a job that may start
  std::map<std::thread::id, std::thread> m_threads;
  std::vector<std::thread::id> m_exited;  // ended after an idle while, not yet joined
  size_t m_startable = 0;  // sum of Startable over every lane
  size_t m_queued = 0;
  size_t m_running = 0;
  size_t m_waiting = 0;  // workers waiting for a job
  bool m_stopping = false;
};

}  // namespace tessaly::rpc
