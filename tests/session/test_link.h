// What the session's activities are tested with: a link that writes through
// a real port opened on the virtual module's pseudo-terminal and records in
// a real traffic record, events that keep what they are told, and a gate a
// write can be held at.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "serial/com_port.h"
#include "session/session_events.h"
#include "session/session_link.h"
#include "sim/virtual_module.h"
#include "storage/traffic_record.h"

namespace zephyn {

// Polls `done` until it holds or `timeout` passes.
inline bool WaitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Keeps what the session tells; any thread.
class TestEvents : public SessionEvents {
 public:
  struct Ended {
    TransferStats stats;
    TransferEnd end;
  };
  struct Refused {
    std::string path;
    WholeFile::Status status;
    std::uint64_t size;
  };

  void OnStateChanged(const SessionState& state) override { Add(m_states, state); }
  void OnTransferEnded(const TransferStats& stats, TransferEnd end) override {
    Add(m_ended, Ended{stats, end});
  }
  void OnFileRefused(const std::string& path, const WholeFile& file) override {
    EXPECT_EQ(file.data, nullptr);
    Add(m_refused, Refused{path, file.status, file.size});
  }
  void OnPortsChanged(const std::vector<std::string>&) override {}
  void OnOpenFailed(const OpenFailure&) override {}
  void OnPortLost(const std::string&) override {}
  void OnTrafficChanged() override {}
  void OnAtAnswer(const std::string&) override {}
  void OnSpillFailure(const SpillFailure&) override {}
  void OnDropped(std::uint64_t) override {}
  void OnLogFailure(const LogFailure&) override {}

  std::vector<SessionState> States() const { return Copy(m_states); }
  std::vector<Ended> EndedTransfers() const { return Copy(m_ended); }
  std::vector<Refused> RefusedFiles() const { return Copy(m_refused); }
  void Clear() {
    std::lock_guard lock(m_lock);
    m_states.clear();
    m_ended.clear();
    m_refused.clear();
  }

 private:
  template <typename T>
  void Add(std::vector<T>& list, T item) {
    std::lock_guard lock(m_lock);
    list.push_back(std::move(item));
  }
  template <typename T>
  std::vector<T> Copy(const std::vector<T>& list) const {
    std::lock_guard lock(m_lock);
    return list;
  }

  mutable std::mutex m_lock;
  std::vector<SessionState> m_states;
  std::vector<Ended> m_ended;
  std::vector<Refused> m_refused;
};

// The session's part for an activity: its port on the virtual module, its
// record and its state, reported as the session reports it.
class TestLink : public SessionLink {
 public:
  TestLink(TrafficRecord& record, TestEvents& events) : m_record(record), m_events(events) {}

  bool OpenPort(const std::string& path) {
    if (!m_port.Open(path, 115200, 0, 8, 0, 0)) return false;
    ChangeState([](SessionState& state) { state.connection = Connection::Open; });
    return true;
  }
  // The port as a close or a lost device leaves it: writes fail from now on.
  void ClosePort() {
    ChangeState([](SessionState& state) { state.connection = Connection::Closed; });
    m_port.Close();
  }

  // Runs before every write, on the writing thread.
  void SetBeforeWrite(std::function<void()> hook) {
    std::lock_guard lock(m_hookLock);
    m_beforeWrite = std::move(hook);
  }

  bool SendRecorded(const std::uint8_t* bytes, std::int32_t count) override {
    BeforeWrite();
    if (!m_port.Write(bytes, count)) return false;
    m_record.RecordSent(bytes, count);
    return true;
  }
  bool SendCounted(const std::uint8_t* bytes, std::int32_t count) override {
    BeforeWrite();
    if (!m_port.Write(bytes, count)) return false;
    m_record.CountSent(bytes, count);
    return true;
  }
  void CountTransferEnd() override { m_record.CountSent(nullptr, 0); }

  void ChangeState(const std::function<void(SessionState&)>& change) override {
    SessionState before;
    SessionState after;
    {
      std::lock_guard lock(m_stateLock);
      before = m_state;
      change(m_state);
      after = m_state;
    }
    if (after != before) m_events.OnStateChanged(after);
  }
  SessionState State() const override {
    std::lock_guard lock(m_stateLock);
    return m_state;
  }
  SessionEvents& Events() override { return m_events; }

 private:
  void BeforeWrite() {
    std::function<void()> hook;
    {
      std::lock_guard lock(m_hookLock);
      hook = m_beforeWrite;
    }
    if (hook) hook();
  }

  TrafficRecord& m_record;
  TestEvents& m_events;
  CComPort m_port;
  mutable std::mutex m_stateLock;
  SessionState m_state;
  std::mutex m_hookLock;
  std::function<void()> m_beforeWrite;
};

// Holds the threads that pass it until it is opened.
class Gate {
 public:
  void Pass() {
    std::unique_lock lock(m_lock);
    ++m_waiting;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
  }
  bool WaitForSomeone(std::chrono::seconds timeout = std::chrono::seconds(20)) {
    std::unique_lock lock(m_lock);
    return m_changed.wait_for(lock, timeout, [this] { return m_waiting > 0; });
  }
  void Open() {
    std::lock_guard lock(m_lock);
    m_open = true;
    m_changed.notify_all();
  }
  bool IsOpen() const {
    std::lock_guard lock(m_lock);
    return m_open;
  }

 private:
  mutable std::mutex m_lock;
  std::condition_variable m_changed;
  int m_waiting = 0;
  bool m_open = false;
};

}  // namespace zephyn
