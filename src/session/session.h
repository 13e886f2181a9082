// The terminal's session: the one object a window talks to. It owns the
// serial port, the record of the traffic, the multi-instruction sequence, the
// answer of an AT query, the live log, the port list and its watch, the
// reopening of a port that came back, and the rate detection. Commands come
// in from any thread and never wait for the device: opening, closing,
// reopening and detecting run one after another on the connection worker,
// sends on the send worker. What happens goes out through SessionEvents,
// and the state (SessionState) is one value that changes only here.
//
// What the connection is, by state:
// - Closed: Open(choice) asks for an open (Opening); Detect() probes the
//   rates (Detecting).
// - Opening, Closing, Detecting: a request is queued or runs; the state
//   the last one leaves follows once none is left.
// - Open: Send() writes and the activities run (the timed send, the file
//   transfer, the string cycle); the modem lines are read into the state,
//   SetModemLine() drives DTR and RTS and SendBreak() sends a break;
//   Close() shows Closing, then stops the activities and closes. When the
//   port watch finds the device gone the connection is Lost, the activities
//   stop, the port closes (OnPortLost once); the lines are cleared.
// - Lost: with reopening on, the port opens again as it was when the watch
//   lists its device again within the limit (a note in the pane says when it
//   went and came back), unless another port was opened meanwhile.
//
// A program's own open (the saved port at start-up, a reopen) notes why it
// failed in the pane; an open the user asked for reports OnOpenFailed.
//
// The activities stop whenever the connection leaves Open: a close, an
// open (of this or another port), a lost port, a detection, and the
// closing order. A file transfer under way, sending or paused, then ends
// as stopped and tells its figures (OnTransferEnded).
#pragma once

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/at_answer.h"
#include "common/codecs.h"
#include "common/instructions.h"
#include "common/stop_wait.h"
#include "common/task_queue.h"
#include "common/texts.h"
#include "common/time_stamp.h"
#include "serial/baud_search.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "session/activities/activities.h"
#include "session/activities/tick_timer.h"
#include "session/session_events.h"
#include "session/session_link.h"
#include "session/session_state.h"
#include "storage/live_log.h"
#include "storage/traffic_record.h"

namespace zephyn {

struct SessionOptions {
  // The language of the lines the session writes into the receive pane.
  Language language = Language::EnUS;
  std::vector<std::string> extraPorts;       // listed before the system's, while they exist
  std::string sysfsRoot = SystemPortsRoot();  // where the system's ports are found
  std::string dataFolder;  // holds the capture's "data" folder; empty: the default
  // How often the port watch compares the port list with the system's.
  std::chrono::milliseconds portWatchPeriod{3000};
  // How long each step of the rate detection waits for an answer and lets
  // the port settle after a reopen.
  BaudSearchWaits baudSearchWaits;
  // How long after a drop a returning device is still reopened.
  std::chrono::milliseconds reopenLimit{std::chrono::minutes(10)};
  // How often the modem lines are read while the port is open.
  std::chrono::milliseconds modemPollPeriod{200};
};

// What the user chose to open: a listed port, the rate as typed or picked,
// the flow-control entry (bit 0: CTS output flow control).
struct PortChoice {
  std::string port;
  std::string rate;
  int flow = 0;
};

// Bytes sent and received since the last TakeSpeedBytes.
struct SpeedBytes {
  std::int32_t tx = 0;
  std::int32_t rx = 0;
};

class Session : private SessionLink {
 public:
  Session(SessionEvents& events, SessionOptions options = {});
  // Shutdown().
  ~Session() override;
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Start-up, once, before the commands that use the port: the captures that runs which
  // ended without closing left behind are kept under recovered names (their
  // paths are returned, for the user to be told); the port list is filled
  // (Ports()); `savedPort` is opened at `rateText` and `flow` when the list
  // holds it, and otherwise noted in the pane as absent and, with reopening
  // on, opened when it appears. Then the port watch starts.
  std::vector<std::string> Start(const std::string& savedPort, const std::string& rateText,
                                 int flow);
  // The closing order, once (later calls return at once): the activities end
  // (a file transfer under way with its figures, then the cycle, then the
  // timed send, each waited for), the port watch stops, a detection is cut
  // short, the connection worker ends after the request under way, the port
  // closes (a send under way fails), the send worker ends, the live log
  // stops and this run's capture is deleted. Waits for all of it; the only
  // command that does.
  void Shutdown();

  // Opens `choice` (closing the port first if one is open), on the
  // connection worker. Only a listed port is opened: any other, or one
  // that vanished, opens nothing. The rate must be a whole number the port
  // takes (ParseBaudRate); a failure is reported (OnOpenFailed) or, for
  // OpenBy::Program, noted in the pane, and such an open with an empty rate
  // waits for the user's choice silently.
  void Open(PortChoice choice, OpenBy by = OpenBy::User);
  // Shows Closing, stops the activities, then closes the port and the live
  // log on the connection worker.
  void Close();
  // Looks for the rate at which the module on `port` answers, over the rate
  // list `rates` (entry 0 is the automatic one itself, never tried). The
  // state's rate shows each entry as it is tried; the detection ends in an
  // open at the rate that drew an answer (the one the port was opened at
  // when it began, if the first answer came at that), or, when none did,
  // in a close with an empty rate. False, and nothing done, while one runs.
  bool Detect(std::string port, int flow, std::vector<std::string> rates);

  // Queues `bytes` for the port on the send worker, after every earlier
  // send; recorded (counters, CRC-32, echo) when the port took them.
  void Send(Bytes bytes);
  // The modem lines, while the port is Open: DTR or RTS set on or off on
  // the send worker, after the sends queued before; the state's lines show
  // the new level, or that line alone as refused with the device's errno
  // (kept until a later set of it succeeds). The inputs are the device's,
  // and RTS belongs to the flow control when CTS flow control is on: both
  // ignored, as is a call in any other state. Opening asserts DTR and RTS.
  //
  // While Open the lines are read at once and then every modemPollPeriod,
  // on the session's own threads; a change is reported through the state.
  // A device that refuses the read (a pseudo-terminal does) shows all six
  // as refused with its errno, reported once. The lines are cleared when
  // the connection leaves Open.
  void SetModemLine(ModemLine line, bool on);
  // Holds the line in break for the system's break time, on the send
  // worker after the sends queued before; a device that refuses it is
  // reported (OnBreakRefused). Nothing when not Open.
  void SendBreak();

  // The multi-instruction mode: on or off, and its delay as typed.
  void SetInstructions(bool enabled, std::string delayText);
  const InstructionSequence& Instructions() const { return m_instructions; }
  // The user's send: the sequence starts afresh; with the mode on, `text` is
  // cut into instructions and `first` receives the one to send now (without
  // CR LF; empty when there is none). TooMany: nothing is loaded, nothing is
  // to be sent. Every received block with "OK" sends the next one.
  CutResult LoadInstructions(std::string_view text, std::string* first);
  // A query of the AT page: its answer is collected from now on and
  // reported (OnAtAnswer) once it holds "OK"; EndAtQuery ends the wait and
  // gives what came without "OK" (nullopt: nothing, or already reported).
  void BeginAtQuery();
  std::optional<std::string> EndAtQuery();

  // The timed send: `payload` written every `intervalMs` milliseconds, the
  // first time one interval from now, each write recorded as a send; one
  // that runs is replaced. `rateText` is the rate as chosen, read as a
  // whole number ("Auto" reads 0, which carries nothing): a payload the
  // line cannot carry that often is refused (kTooFast), as is an interval
  // the timer cannot run (kTimerRefused); a refused start changes nothing.
  // The state's timedSend says whether it runs. Writes need the open port;
  // a refused write is not reported, the next tick tries again.
  TimedSend::Result StartTimedSend(Bytes payload, std::int64_t intervalMs,
                                   std::string_view rateText);
  // The payload from the next tick on (the input box edited, New line
  // toggled); a tick that is sending goes on with the one it took.
  void SetTimedPayload(Bytes payload);
  std::shared_ptr<const Bytes> TimedPayload() const;
  // Never waits for a tick.
  void StopTimedSend();

  // The file transfer: the state's file, filePath and transfer tell it.
  // Every command returns at once.
  //
  // Reads the file at `path` on the file worker, to be sent in chunks sized
  // for `rateText` (read as StartTimedSend reads it); the state's file is
  // Loading, then Loaded or Unsendable (OnFileRefused says why; a file too
  // large or with no room in memory leaves the one in hand). Not while
  // sending (false); while paused, the new file is sent from its first byte
  // on resume.
  bool LoadFile(const std::string& path, std::string_view rateText);
  // Starts sending the loaded file, or resumes the paused transfer: only
  // while the port is Open (kNotNow otherwise, while sending, or while a
  // file loads; kNoFile with no file read).
  FileSend::Go SendFile();
  // Sending: pauses after the chunk under way (Paused). False otherwise.
  bool PauseFile();
  // Sending or paused: ends the transfer as stopped (OnTransferEnded, with
  // its figures; Idle). False when none is under way. A transfer's last
  // chunk ends it as finished the same way.
  bool StopFile();
  // Once a transfer has ended: the file back to its first byte, the
  // progress at 0. The next SendFile does so itself.
  void RewindFile();
  // The progress, for a refresh: thousandths and percent of the file sent
  // (0 with no file); the speed of the chunks written since the last sample
  // (one thread samples).
  int FileThousandths() const;
  double FilePercent() const;
  std::optional<std::int32_t> TakeFileSpeedSample();

  // The string cycle: the rows that are not empty (each followed by
  // `lineEnd`, empty for none), taken now, sent one every `intervalMs`
  // milliseconds in row order, forever, the first one interval from now;
  // one that runs is replaced. kNoRows when every row is empty,
  // kTimerRefused for an interval the timer cannot run; a refused start
  // changes nothing. The state's cycle says whether it runs.
  Cycle::Result StartCycle(const std::vector<StoredString>& rows, std::string_view lineEnd,
                           std::int64_t intervalMs);
  // Never waits for a tick.
  void StopCycle();

  // The pane menu's choice: a port lost while open (or saved but absent at
  // start-up) is opened again when it returns.
  void SetReopenOnReturn(bool on);
  // While the port list is dropped down the watch leaves it alone.
  void PauseWatch(bool paused);

  // Logs every received block to `path` (appended), with time stamps when
  // `stamps`, and every shown send too when `withSent` (direction markers as
  // the pane's echo has them); the port's close and a failed write stop it
  // too.
  void StartLiveLog(const std::string& path, bool stamps, bool withSent = false);
  void StopLiveLog();

  // Any thread.
  TrafficRecord& Record() { return m_record; }
  const TrafficRecord& Record() const { return m_record; }
  // The device is open: by a request, or by a detection trying a rate.
  bool PortOpen() const { return m_port.IsOpen(); }
  // No connection request runs or waits.
  bool ConnectionIdle() const;
  // How many times the port watch has woken (passes run or skipped).
  int WatchRounds() const { return m_watchRounds.load(); }
  SessionState State() const override;
  SpeedBytes TakeSpeedBytes();
  // The lines the session wrote into the pane, oldest first.
  std::vector<std::string> PaneNotes() const;
  // The port the settings file names: the chosen port that is absent (lost,
  // or saved but not there at start-up), else the one last chosen; empty
  // when none was.
  std::string PortToSave() const;
  // The port list: the extra ports, then the system's; the placeholder
  // alone when there is none.
  std::vector<std::string> Ports() const;
  // What an activity uses of the session; the session's own are built on it.
  SessionLink& Link() { return *this; }
  // Also called whenever the session's own activities stop (a close, an
  // open, a lost port, the closing order): for anything else that must end
  // with them. Any thread, never from within such a call.
  void OnStopActivities(std::function<void()> stop);

 private:
  struct LostPort {
    PortChoice choice;
    std::chrono::steady_clock::time_point at;
    // When the open port went away; none for a saved port absent at start-up.
    std::optional<WallClock::time_point> wallAt;
  };

  // SessionLink.
  bool SendRecorded(const std::uint8_t* bytes, std::int32_t count) override;
  bool SendCounted(const std::uint8_t* bytes, std::int32_t count) override;
  void CountTransferEnd() override;
  void ChangeState(const std::function<void(SessionState&)>& change) override;
  SessionEvents& Events() override { return m_events; }

  // Writes through the port and counts what it took; `shown`: the echo
  // goes into the pane too.
  bool Write(const std::uint8_t* bytes, std::int32_t count, bool shown);

  // The receive path, on the port's reader: every block recorded, logged,
  // and handed to whoever waits for one.
  void OnComRead(const std::uint8_t* bytes, std::uint32_t count);

  // Every activity stops: the one place that stops them all. Called once
  // the connection has left Open (a file transfer checks it to start), and
  // never under the state lock (the activities change the state under
  // locks of their own).
  void StopActivities();

  // Connection requests. A command counts its request and shows its
  // state at once; the request's task settles the state it leaves once no
  // other is left (Settle).
  void Request(Connection showing, std::function<Connection()> task);
  void Settle(Connection outcome);
  // On the connection worker: the port closed, then `choice` opened. True
  // when it is open afterwards.
  bool OpenNow(const PortChoice& choice, OpenBy by);
  // The user's choice, or the port just opened: the state shows it, the
  // settings file names it, and a port that went away is forgotten (one
  // the user chose again only once it opens).
  void Choose(const PortChoice& choice, bool opened);
  void CloseNow();
  Connection DetectNow(const PortChoice& choice, const std::vector<std::string>& rates);
  Connection ReopenNow(const LostPort& lost);
  void ReportOpenFailure(const OpenFailure& failure, OpenBy by);

  // The port watch.
  void WatchThread();
  void WatchPass();
  void ReopenReturnedPort();
  std::vector<std::string> ListPorts(std::size_t capacity) const;
  bool Listed(const std::string& port) const;

  // The modem lines. FollowConnection keeps the lines and their reading in
  // step with the connection: called by ChangeState under m_stateLock with
  // the state before and after a change; it returns what the reading must
  // do once that lock is released (FollowLines, under m_reportLock).
  enum class LinesReading { Keep, Start, Stop };
  LinesReading FollowConnection(Connection before, SessionState& after);
  void FollowLines(LinesReading reading);
  // Reads the lines and shows them, unless the connection has left Open or
  // opened again since the read began.
  void ReadModemLines();
  // The connection is Open, and has not left Open since `epoch` was read.
  bool OpenNowAndSince(std::uint32_t epoch) const;

  void AddPaneNote(const std::string& line);
  void NoteMissingPort(const std::string& port, bool keepEarlier);
  std::string NoteText(std::uint16_t id, std::initializer_list<std::string_view> args) const;

  SessionEvents& m_events;
  const SessionOptions m_options;

  // The state: m_stateLock guards it and m_requests (connection requests
  // queued or running); m_reportLock is held from a change to its report,
  // so that reports come in the order of the changes.
  mutable std::mutex m_stateLock;
  SessionState m_state;
  int m_requests = 0;
  std::mutex m_reportLock;
  // Guarded by m_stateLock: the errno of the last read of the modem lines
  // and of the last set of each output line (0: taken). The epoch counts
  // every entry into and exit from Open (changed under m_stateLock, read
  // anywhere), so a read or set of an earlier opening shows nothing.
  int m_linesReadError = 0;
  std::array<int, 2> m_linesSetError{};
  std::atomic<std::uint32_t> m_linesEpoch{0};

  // Guarded by m_lock: the lists, the notes and the bookkeeping of the port
  // chosen, missing and lost.
  mutable std::mutex m_lock;
  std::vector<std::string> m_ports;        // as the window lists them
  std::vector<std::string> m_watchNames;   // as the watch saw them last
  std::vector<std::string> m_paneNotes;
  std::string m_chosenPort;
  std::optional<LostPort> m_lostPort;
  std::vector<std::function<void()>> m_activityStops;

  // Fed by the reader, each guarding itself.
  TrafficRecord m_record;
  InstructionSequence m_instructions;
  AtAnswer m_atAnswer;
  LiveLog m_liveLog;
  std::atomic<std::int32_t> m_txSpeedBytes{0};
  std::atomic<std::int32_t> m_rxSpeedBytes{0};

  // The rate detection: one at a time (m_detecting); the reader stores an
  // answer while m_probeIndex is above 0; the closing order raises
  // m_stopDetect to end it at its next wait.
  std::atomic<int> m_detecting{0};
  std::atomic<int> m_stopDetect{0};
  std::atomic<std::int32_t> m_probeIndex{0};
  std::mutex m_probeLock;
  std::string m_probeReply;
  // The rate text the port was last opened at by a request: the connection
  // worker only.
  std::string m_openedRate;

  // The reopen choice, the watch's pause and its thread.
  std::atomic<int> m_reopenOnReturn{0};
  std::atomic<int> m_watchPaused{0};
  std::atomic<int> m_watchRounds{0};
  std::atomic<int> m_stopWatch{0};
  std::atomic<int> m_shutDown{0};
  StopWait m_stopWait;
  std::thread m_watchThread;

  // The port, and the workers that use it: declared last, so that they go
  // first should Shutdown not have run.
  CComPort m_port{[this](const std::uint8_t* bytes, std::uint32_t count) { OnComRead(bytes, count); }};
  TaskQueue m_connection;
  TaskQueue m_sender;
  // Reads the modem lines while the port is Open.
  TickTimer m_linesTimer;
  // The timed send, the file transfer and the string cycle, on this
  // session's link: they write through the port, so they go before it.
  Activities m_activities{*this};
};

}  // namespace zephyn
