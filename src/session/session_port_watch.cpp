// The port watch: at every round the port list is compared with the system's.
// A chosen port that went away is remembered as missing (the settings file
// goes on naming it); the open port's device going away stops the
// activities, closes the port and makes the connection Lost. With reopening
// on, a port lost while open (or saved but absent at start-up) is opened as
// it was when its device is listed again within the limit, unless another
// port was opened meanwhile.
#include <unistd.h>

#include <algorithm>

#include "common/text_ids.h"
#include "common/thread_name.h"
#include "serial/port_list.h"
#include "session/session.h"

namespace zephyn {

namespace {

constexpr std::size_t kWatchCapacity = 50;

}  // namespace

std::vector<std::string> Session::ListPorts(std::size_t capacity) const {
  // A device given by path is listed while it exists, so that one that goes
  // away (a pseudo-terminal whose other end closed) leaves the list like an
  // unplugged adapter does.
  std::vector<std::string> present;
  for (const std::string& path : m_options.extraPorts)
    if (::access(path.c_str(), F_OK) == 0) present.push_back(path);
  std::vector<std::string> names = EnumeratePorts(m_options.sysfsRoot, present, capacity,
                                                  LoadTextUtf8(TextId::kNoPort));
  names.erase(std::find(names.begin(), names.end(), std::string()), names.end());
  return names;
}

bool Session::Listed(const std::string& port) const {
  if (port.empty()) return false;
  std::lock_guard lock(m_lock);
  // The placeholder stands for no port.
  if (m_ports.size() == 1 && m_ports.front() == LoadTextUtf8(TextId::kNoPort)) return false;
  return std::find(m_ports.begin(), m_ports.end(), port) != m_ports.end();
}

void Session::SetReopenOnReturn(bool on) {
  m_reopenOnReturn = on ? 1 : 0;
}

void Session::PauseWatch(bool paused) {
  m_watchPaused = paused ? 1 : 0;
}

void Session::WatchThread() {
  NameThisThread("port-watch");
  while (!m_stopWait.SleepUnless(m_stopWatch, m_options.portWatchPeriod)) {
    ++m_watchRounds;
    // While the user has the list dropped down it must not change under the
    // pointer; the rhythm goes on.
    if (m_watchPaused != 0) continue;
    WatchPass();
    ReopenReturnedPort();
  }
}

void Session::WatchPass() {
  const std::vector<std::string> names = ListPorts(kWatchCapacity);
  std::string chosen;
  {
    std::lock_guard lock(m_lock);
    if (!names.empty() && names == m_watchNames) return;
    m_watchNames = names;
    m_ports = names;
    chosen = m_chosenPort;
  }
  const bool listed = !names.empty() && names.front() != LoadTextUtf8(TextId::kNoPort);
  ChangeState([listed](SessionState& state) { state.portListed = listed; });
  m_events.OnPortsChanged(names);

  // The chosen device went away: the settings file goes on naming it,
  // unless it already names one that went away before.
  if (!chosen.empty() && !Listed(chosen)) NoteMissingPort(chosen, true);

  const SessionState state = State();
  if (state.connection != Connection::Open || !m_port.IsOpen() || Listed(state.port)) return;
  bool lost = false;
  ChangeState([&lost](SessionState& s) {
    // A close or an open asked for meanwhile decides instead.
    lost = s.connection == Connection::Open;
    if (lost) s.connection = Connection::Lost;
  });
  if (!lost) return;
  StopActivities();
  if (m_reopenOnReturn != 0) {
    {
      std::lock_guard lock(m_lock);
      m_lostPort = LostPort{PortChoice{state.port, state.rate, state.flow},
                            std::chrono::steady_clock::now(), WallClock::now()};
    }
    ChangeState([](SessionState& s) { s.reopenPending = true; });
  }
  m_events.OnPortLost(state.port);
  // Behind any request under way, so the two never interleave; the state
  // stays Lost.
  m_connection.Post([this] { CloseNow(); });
}

void Session::ReopenReturnedPort() {
  std::optional<LostPort> lost;
  {
    std::lock_guard lock(m_lock);
    if (!m_lostPort) return;
    const bool expired =
        std::chrono::steady_clock::now() - m_lostPort->at > m_options.reopenLimit;
    const bool listed = std::find(m_ports.begin(), m_ports.end(), m_lostPort->choice.port) !=
                        m_ports.end();
    if (m_reopenOnReturn != 0 && !expired && !listed) return;
    if (m_reopenOnReturn != 0 && !expired) lost = m_lostPort;
    m_lostPort.reset();
  }
  ChangeState([](SessionState& state) { state.reopenPending = false; });
  if (!lost) return;
  Request(Connection::Opening, [this, lost = *lost] { return ReopenNow(lost); });
}

void Session::NoteMissingPort(const std::string& port, bool keepEarlier) {
  ChangeState([&](SessionState& state) {
    if (keepEarlier && !state.missingPort.empty()) return;
    state.missingPort = port;
  });
}

}  // namespace zephyn
