// The short-lived workers a window starts (opening and closing the port, and
// the like). Each runs on its own thread and the window never waits for one
// while it works; the window joins them all before it goes away, so no worker
// outlives what it uses.
#pragma once

#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace zephyn {

class WorkerThreads {
 public:
  WorkerThreads() = default;
  ~WorkerThreads();
  WorkerThreads(const WorkerThreads&) = delete;
  WorkerThreads& operator=(const WorkerThreads&) = delete;

  // Starts `work` on a new thread and returns at once. Workers that have
  // finished are joined here, so the list does not grow.
  void Start(std::function<void()> work);

  // Waits for every worker, including ones started while waiting.
  void JoinAll();

  // Workers started and not yet finished.
  int Running() const;

 private:
  struct Worker {
    std::thread thread;
    bool done = false;  // guarded by m_mutex
  };
  void ReapFinished(std::list<std::unique_ptr<Worker>>& finished);

  mutable std::mutex m_mutex;
  std::list<std::unique_ptr<Worker>> m_workers;
};

}  // namespace zephyn
