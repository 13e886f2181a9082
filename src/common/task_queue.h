// One worker thread that runs the tasks handed to it one after another, in
// the order they came. The window's connection requests (open, close, and
// the steps that follow a lost port) go through one, so two of them never
// overlap and a later request always sees what an earlier one did, while the
// window's thread never waits for the device.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace zephyn {

class TaskQueue {
 public:
  TaskQueue() = default;
  // Shutdown().
  ~TaskQueue();
  TaskQueue(const TaskQueue&) = delete;
  TaskQueue& operator=(const TaskQueue&) = delete;

  // Any thread, a task of this queue included: runs `task` after every task
  // posted before it, and returns at once. The thread starts with the first
  // task. Dropped after Shutdown.
  void Post(std::function<void()> task);

  // Drops the tasks that have not started, waits for the one that runs, and
  // ends the thread; later Posts are dropped. Not from a task of this queue.
  void Shutdown();

  // True when no task runs and none waits.
  bool Idle() const;

 private:
  void Run();

  mutable std::mutex m_mutex;  // everything below
  std::condition_variable m_wake;
  std::deque<std::function<void()>> m_tasks;
  bool m_running = false;  // a task is under way
  bool m_stopped = false;
  std::thread m_thread;  // started by the first Post, taken out by Shutdown
  // Held through a whole Shutdown, so that a second one returns only once
  // the thread has ended.
  std::mutex m_shutdownLock;
};

}  // namespace zephyn
