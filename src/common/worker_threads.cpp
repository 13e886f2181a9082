#include "common/worker_threads.h"

namespace zephyn {

WorkerThreads::~WorkerThreads() {
  JoinAll();
}

void WorkerThreads::ReapFinished(std::list<std::unique_ptr<Worker>>& finished) {
  // Under m_mutex: moves the finished workers out, to be joined unlocked.
  for (auto it = m_workers.begin(); it != m_workers.end();) {
    if ((*it)->done) {
      finished.push_back(std::move(*it));
      it = m_workers.erase(it);
    } else {
      ++it;
    }
  }
}

void WorkerThreads::Start(std::function<void()> work) {
  std::list<std::unique_ptr<Worker>> finished;
  {
    std::lock_guard lock(m_mutex);
    ReapFinished(finished);
    auto worker = std::make_unique<Worker>();
    Worker* self = worker.get();
    // The worker marks itself done under the lock; the thread object is in
    // the list before the thread can look for it.
    worker->thread = std::thread([this, self, work = std::move(work)] {
      work();
      std::lock_guard doneLock(m_mutex);
      self->done = true;
    });
    m_workers.push_back(std::move(worker));
  }
  for (auto& w : finished) w->thread.join();
}

void WorkerThreads::JoinAll() {
  for (;;) {
    std::unique_ptr<Worker> next;
    {
      std::lock_guard lock(m_mutex);
      if (m_workers.empty()) return;
      next = std::move(m_workers.front());
      m_workers.pop_front();
    }
    next->thread.join();
  }
}

int WorkerThreads::Running() const {
  std::lock_guard lock(m_mutex);
  int running = 0;
  for (const auto& w : m_workers) running += w->done ? 0 : 1;
  return running;
}

}  // namespace zephyn
