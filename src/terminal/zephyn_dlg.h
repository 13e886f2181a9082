// The terminal's one window. It owns the state that every part of the
// terminal shares: the byte buffers of what is sent, received and shown, the
// counters and CRC-32 values, the flags that coordinate the worker threads,
// the two pages of the side panel, and its control facade.
#pragma once

#include <QDialog>
#include <QIcon>
#include <QRect>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "common/codecs.h"
#include "common/stop_wait.h"
#include "common/texts.h"
#include "common/worker_threads.h"
#include "dialogs/controls.h"
#include "storage/save_file.h"

namespace zephyn {

class CQuickSend;
class CMoreStrSend;

// What the program was started with beyond the settings file.
struct StartOptions {
  std::vector<std::string> extraPorts;       // listed before the system's ports
  std::string sysfsRoot = "/sys/class/tty";  // where the system's ports are found
  std::string dataFolder;  // holds the capture's "data" folder; empty: the default
};

// The port's receive callback: `window` is the main window.
void OnComRead(void* window, const std::uint8_t* bytes, std::uint32_t count);

class CZephynDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr std::int32_t kSendBufSize = 9'999'999;
  static constexpr std::int32_t kBufSize = 2'000'000;

  explicit CZephynDlg(Language language, StartOptions options = {}, QWidget* parent = nullptr);
  ~CZephynDlg() override;

  // Builds the controls and runs the start-up sequence; then runs the window
  // modally until it closes.
  int DoModal();
  // The start-up sequence alone (tests show the window themselves).
  bool OnInitDialog();

  Controls& controls() { return m_controls; }
  Language language() const { return m_language; }

  void InitTabs();
  void OnTabSelChange();
  // Flag 1: enables the input box, Send, File and Timing and shows the side
  // panel; flag 0 does the reverse and shows the placeholder. Any thread.
  void EnableSendControls(int flag);
  void OnActivateApp(bool active);
  void Clear();
  void ShowTxCounters();
  void ShowRxCounters();

  // Connection control: the open/close button and the three lists decide
  // whether the port is open and how. Opening and closing the window's state
  // run on short-lived workers so the window never waits for the device.
  void OnOpenCloseClicked();
  void OnPortSelChange();
  void OnBaudSelChange();
  void OnFlowSelChange();
  void StartOpenThread();
  void ClosePort();
  void StopActivities();
  void OpenPortWorker();
  void ClosePortWorker();

  // Tells the user, once per device and run, that `path` could not be opened
  // for lack of permission and which group to join.
  void ReportOpenFailure(const std::string& path);

  // The current port list: the extra ports, then the system's.
  std::vector<std::string> EnumeratePorts(std::size_t capacity) const;

  // Receiving and sending.
  // Writes through the port and records what was written (counters, CRC,
  // echo). 1 when the port took the bytes, 0 otherwise. Any thread.
  int SendBytes(const std::uint8_t* bytes, std::int32_t count);
  void RebuildSendBuf();
  void OnSend();
  void OnHexSendClicked();
  void OnNewLineClicked();
  void OnSave();
  // The bytes the input box stands for as typed, line breaks as CR LF.
  std::string InputText() const;
  // The timed-send payload; a tick holds its own reference while it sends.
  std::shared_ptr<const Bytes> TimedSendPayload() const;

  // How many times the closing order has run (once, however the window closes).
  int closingRuns() const { return m_closingRuns; }
  bool threadsRunning() const;

  // Members shared with the rest of the terminal; the names say what they hold.
  QIcon m_hIcon;
  QRect m_linkTextRect;
  QRect m_bannerRect;

  std::mutex m_multCmdLock;  // m_multCmds and m_multCmdDelay: window and reader thread
  std::string m_multCmds[20];
  std::atomic<std::int32_t> m_multCmdCount{0};
  std::atomic<std::int32_t> m_multCmdIndex{0};

  std::atomic<std::int32_t> m_baudProbeIndex{0};
  std::string m_baudProbeReply;

  std::string m_portNames[50];  // UTF-8, as the file system names them
  std::int32_t m_portCount = 0;

  std::atomic<std::int32_t> m_txSpeedBytes{0};
  std::atomic<std::int32_t> m_rxSpeedBytes{0};

  // Grows past its first capacity rather than cut long input.
  std::vector<std::uint8_t> m_sendBuf;
  std::int32_t m_sendLen = 0;
  mutable std::mutex m_timedSendLock;  // the payload pointer and length change together
  std::shared_ptr<const Bytes> m_timedSendBuf;
  std::int32_t m_timedSendLen = 0;

  std::unique_ptr<std::uint8_t[]> m_rxLog;
  std::int32_t m_rxLogLen = 0;
  std::unique_ptr<std::uint8_t[]> m_displayBuf;
  std::int32_t m_displayLen = 0;
  std::int32_t m_lastDirection = 0;  // 0 none, 1 sent, 2 received

  // File transfer.
  std::atomic<int> m_fileSending{0};
  std::atomic<int> m_fileTransferActive{0};
  std::unique_ptr<std::uint8_t[]> m_fileData;

  std::atomic<unsigned> m_timedSendTimer{0};
  std::atomic<int> m_portWatchEnabled{1};
  std::atomic<int> m_displayDirty{0};
  std::atomic<int> m_stopPortWatch{0};
  std::atomic<int> m_stopRefresh{0};
  std::atomic<int> m_stopSpeed{0};

  // Guarded by m_bufLock together with the two buffers.
  std::uint32_t m_txCrc = 0;
  std::uint32_t m_rxCrc = 0;
  std::int32_t m_txCount = 0, m_rxCount = 0;
  std::int32_t m_txBytes = 0, m_rxBytes = 0;
  std::mutex m_bufLock;

  CSaveFile m_saveFile;
  bool m_spillFailureReported = false;  // guarded by m_bufLock

  CQuickSend* m_quickSend = nullptr;
  CMoreStrSend* m_moreStrSend = nullptr;

  std::atomic<int> m_atQueryPending{0};
  std::string m_atReply;   // reader thread only
  std::mutex m_probeLock;  // m_baudProbeReply: reader thread and baud worker

  int m_lastClientWidth = 0;
  int m_lastClientHeight = 0;
  QRect m_initWindowRect;

  mutable std::mutex m_filePathLock;
  std::string m_filePath;
  QString m_counterText;
  QString m_rxCounterText;

  std::string m_multCmdDelay;
  std::atomic<int> m_multCmdCheck{0};
  std::atomic<int> m_advanceUtf8Check{0};

 public slots:
  void reject() override;

 private:
  void ConnectHandlers();
  void ResetState();
  void FillLists();
  void FillPortList();
  bool LoadSettings();
  void StartThreads();
  void StopThreads();
  void OnClose();

  void PortWatchThread();
  void PortWatchPass();
  void RefreshThread();
  void SpeedThread();

  bool eventFilter(QObject* watched, QEvent* event) override;
  bool FilterKey(QObject* watched, QEvent* event);
  void RefreshPass();
  void AppendReceived(const std::uint8_t* bytes, std::uint32_t count);
  void ReportSpillFailure(const std::string& path, int error);
  void ShowFileError(const std::string& path, int error);
  // Shows a warning box on the window's thread; any thread, never waits.
  void PostWarning(const QString& text, const QString& caption);
  friend void OnComRead(void*, const std::uint8_t*, std::uint32_t);

  const Language m_language;
  const StartOptions m_options;
  Controls m_controls;
  bool m_initialised = false;
  int m_closingRuns = 0;  // the window has closed once it is above 0

  bool m_ctrlDown = false;                 // window thread: Ctrl is held
  std::atomic<int> m_hexBytesPerLine{16};  // whole bytes per line of the hex view

  WorkerThreads m_workers;
  std::mutex m_reportLock;
  std::set<std::string> m_permissionReported;  // devices already explained this run

  StopWait m_stopWait;
  std::thread m_portWatchThread;
  std::thread m_refreshThread;
  std::thread m_speedThread;
};

}  // namespace zephyn
