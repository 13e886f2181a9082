#include "common/task_queue.h"

#include <utility>

#include "common/thread_name.h"

namespace zephyn {

TaskQueue::~TaskQueue() {
  Shutdown();
}

void TaskQueue::Post(std::function<void()> task) {
  {
    std::lock_guard lock(m_mutex);
    if (m_stopped) return;  // `task` is destroyed unlocked, on return
    m_tasks.push_back(std::move(task));
    // The thread waits for m_mutex before it looks at the queue.
    if (!m_thread.joinable()) m_thread = std::thread([this] { Run(); });
  }
  m_wake.notify_one();
}

void TaskQueue::Shutdown() {
  std::lock_guard shutdown(m_shutdownLock);
  std::deque<std::function<void()>> dropped;
  std::thread thread;
  {
    std::lock_guard lock(m_mutex);
    m_stopped = true;
    dropped.swap(m_tasks);
    thread = std::move(m_thread);
  }
  m_wake.notify_all();
  // The dropped tasks are destroyed unlocked: what they hold may post.
  dropped.clear();
  if (thread.joinable()) thread.join();
}

bool TaskQueue::Idle() const {
  std::lock_guard lock(m_mutex);
  return !m_running && m_tasks.empty();
}

void TaskQueue::Run() {
  NameThisThread("task-queue");
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_wake.wait(lock, [this] { return m_stopped || !m_tasks.empty(); });
    if (m_stopped) return;
    std::function<void()> task = std::move(m_tasks.front());
    m_tasks.pop_front();
    m_running = true;
    lock.unlock();
    task();
    task = nullptr;  // what the task holds goes before the next one starts
    lock.lock();
    m_running = false;
  }
}

}  // namespace zephyn
