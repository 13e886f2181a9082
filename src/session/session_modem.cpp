// The modem lines and the break: set and sent on the send worker, read
// while the port is open.
#include <cerrno>

#include "session/session.h"

namespace zephyn {

namespace {

static_assert(kModemLineCount == kModemSignalCount);
static_assert(int(ModemLine::Dtr) == int(ModemSignal::Dtr) &&
              int(ModemLine::Rts) == int(ModemSignal::Rts) &&
              int(ModemLine::Cts) == int(ModemSignal::Cts) &&
              int(ModemLine::Dsr) == int(ModemSignal::Dsr) &&
              int(ModemLine::Dcd) == int(ModemSignal::Dcd) &&
              int(ModemLine::Ri) == int(ModemSignal::Ri));

// The lines to show after a read: the levels in `bits`, or, when the read
// was refused, all six refused with its errno; an output line whose last
// set was refused keeps that refusal.
ModemLines ShownLines(unsigned bits, int readError, const std::array<int, 2>& setError) {
  ModemLines lines;
  lines.read = true;
  for (int i = 0; i < kModemLineCount; ++i) {
    const auto at = std::size_t(i);
    lines.on[at] = readError == 0 && (bits & ModemBit(static_cast<ModemSignal>(i))) != 0;
    lines.refused[at] = i < 2 && setError[at] != 0 ? setError[at] : readError;
  }
  return lines;
}

}  // namespace

Session::LinesReading Session::FollowConnection(Connection before, SessionState& after) {
  const bool wasOpen = before == Connection::Open;
  const bool open = after.connection == Connection::Open;
  if (!open) {
    after.lines = {};
    m_linesReadError = 0;
    m_linesSetError = {};
  }
  if (wasOpen == open) return LinesReading::Keep;
  // A read or a set begun before this change shows nothing after it.
  ++m_linesEpoch;
  return open ? LinesReading::Start : LinesReading::Stop;
}

void Session::FollowLines(LinesReading reading) {
  if (reading == LinesReading::Keep) return;
  if (reading == LinesReading::Stop) {
    m_linesTimer.Stop();
    return;
  }
  // Read at once on the send worker, before any set of a line asked for
  // from now on, then at the timer's pace.
  m_sender.Post([this] { ReadModemLines(); });
  m_linesTimer.Start(m_options.modemPollPeriod.count(), [this] { ReadModemLines(); });
}

void Session::ReadModemLines() {
  const std::uint32_t epoch = m_linesEpoch.load();
  unsigned bits = 0;
  const int err = m_port.ReadModemLines(&bits);
  // A refusal that stays the same changes nothing, so it is reported once.
  ChangeState([&](SessionState& state) {
    if (state.connection != Connection::Open || m_linesEpoch.load() != epoch) return;
    m_linesReadError = err;
    state.lines = ShownLines(bits, err, m_linesSetError);
  });
}

bool Session::OpenNowAndSince(std::uint32_t epoch) const {
  std::lock_guard lock(m_stateLock);
  return m_state.connection == Connection::Open && m_linesEpoch.load() == epoch;
}

void Session::SetModemLine(ModemLine line, bool on) {
  if (line != ModemLine::Dtr && line != ModemLine::Rts) return;
  // Only for the opening under way when it was asked for.
  const std::uint32_t epoch = m_linesEpoch.load();
  if (!OpenNowAndSince(epoch)) return;
  m_sender.Post([this, line, on, epoch] {
    if (!OpenNowAndSince(epoch)) return;
    if (line == ModemLine::Rts && (State().flow & 1) != 0) return;
    const int err = m_port.SetModemLine(static_cast<ModemSignal>(line), on);
    const auto at = std::size_t(line);
    ChangeState([&](SessionState& s) {
      if (s.connection != Connection::Open || m_linesEpoch.load() != epoch) return;
      m_linesSetError[at] = err;
      if (err == 0) s.lines.on[at] = on;
      s.lines.refused[at] = err != 0 ? err : m_linesReadError;
    });
  });
}

void Session::SendBreak() {
  const std::uint32_t epoch = m_linesEpoch.load();
  if (!OpenNowAndSince(epoch)) return;
  m_sender.Post([this, epoch] {
    if (!OpenNowAndSince(epoch)) return;
    const int err = m_port.SendBreak();
    // A port closed meanwhile refuses it too; that is no refusal to tell.
    if (err != 0 && OpenNowAndSince(epoch)) m_events.OnBreakRefused(err);
  });
}

}  // namespace zephyn
