// The connection requests: open, close and reopen, one after another on the
// connection worker, so two of them never overlap, a later one always sees
// what an earlier one did, and no command waits for the device.
#include <optional>
#include <utility>

#include "common/text_ids.h"
#include "serial/port_list.h"
#include "serial/serial_config.h"
#include "session/open_failure_text.h"
#include "session/session.h"

namespace zephyn {

void Session::Request(Connection showing, std::function<Connection()> task) {
  ChangeState([&](SessionState& state) {
    ++m_requests;
    state.connection = showing;
  });
  m_connection.Post([this, task = std::move(task)] { Settle(task()); });
}

bool Session::ConnectionIdle() const {
  {
    std::lock_guard lock(m_stateLock);
    if (m_requests != 0) return false;
  }
  return m_connection.Idle();
}

void Session::Settle(Connection outcome) {
  ChangeState([&](SessionState& state) {
    // A request still waiting shows its own state until it has run.
    if (--m_requests == 0) state.connection = outcome;
  });
}

void Session::Choose(const PortChoice& choice, bool opened) {
  {
    std::lock_guard lock(m_lock);
    m_chosenPort = choice.port;
  }
  ChangeState([&](SessionState& state) {
    state.port = choice.port;
    state.rate = choice.rate;
    state.flow = choice.flow;
    if (opened || choice.port != state.missingPort) state.missingPort.clear();
  });
}

void Session::Open(PortChoice choice, OpenBy by) {
  if (by == OpenBy::User) {
    Choose(choice, false);
  } else {
    ChangeState([&](SessionState& state) {
      state.port = choice.port;
      state.rate = choice.rate;
      state.flow = choice.flow;
    });
  }
  Request(Connection::Opening, [this, choice = std::move(choice), by] {
    return OpenNow(choice, by) ? Connection::Open : Connection::Closed;
  });
}

void Session::Close() {
  // Closing shows first: a file transfer asked for from now on is refused,
  // and one that started before is stopped here.
  Request(Connection::Closing, [this] {
    CloseNow();
    return Connection::Closed;
  });
  StopActivities();
}

bool Session::OpenNow(const PortChoice& choice, OpenBy by) {
  StopActivities();
  if (m_port.IsOpen()) m_port.Close();
  // Only a device the list shows is ever opened.
  if (choice.port.empty() || !Listed(choice.port)) return false;
  // An empty rate (a detection that found none) waits for the user's
  // choice: the program's own open has nothing to say about it.
  if (by == OpenBy::Program && choice.rate.find_first_not_of(" \t") == std::string::npos)
    return false;
  const std::string path = PortPath(choice.port);
  // "Auto", an empty text, "-5" or "99999999999" open nothing and say so.
  const std::optional<std::uint32_t> baud = ParseBaudRate(choice.rate);
  if (baud && m_port.Open(path, *baud, 0, 8, 0, choice.flow)) {
    m_openedRate = choice.rate;
    Choose(choice, true);
    return true;
  }
  ReportOpenFailure(OpenFailure{choice.port, path, choice.rate,
                                baud ? m_port.LastError() : PortError::None, m_port.LastErrno()},
                    by);
  return false;
}

void Session::CloseNow() {
  if (m_port.IsOpen()) m_port.Close();
  // The live log ends with the port.
  m_liveLog.Stop();
  ChangeState([](SessionState& state) { state.liveLog = false; });
}

void Session::ReportOpenFailure(const OpenFailure& failure, OpenBy by) {
  if (by == OpenBy::User) {
    m_events.OnOpenFailed(failure);
    return;
  }
  // Nobody asked for this open: the pane keeps the reason, on one line.
  std::string reason = OpenFailureText(failure, m_options.language);
  for (char& c : reason)
    if (c == '\n') c = ' ';
  AddPaneNote(NoteText(TextId::kProgramOpenFailed, {reason}));
}

Connection Session::ReopenNow(const LostPort& lost) {
  // The user opened a port meanwhile: that choice stands.
  if (m_port.IsOpen()) return Connection::Open;
  // Gone again before its turn.
  if (!Listed(lost.choice.port)) return lost.wallAt ? Connection::Lost : Connection::Closed;
  if (!OpenNow(lost.choice, OpenBy::Program)) return Connection::Closed;
  const std::string now = ClockText(WallClock::now());
  AddPaneNote(lost.wallAt
                  ? NoteText(TextId::kPortReopened, {ClockText(*lost.wallAt), now})
                  : NoteText(TextId::kPortAppeared, {lost.choice.port, now}));
  return Connection::Open;
}

}  // namespace zephyn
