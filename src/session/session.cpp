// The session's life (start-up and the closing order), its state and its
// send path.
#include "session/session.h"

#include <algorithm>
#include <utility>

#include "common/text_ids.h"
#include "common/thread_name.h"
#include "storage/folders.h"
#include "storage/save_file.h"

namespace zephyn {

Session::Session(SessionEvents& events, SessionOptions options)
    : m_events(events),
      m_options(std::move(options)),
      m_record(m_options.dataFolder.empty() ? DataFolderBase() : m_options.dataFolder,
               CSaveFile::MakeTimeStamp()),
      m_liveLog([this](const LogFailure& failure) {
        // The log has stopped by itself: the state says so before the
        // failure is told.
        ChangeState([](SessionState& state) { state.liveLog = false; });
        m_events.OnLogFailure(failure);
      }) {}

Session::~Session() {
  Shutdown();
}

std::vector<std::string> Session::Start(const std::string& savedPort,
                                        const std::string& rateText, int flow) {
  std::vector<std::string> recovered = m_record.RecoverStaleCaptures();
  m_connection.Post([] { NameThisThread("connection"); });
  m_sender.Post([] { NameThisThread("sender"); });

  std::vector<std::string> ports = ListPorts(256);
  {
    std::lock_guard lock(m_lock);
    m_ports = ports;
    // The watch compares the first 50 names.
    m_watchNames.assign(ports.begin(), ports.begin() + std::min<std::size_t>(ports.size(), 50));
  }
  const bool listed = !ports.empty() && ports.front() != LoadTextUtf8(TextId::kNoPort);
  ChangeState([listed](SessionState& state) { state.portListed = listed; });

  // A port the list does not hold is never replaced by another entry:
  // opening a device nobody chose would set its rate and raise its DTR and
  // RTS lines.
  bool placeholder = false;
  for (Language language : {Language::ZhCN, Language::EnUS})
    if (savedPort == LoadTextUtf8(TextId::kNoPort, language)) placeholder = true;
  if (!savedPort.empty() && !placeholder) {
    const PortChoice choice{savedPort, rateText, flow};
    if (Listed(savedPort)) {
      {
        std::lock_guard lock(m_lock);
        m_chosenPort = savedPort;
      }
      Open(choice, OpenBy::Program);
    } else {
      NoteMissingPort(savedPort, false);
      const bool reopen = m_reopenOnReturn != 0;
      AddPaneNote(
          NoteText(reopen ? TextId::kSavedPortAwaited : TextId::kSavedPortAbsent, {savedPort}));
      if (reopen) {
        {
          std::lock_guard lock(m_lock);
          m_lostPort = LostPort{choice, std::chrono::steady_clock::now(), std::nullopt};
        }
        ChangeState([](SessionState& state) { state.reopenPending = true; });
      }
    }
  }
  m_watchThread = std::thread([this] { WatchThread(); });
  return recovered;
}

void Session::Shutdown() {
  if (m_shutDown.exchange(1) != 0) return;
  // First, while the port is open: a file transfer ends with its figures,
  // then the cycle and the timed send, each waited for.
  m_activities.Shutdown();
  StopActivities();
  m_linesTimer.Shutdown();
  // The watch and a detection end at their next wait; the worker's request
  // under way finishes and the waiting ones are dropped, so nothing reopens
  // the port behind the closing order.
  m_stopWatch = 1;
  m_stopDetect = 1;
  m_stopWait.WakeAll();
  if (m_watchThread.joinable()) m_watchThread.join();
  m_connection.Shutdown();
  // A write under way fails once the port closes; then the send worker
  // drains at once.
  m_port.Close();
  m_sender.Shutdown();
  m_liveLog.Stop();
  m_record.DeleteCapture();
}

SessionState Session::State() const {
  std::lock_guard lock(m_stateLock);
  return m_state;
}

void Session::ChangeState(const std::function<void(SessionState&)>& change) {
  std::lock_guard report(m_reportLock);
  SessionState after;
  LinesReading reading = LinesReading::Keep;
  {
    std::lock_guard lock(m_stateLock);
    const SessionState before = m_state;
    change(m_state);
    reading = FollowConnection(before.connection, m_state);
    if (m_state == before) return;
    after = m_state;
  }
  FollowLines(reading);
  m_events.OnStateChanged(after);
}

void Session::Send(Bytes bytes) {
  m_sender.Post([this, bytes = std::move(bytes)] {
    SendRecorded(bytes.data(), std::int32_t(bytes.size()));
  });
}

bool Session::SendRecorded(const std::uint8_t* bytes, std::int32_t count) {
  return Write(bytes, count, true);
}

bool Session::SendCounted(const std::uint8_t* bytes, std::int32_t count) {
  return Write(bytes, count, false);
}

bool Session::Write(const std::uint8_t* bytes, std::int32_t count, bool shown) {
  // A shown send takes its place in the live log before the port has it, so
  // that an answer read while the write is under way is logged after it.
  const std::uint64_t logged =
      shown ? m_liveLog.BeginSent(bytes, std::size_t(std::max(count, 0)), WallClock::now()) : 0;
  const bool written = m_port.Write(bytes, count);
  m_liveLog.EndSent(logged, written);
  if (!written) return false;
  // One unit in the record: concurrent senders never lose a count and their
  // echoes never interleave.
  if (shown) {
    m_record.RecordSent(bytes, count);
  } else {
    m_record.CountSent(bytes, count);
  }
  m_txSpeedBytes += count;
  m_events.OnTrafficChanged();
  return true;
}

void Session::CountTransferEnd() {
  m_record.CountSent(nullptr, 0);
  m_events.OnTrafficChanged();
}

SpeedBytes Session::TakeSpeedBytes() {
  return {m_txSpeedBytes.exchange(0), m_rxSpeedBytes.exchange(0)};
}

void Session::StartLiveLog(const std::string& path, bool stamps, bool withSent) {
  // The state first: a file that cannot be opened ends the log on its own
  // thread, and that end must come after.
  ChangeState([&path](SessionState& state) {
    state.liveLog = true;
    state.liveLogPath = path;
  });
  m_liveLog.Start(path, stamps, withSent);
}

void Session::StopLiveLog() {
  m_liveLog.Stop();
  ChangeState([](SessionState& state) { state.liveLog = false; });
}

std::vector<std::string> Session::PaneNotes() const {
  std::lock_guard lock(m_lock);
  return m_paneNotes;
}

std::string Session::PortToSave() const {
  const SessionState state = State();
  if (!state.missingPort.empty()) return state.missingPort;
  std::lock_guard lock(m_lock);
  return m_chosenPort;
}

std::vector<std::string> Session::Ports() const {
  std::lock_guard lock(m_lock);
  return m_ports;
}

void Session::AddPaneNote(const std::string& line) {
  // The line goes into the record before whoever draws the pane is told.
  m_record.MarkGap(line);
  {
    std::lock_guard lock(m_lock);
    m_paneNotes.push_back(line);
  }
  m_events.OnTrafficChanged();
}

std::string Session::NoteText(std::uint16_t id,
                              std::initializer_list<std::string_view> args) const {
  return FillText(LoadTextUtf8(id, m_options.language), args);
}

}  // namespace zephyn
