// The terminal's one window: a view over the terminal's session. It builds
// its controls from the template of its language, forwards what the user
// does to the session (src/session/session.h, where the terminal's rules and
// threads live) and draws what the session reports: its state through the
// enablement rule, the port list, the boxes that tell of failures, and the
// traffic, which the pane refresh brings to the pane.
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
#include "serial/port_list.h"
#include "session/session.h"
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
class StatusStrip;

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

class CZephynDlg : public QDialog, private SessionEvents {
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
  StatusStrip* statusStrip() const { return m_strip; }
  // The terminal's session: its state, its record of the traffic.
  Session& session() { return m_session; }
  TrafficRecord& record() { return m_session.Record(); }
  const TrafficRecord& record() const { return m_session.Record(); }
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
  void OnActivateApp(bool active);
  void Clear();
  // Writes the counter labels from the record. Any thread.
  void ShowTxCounters();
  void ShowRxCounters();

  // Connection control: the open/close button and the three lists are
  // forwarded to the session as the user's choice of port, rate and flow.
  void OnOpenCloseClicked();
  void OnPortSelChange();
  void OnBaudSelChange();
  void OnFlowSelChange();
  void StartOpenThread();
  void ClosePort();
  // True when no open or close request runs or waits and the window shows
  // the state the last one left.
  bool connectionIdle() const { return m_session.ConnectionIdle() && stateDrawn(); }
  // True when the window shows the session's state as it is now.
  bool stateDrawn() const { return m_state == m_session.State(); }
  // How many times the port watch has woken (passes run or skipped).
  int portWatchRounds() const { return m_session.WatchRounds(); }

  // Sending: the bytes go to the session's send worker in order. Any thread.
  void SendBytes(Bytes bytes);
  void RebuildSendBuf();
  void OnSend();
  void OnHexSendClicked();
  void OnNewLineClicked();
  void OnSave() { m_save.OnSave(); }
  // The bytes the input box stands for as typed, line breaks as CR LF.
  std::string InputText() const;
  // The timed-send payload; a tick holds its own reference while it sends.
  std::shared_ptr<const Bytes> TimedSendPayload() const;
  // The input box's bytes, with the chosen line end when New line is on.
  Bytes TimedPayloadOfInput() const;

  // The input box's menu (right click, or the menu key): its own edit
  // entries, then what New line appends. The choice, kept with the pane
  // menu's, applies to the input box, the timed send and the stored-strings
  // page.
  void ShowInputMenu(const QPoint& globalPos);
  void SetLineEnd(LineEnd end);
  // Ctrl+Up and Ctrl+Down in the input box: an older or newer input that
  // was sent, with the Hex box as it was; nothing when there is none.
  void RecallInput(bool older);

  // Timed send: 1 starts repeating the input box's bytes at the interval of
  // the interval box, when the line can carry them; 0 stops.
  void StartTimedSend(int flag);

  // File send: choosing a file (the session reads it on its worker, while
  // fileLoading), Send file (start, pause, resume) and Stop.
  void OnChooseFile();
  bool fileLoading() const;
  void OnSendFile();
  void OnStopSend();

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
  bool liveLogActive() const { return m_session.State().liveLog; }

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
  // The status strip below the template's controls; the window grows by
  // its height. DTR and RTS clicked there go to the session.
  void InitStatusStrip();
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
  // The pane menu's choices and the settings file read back; the session
  // starts with the port that was saved (it opens it when it is listed).
  void RestoreLastSession();
  // The settings file: read back into the controls at start-up, all but the
  // port, which is returned (nullopt when no file was read; empty when it
  // names none); written from them at close (false when that failed; the
  // user has been told).
  std::optional<QString> LoadSettings();
  bool SaveSettings();
  void StartThreads();
  void StopThreads();
  void OnClose();
  // The closing steps: the threads and the save stopped before anything
  // they use goes, then the session's closing order.
  void StopWorkers();
  void StopSending();

  // The port list shows the placeholder that stands for no port.
  bool NoPortListed() const;
  // The port list's selected entry; empty when none is selected.
  QString SelectedPort() const;
  // What the user chose to open: the selected port, the rate box's text and
  // the flow-control entry.
  PortChoice Choice() const;
  // The rate list's entries as text, the automatic one first.
  std::vector<std::string> RateEntries() const;

  // What the session tells, on its workers: each is posted to the window's
  // thread and drawn there (the traffic only marks the pane as behind).
  void OnStateChanged(const SessionState& state) override;
  void OnPortsChanged(const std::vector<std::string>& ports) override;
  void OnOpenFailed(const OpenFailure& failure) override;
  void OnPortLost(const std::string& port) override;
  void OnTrafficChanged() override;
  void OnAtAnswer(const std::string& text) override;
  void OnFileRefused(const std::string& path, const WholeFile& file) override;
  void OnTransferEnded(const TransferStats& stats, TransferEnd end) override;
  void OnSpillFailure(const SpillFailure& failure) override;
  void OnDropped(std::uint64_t bytes) override;
  void OnLogFailure(const LogFailure& failure) override;
  void OnBreakRefused(int error) override;
  // Drawing on the window's thread: the controls by the enablement rule, the
  // rate box while a detection shows its entries, the port list in place.
  void DrawState();
  void DrawStateOnce(const SessionState& state);
  void DrawRate(const std::string& rate);
  void DrawChoice(const SessionState& state);
  // Shows a box on the window's thread, in the order of the reports, but
  // never inside a draw of the state. Any thread.
  void PostBox(std::function<void()> show);
  void ShowBox(const std::function<void()>& show);
  void DrawPorts(const std::vector<std::string>& ports);
  // After a lost port's box: the first entry selected when the chosen
  // device has not come back.
  void SelectFirstUnlessReopened();

  // What the refresher reads of the window.
  PaneRefresher::Inputs RefresherInputs();

  // The pane's menu and find bar, and the choices' file (start-up, close).
  void InitPaneExtras();
  void InitInputMenu();
  void LoadPaneOptions();
  // `report`: a failure is told (not when the settings file's was already).
  void SavePaneOptions(bool report);
  // A settings file that could not be written: the file, why, and that the
  // choices of this run are not kept. Window thread.
  void ReportSettingsWriteFailure(const std::string& path, int error);
  // The settings file or the pane menu's file at start-up, or the fallback
  // while there is none at `path`; nothing when neither can be read, with a
  // line on standard error when one is there but cannot be read.
  std::optional<std::string> ReadFileAtStart(const std::string& path,
                                             const std::string& fallback) const;

  void ShowCounters(int id, const TrafficCounters& counters);
  // The capture's memory budget as the warnings show it.
  QString BudgetText() const;
  // Start-up: the captures that runs which ended without closing left
  // behind are kept under their recovered names, and a box posted once
  // tells the user where they are (removing them is up to the user).
  void KeepCapturesOfEndedRuns(const std::vector<std::string>& kept);
  // Shows a warning box on the window's thread; any thread, never waits.
  void PostWarning(const QString& text, const QString& caption);

  bool eventFilter(QObject* watched, QEvent* event) override;
  bool FilterKey(QObject* watched, QEvent* event);
  // Hex mode's filter of the input box, for text that enters it other
  // than by keys.
  void FilterHexInput();

  // Fixed for the run.
  const Language m_language;
  const StartOptions m_options;
  QIcon m_hIcon;

  // Window thread only: the window owns no thread, and nothing here is
  // shared with one.
  Controls m_controls;  // itself callable from any thread
  bool m_initialised = false;
  int m_closingRuns = 0;  // the window has closed once it is above 0
  bool m_ctrlDown = false;
  CQuickSend* m_quickSend = nullptr;  // children of the tab control
  CMoreStrSend* m_moreStrSend = nullptr;
  WindowLayout m_layout;
  // The input box's bytes, rebuilt at every edit.
  Bytes m_sendBuf;

  // The pane menu's choices.
  PaneOptions m_paneOptions;
  // The advanced settings' UTF-8 view of the pane.
  bool m_utf8View = false;
  FindBar* m_findBar = nullptr;  // window thread; a child of the pane
  StatusStrip* m_strip = nullptr;  // window thread; a child of the window
  // The session's state as last drawn (window thread): what the window's
  // handlers go by, never a caption or a check box.
  SessionState m_state;
  // A lost port's box is open: the port list keeps its selection until it
  // is closed.
  bool m_lostBoxOpen = false;
  // Draws of the state under way (one may run within another).
  int m_drawDepth = 0;


  // The terminal's session: after the controls its reports are drawn on.
  // The window's closing order (or its destructor) shuts it down before any
  // member goes.
  Session m_session;
  // Save, its worker and its boxes.
  SaveController m_save{*this, m_controls, m_session.Record(), m_language};
  // The pane's refresh and the speed labels, on threads of its own; last, so
  // that it stops before anything its inputs read goes.
  PaneRefresher m_refresher{m_controls, m_session.Record(), RefresherInputs()};
};

}  // namespace zephyn
