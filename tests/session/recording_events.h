// Test support for the session: SessionEvents that keep everything they are
// told (from any thread), and a wait for a condition with a deadline.
#pragma once

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "session/session_events.h"

namespace zephyn {

// Polls `condition` until it holds or `timeout` has passed; whether it held.
template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class RecordingEvents : public SessionEvents {
 public:
  struct TransferEnded {
    TransferStats stats;
    TransferEnd end;
  };

  void OnStateChanged(const SessionState& state) override {
    std::lock_guard lock(m_lock);
    m_states.push_back(state);
  }
  void OnPortsChanged(const std::vector<std::string>& ports) override {
    std::lock_guard lock(m_lock);
    m_portLists.push_back(ports);
  }
  void OnOpenFailed(const OpenFailure& failure) override {
    std::lock_guard lock(m_lock);
    m_openFailures.push_back(failure);
  }
  void OnPortLost(const std::string& port) override {
    std::lock_guard lock(m_lock);
    m_lostPorts.push_back(port);
  }
  void OnTrafficChanged() override {}
  void OnAtAnswer(const std::string& text) override {
    std::lock_guard lock(m_lock);
    m_atAnswers.push_back(text);
  }
  void OnFileRefused(const std::string&, const WholeFile&) override {}
  void OnTransferEnded(const TransferStats& stats, TransferEnd end) override {
    std::lock_guard lock(m_lock);
    m_transferEnds.push_back({stats, end});
  }
  void OnSpillFailure(const SpillFailure&) override {}
  void OnDropped(std::uint64_t) override {}
  void OnLogFailure(const LogFailure& failure) override {
    std::lock_guard lock(m_lock);
    m_logFailures.push_back(failure);
  }

  void OnBreakRefused(int error) override {
    std::lock_guard lock(m_lock);
    m_breakRefusals.push_back(error);
  }

  // Everything told so far is forgotten.
  void Forget() {
    std::lock_guard lock(m_lock);
    m_states.clear();
    m_portLists.clear();
    m_openFailures.clear();
    m_lostPorts.clear();
    m_atAnswers.clear();
    m_logFailures.clear();
    m_transferEnds.clear();
    m_breakRefusals.clear();
  }

  std::vector<SessionState> States() const {
    std::lock_guard lock(m_lock);
    return m_states;
  }
  // The last state reported (the start value before any report).
  SessionState Last() const {
    std::lock_guard lock(m_lock);
    return m_states.empty() ? SessionState{} : m_states.back();
  }
  // The connection states from the start value on, each run of one shown
  // once.
  std::vector<Connection> Connections() const {
    std::vector<Connection> out{SessionState{}.connection};
    for (const SessionState& state : States())
      if (out.back() != state.connection) out.push_back(state.connection);
    return out;
  }
  std::vector<std::vector<std::string>> PortLists() const {
    std::lock_guard lock(m_lock);
    return m_portLists;
  }
  std::vector<OpenFailure> OpenFailures() const {
    std::lock_guard lock(m_lock);
    return m_openFailures;
  }
  std::vector<std::string> LostPorts() const {
    std::lock_guard lock(m_lock);
    return m_lostPorts;
  }
  std::vector<std::string> AtAnswers() const {
    std::lock_guard lock(m_lock);
    return m_atAnswers;
  }
  std::vector<LogFailure> LogFailures() const {
    std::lock_guard lock(m_lock);
    return m_logFailures;
  }
  std::vector<int> BreakRefusals() const {
    std::lock_guard lock(m_lock);
    return m_breakRefusals;
  }
  std::vector<TransferEnded> TransferEnds() const {
    std::lock_guard lock(m_lock);
    return m_transferEnds;
  }

 private:
  mutable std::mutex m_lock;
  std::vector<SessionState> m_states;
  std::vector<std::vector<std::string>> m_portLists;
  std::vector<OpenFailure> m_openFailures;
  std::vector<std::string> m_lostPorts;
  std::vector<std::string> m_atAnswers;
  std::vector<LogFailure> m_logFailures;
  std::vector<TransferEnded> m_transferEnds;
  std::vector<int> m_breakRefusals;
};

}  // namespace zephyn
