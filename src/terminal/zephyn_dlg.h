// The terminal's one window. It ties together the parts that own the
// terminal's state: the record of the traffic (buffers, counters, CRC-32,
// capture), the multi-instruction sequence, the connection requests, the two
// pages of the side panel and its control facade, and it runs the threads
// that keep the window current.
#pragma once

#include <QDialog>
#include <QIcon>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/advanced_settings.h"
#include "common/at_answer.h"
#include "common/codecs.h"
#include "common/file_transfer.h"
#include "common/instructions.h"
#include "common/periodic_timer.h"
#include "common/stop_wait.h"
#include "common/task_queue.h"
#include "common/text_ids.h"
#include "common/texts.h"
#include "common/time_stamp.h"
#include "dialogs/controls.h"
#include "serial/baud_search.h"
#include "serial/com_port.h"
#include "serial/port_list.h"
#include "storage/live_log.h"
#include "storage/pane_options.h"
#include "storage/traffic_record.h"
#include "storage/whole_file.h"
#include "terminal/pane_refresher.h"
#include "terminal/save_controller.h"
#include "terminal/window_anchors.h"

namespace zephyn {

class CQuickSend;
class CMoreStrSend;
class FindBar;

// What the program was started with beyond the settings file.
struct StartOptions {
  std::vector<std::string> extraPorts;       // listed before the system's ports
  std::string sysfsRoot = SystemPortsRoot();  // where the system lists its ports
  std::string dataFolder;  // holds the capture's "data" folder; empty: the default
  // How often the port watch compares the port list with the system's.
  std::chrono::milliseconds portWatchPeriod{3000};
  // How long each step of the baud detection waits for an answer and lets
  // the port settle after a reopen.
  BaudSearchWaits baudSearchWaits;
  // The settings file read at start-up and written at close; empty: none
  // (the program passes FindSettingsFiles()). The fallback is read instead
  // while there is no file at settingsPath (the pane menu's file beside it
  // likewise); empty: none.
  std::string settingsPath;
  std::string settingsFallbackPath;
  // How long after a drop a returning device is still reopened.
  std::chrono::milliseconds reopenLimit{std::chrono::minutes(10)};
};

// What of `text` the input box takes in hex mode: hexadecimal digits and
// blanks, the characters that typing lets in.
QString HexInputOnly(const QString& text);

class CZephynDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CZephynDlg(Language language, StartOptions options = {}, QWidget* parent = nullptr);
  ~CZephynDlg() override;

  // Builds the controls and runs the start-up sequence; then runs the window
  // modally until it closes.
  int DoModal();
  // The start-up sequence alone (tests show the window themselves).
  bool OnInitDialog();

  Controls& controls() { return m_controls; }
  Language language() const { return m_language; }
  CQuickSend* quickSend() const { return m_quickSend; }
  CMoreStrSend* moreStrSend() const { return m_moreStrSend; }
  // What was sent and received since the last Clear; it guards itself.
  TrafficRecord& record() { return m_record; }
  // The save under way, if any (Save starts it on a worker).
  SaveJob& saveJob() { return m_save.job(); }

  AdvancedSettings advancedSettings() const;
  void SetAdvancedSettings(const AdvancedSettings& settings);
  // The advanced-settings button: the password dialog, then, for the right
  // password, the advanced settings dialog. Both are modal; the password is
  // asked at every press.
  void OnAdvancedSettings();

  void InitTabs();
  void OnTabSelChange();
  // Flag 1: enables the input box, Send, File and Timing and shows the side
  // panel; flag 0 does the reverse and shows the placeholder. Any thread.
  void EnableSendControls(int flag);
  void OnActivateApp(bool active);
  void Clear();
  // Writes the counter labels from the record. Any thread.
  void ShowTxCounters();
  void ShowRxCounters();

  // Connection control: the open/close button and the three lists decide
  // whether the port is open and how. Opening and closing run one after
  // another on the connection worker, so the window never waits for the
  // device and no two of them overlap.
  void OnOpenCloseClicked();
  void OnPortSelChange();
  void OnBaudSelChange();
  void OnFlowSelChange();
  void StartOpenThread();
  void ClosePort();
  void StopActivities();
  // True when no open or close request runs or waits.
  bool connectionIdle() const { return m_connection.Idle(); }

  // The current port list: the extra ports, then the system's.
  std::vector<std::string> EnumeratePorts(std::size_t capacity) const;
  // How many times the port watch has woken (passes run or skipped).
  int portWatchRounds() const { return m_portWatchRounds.load(); }

  // Receiving and sending.
  // Writes through the port and records what was written (counters, CRC,
  // echo). 1 when the port took the bytes, 0 otherwise. Any thread.
  int SendBytes(const std::uint8_t* bytes, std::int32_t count);
  void RebuildSendBuf();
  void OnSend();
  void OnHexSendClicked();
  void OnNewLineClicked();
  void OnSave() { m_save.OnSave(); }
  // The bytes the input box stands for as typed, line breaks as CR LF.
  std::string InputText() const;
  // The timed-send payload; a tick holds its own reference while it sends.
  std::shared_ptr<const Bytes> TimedSendPayload() const;

  // Timed send: 1 starts repeating the input box's bytes at the interval of
  // the interval box, when the line can carry them; 0 stops (any thread).
  void StartTimedSend(int flag);

  // File send: choosing and loading a file, Send file (start, pause,
  // resume) and Stop. FinishFileSend runs the closing steps of a transfer
  // with the caption of its statistics box (kSendStopped for a stop,
  // kSendFinished after the last chunk); any thread, once per transfer.
  // The chosen file is read on a worker while the window goes on; Send file
  // waits for it (fileLoading).
  void OnChooseFile();
  bool fileLoading() const { return m_fileLoads != 0; }
  void OnSendFile();
  void OnStopSend();
  void FinishFileSend(std::uint16_t captionId);

  // The layout pass: every control moved or stretched by its anchor by the
  // change of the client size since the last pass, the side panel's pages
  // fitted into the tab control, the link zones taken again.
  void RelayoutControls();
  // The About-us button: the maker's about page.
  void OnAbout();

  // The receive pane's menu (right click, or the menu key) and its choices,
  // which live in a file of their own beside the settings file.
  PaneOptions paneOptions() const;
  void SetPaneOptions(const PaneOptions& options);
  // Opens the menu at `globalPos`; it closes when a choice is made.
  void ShowPaneMenu(const QPoint& globalPos);

  // The live log: "Log to file..." asks for a file and starts the log;
  // "Stop logging", closing the port or a failed write end it.
  void OnLogToFile();
  void StartLiveLog(const QString& path);
  void StopLiveLog();
  bool liveLogActive() const { return m_liveLog.Active(); }

  // The find bar over the bottom of the receive pane (Ctrl+F in the pane).
  void OpenFindBar();
  FindBar* findBar() const { return m_findBar; }

  // The lines the program wrote into the receive pane, oldest first: where
  // a lost port was reopened, a saved port that was not there at start-up,
  // why an open of the program's own failed.
  std::vector<QString> paneNotes() const;

  // How many times the closing order has run (once, however the window closes).
  int closingRuns() const { return m_closingRuns; }
  bool threadsRunning() const;

 public slots:
  void reject() override;

 protected:
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  void ConnectHandlers();
  // The least horizontal dialog unit (avgCharWidth) of the window whose
  // tab control holds both side-panel pages whole.
  double SidePanelUnit(Language language);
  // The anchors of the controls, the start-up size and the minimum size.
  void InitLayout();
  // The web label's colour, the About-us button and the link zones' cursor.
  void InitLinks();
  void TakeLinkZones();
  // The start-up steps: the controls from the template of the window's
  // language with their handlers and the icon; the flags' start values; the
  // controls' start values the template does not give; the receive pane's
  // colour and face; the lists' entries; the port list.
  void CreateControls();
  void ResetState();
  void ResetViewAndSendControls();
  void InitReceivePaneLook();
  void FillLists();
  void FillPortList();
  // The pane menu's choices and the settings file read back; the port that
  // was saved opens by itself when it is listed.
  void RestoreLastSession();
  // The settings file: read back into the controls at start-up, all but the
  // port, which is returned (nullopt when no file was read; empty when it
  // names none); written from them at close (false when that failed; the
  // user has been told).
  std::optional<QString> LoadSettings();
  bool SaveSettings();
  // At start-up: selects and opens `port` when the list holds it; otherwise
  // opens nothing, says so in the receive pane and, with the pane menu's
  // reopen choice on, opens it once the port watch lists it.
  void OpenSavedPort(const QString& port);
  void StartThreads();
  void StopThreads();
  void OnClose();
  // The closing steps: the threads and workers stopped before anything they
  // use goes, then everything that sends.
  void StopWorkers();
  void StopSending();

  // Who asked for an open: the user, who is told in a box why it failed; or
  // the program (at start-up, or for a device that returned), which writes
  // why in one line of the receive pane, and nothing when there is no rate.
  enum class OpenBy { User, Program };
  void OpenPortWorker(OpenBy by = OpenBy::User);
  void ClosePortWorker();
  // Automatic baud detection, a task of the connection worker.
  void AutoBaudWorker();
  // The port list shows the placeholder that stands for no port.
  bool NoPortListed() const;
  // The port list's selected entry; empty when none is selected.
  QString SelectedPort() const;
  // The port the user chose whose device is not listed now (the saved one
  // at start-up, or one that went away), kept until another is chosen or
  // a port opens: the settings file keeps naming it. Any thread.
  void NoteMissingPort(const QString& port, bool keepEarlier);
  void ForgetMissingPort();
  // The port the settings file names: the missing one, else the selection.
  QString PortToSave() const;
  // The open/close button shows the open state.
  bool PortShownOpen() const;
  // Tells why `path` could not be opened: `error` and its errno `err` from
  // the port, or PortError::None when the `rate` text is no rate; in a box
  // (posted) or, for an open of the program's own, in the receive pane. Any
  // thread.
  void ReportOpenFailure(const std::string& path, const QString& rate, PortError error, int err,
                         OpenBy by);

  void PortWatchThread();
  void PortWatchPass();
  // Reopening a port whose device came back: the drop is noted by the port
  // watch when the open port's device goes; after each pass the watch looks
  // for the device again and has the connection worker reopen it.
  void NoteLostPort(const QString& port);
  void ReopenReturnedPort();
  struct LostPort {
    QString name;
    QString rate;
    int flow = 0;
    std::chrono::steady_clock::time_point at;
    // When the open port went away; none for a saved port that was not
    // there at start-up.
    std::optional<WallClock::time_point> wallAt;
  };
  void ReopenWorker(const LostPort& lost);
  // The end of a pass that changed the list: the first entry selected when
  // the chosen device has gone, and the controls that need a port.
  void FinishPortWatchPass(bool selectFirst);
  // What the refresher reads of the window.
  PaneRefresher::Inputs RefresherInputs();

  // The pane's menu and find bar, and the choices' file (start-up, close).
  void InitPaneExtras();
  void LoadPaneOptions();
  // `report`: a failure is told (not when the settings file's was already).
  void SavePaneOptions(bool report);
  void ReportLogFailure(const LogFailure& failure);
  // A settings file that could not be written: the file, why, and that the
  // choices of this run are not kept. Window thread.
  void ReportSettingsWriteFailure(const std::string& path, int error);
  // The settings file or the pane menu's file at start-up, or the fallback
  // while there is none at `path`; nothing when neither can be read, with a
  // line on standard error when one is there but cannot be read.
  std::optional<std::string> ReadFileAtStart(const std::string& path,
                                             const std::string& fallback) const;

  void OnReceived(const std::uint8_t* bytes, std::uint32_t count);
  void ShowCounters(int id, const TrafficCounters& counters);
  void ReportSpillFailure(const SpillFailure& failure);
  void ReportDropped(std::uint64_t dropped);
  // The capture's memory budget as the warnings show it.
  QString BudgetText() const;
  // Start-up: the captures that runs which ended without closing left
  // behind are kept under their recovered names, and a box posted once
  // tells the user where they are (removing them is up to the user).
  void KeepCapturesOfEndedRuns();
  // Why the open of `path` (shown as `device`) was refused and what the
  // user can do about it.
  QString PermissionAdvice(const std::string& path, const QString& device) const;
  // Shows a warning box on the window's thread; any thread, never waits.
  void PostWarning(const QString& text, const QString& caption);
  // Writes `line` into the receive pane where the traffic stands now, on a
  // line of its own. Any thread.
  void AddPaneNote(const QString& line);

  // A tick of the timed send: the payload once more. The timer's thread.
  void TimedSendTick();
  // Stops the timed send's timer, if one runs; any thread but its tick.
  void KillTimedSendTimer();
  // One write of a file transfer: through the port, counted but not shown.
  bool WriteFileChunk(const std::uint8_t* bytes, std::int32_t count);
  // The controls once no transfer is under way: Send file, the send
  // controls (with the port), Stop off, the connection controls on.
  void ShowFileReady();
  // The end of reading the chosen file at `path`: the file becomes the one
  // in hand, or the reason it cannot is told. `sendable`: Send file was on
  // when the file was chosen. Window thread.
  void FinishChooseFile(const QString& path, WholeFile file, bool sendable);

  bool eventFilter(QObject* watched, QEvent* event) override;
  bool FilterKey(QObject* watched, QEvent* event);
  // Hex mode's filter of the input box, for text that enters it other
  // than by keys.
  void FilterHexInput();

  // Fixed for the run.
  const Language m_language;
  const StartOptions m_options;
  QIcon m_hIcon;

  // Window thread only.
  Controls m_controls;  // itself callable from any thread
  bool m_initialised = false;
  int m_closingRuns = 0;  // the window has closed once it is above 0
  bool m_ctrlDown = false;
  CQuickSend* m_quickSend = nullptr;  // children of the tab control
  CMoreStrSend* m_moreStrSend = nullptr;
  WindowLayout m_layout;
  // The input box's bytes, rebuilt at every edit.
  std::vector<std::uint8_t> m_sendBuf;
  std::int32_t m_sendLen = 0;

  // The pane menu's choices: written on the window thread; the reader, the
  // refresh thread and the port watch read them.
  std::atomic<int> m_paneTimestamps{0};
  std::atomic<int> m_reopenOnReturn{0};
  std::atomic<int> m_logTimestamps{0};
  FindBar* m_findBar = nullptr;  // window thread; a child of the pane
  // The live log: started and stopped on the window thread and by the
  // connection worker's close, fed by the reader; it guards itself.
  LiveLog m_liveLog{[this](const LogFailure& failure) { ReportLogFailure(failure); }};
  // A port lost while open, or saved but absent at start-up, whose device
  // may come back: set by the start-up before the port watch starts, then
  // the port watch's only.
  std::optional<LostPort> m_lostPort;
  // The pane's notes: any thread adds and reads.
  mutable std::mutex m_notesLock;
  std::vector<QString> m_paneNotes;
  // See NoteMissingPort.
  mutable std::mutex m_missingPortLock;
  QString m_missingPort;

  // The traffic: written by the port's reader and every sender, read by the
  // refresh thread, Save and Clear; it has its own lock.
  TrafficRecord m_record;
  // Save, its worker and its boxes.
  SaveController m_save{*this, m_controls, m_record, m_language};
  // Bytes since the speed labels were last drawn: recorders add, the
  // refresher takes.
  std::atomic<std::int32_t> m_txSpeedBytes{0};
  std::atomic<std::int32_t> m_rxSpeedBytes{0};

  // Multi-instruction mode: loaded on the window thread, moved on by the
  // reader; it has its own lock. The UTF-8 view: written on the window
  // thread, read by the refresh thread.
  InstructionSequence m_instructions;
  std::atomic<int> m_advanceUtf8Check{0};

  // The timed-send payload: built on the window thread, sent by the timer's
  // ticks, which take their own reference under the lock.
  mutable std::mutex m_timedSendLock;
  std::shared_ptr<const Bytes> m_timedSendBuf;

  // Listeners of the receive path. The baud probe's reply: the reader writes,
  // the detection reads, under m_probeLock. An AT query's answer: the AT page
  // begins and ends its wait, the reader hands in the blocks; it has its own
  // lock.
  std::atomic<std::int32_t> m_baudProbeIndex{0};
  std::mutex m_probeLock;
  std::string m_baudProbeReply;
  AtAnswer m_atAnswer;

  // Activities that a close of the port stops: read by the port watch and
  // the connection worker, written by their owners. The timed send's timer:
  // started by the window thread, killed by whichever thread stops it first.
  // The file transfer: started, paused, resumed and replaced on the window
  // thread, which alone waits for its sender; the sender, the port watch and
  // the window thread end it (m_fileTransferActive: a transfer is under way,
  // sending or paused; whoever clears it runs the closing steps); the
  // refresh thread reads its progress. m_fileClosing: its statistics box is
  // open, until the window thread has closed it.
  std::atomic<TimerId> m_timedSendTimer{0};
  std::atomic<int> m_fileTransferActive{0};
  std::atomic<int> m_fileClosing{0};
  mutable std::mutex m_filePathLock;  // m_filePath: window thread writes, refresh reads
  std::string m_filePath;
  FileTransfer m_fileTransfer{[this](const std::uint8_t* bytes, std::int32_t count) {
                                return WriteFileChunk(bytes, count);
                              },
                              [this] { FinishFileSend(TextId::kSendFinished); }};

  // The port list as last seen by the port watch: filled at start-up, then
  // the watch thread's alone. m_portWatchEnabled: the window thread pauses
  // the watch while the list is dropped down.
  std::vector<std::string> m_portNames;
  std::atomic<int> m_portWatchEnabled{1};
  std::atomic<int> m_portWatchRounds{0};

  // Connection requests, one after another.
  TaskQueue m_connection;
  // The rate text the port was last opened at by a request: the connection
  // worker only. A baud detection runs on that worker too; the window thread
  // starts one only while m_autoBaudRunning is 0 and the detection clears it
  // at its end; the closing order raises m_stopAutoBaud to end it early.
  QString m_openedRate;
  std::atomic<int> m_autoBaudRunning{0};
  std::atomic<int> m_stopAutoBaud{0};

  // The port watch's thread and its stop flag (the detection's too).
  StopWait m_stopWait;
  std::atomic<int> m_stopPortWatch{0};
  std::thread m_portWatchThread;
  // The pane's refresh and the speed labels, on threads of its own; after
  // everything its inputs read, so that it stops before they go.
  PaneRefresher m_refresher{m_controls, m_record, RefresherInputs()};

  // Reads the file chosen to send. Last, so that it ends before anything a
  // reading's end uses goes. m_fileLoads: readings not ended yet (window
  // thread).
  int m_fileLoads = 0;
  TaskQueue m_fileLoader;
};

}  // namespace zephyn
