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
#include <string>
#include <thread>
#include <vector>

#include "common/stop_wait.h"
#include "common/texts.h"
#include "dialogs/controls.h"

namespace zephyn {

class CQuickSend;
class CMoreStrSend;

// What the program was started with beyond the settings file.
struct StartOptions {
  std::vector<std::string> extraPorts;  // listed before the system's ports
};

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

  // How many times the closing order has run (once, however the window closes).
  int closingRuns() const { return m_closingRuns; }
  bool threadsRunning() const;

  // Members shared with the rest of the terminal; the names say what they hold.
  QIcon m_hIcon;
  QRect m_linkTextRect;
  QRect m_bannerRect;

  std::string m_multCmds[20];
  std::atomic<std::int32_t> m_multCmdCount{0};
  std::atomic<std::int32_t> m_multCmdIndex{0};

  std::atomic<std::int32_t> m_baudProbeIndex{0};
  std::string m_baudProbeReply;

  std::string m_portNames[50];  // UTF-8, as the file system names them
  std::int32_t m_portCount = 0;

  std::atomic<std::int32_t> m_txSpeedBytes{0};
  std::atomic<std::int32_t> m_rxSpeedBytes{0};

  std::unique_ptr<std::uint8_t[]> m_sendBuf;
  std::int32_t m_sendLen = 0;

  std::unique_ptr<std::uint8_t[]> m_rxLog;
  std::int32_t m_rxLogLen = 0;
  std::unique_ptr<std::uint8_t[]> m_displayBuf;
  std::int32_t m_displayLen = 0;
  std::int32_t m_lastDirection = 0;  // 0 none, 1 sent, 2 received

  // File transfer.
  std::atomic<int> m_fileSending{0};
  std::atomic<int> m_fileTransferActive{0};
  std::unique_ptr<std::uint8_t[]> m_fileData;

  unsigned m_timedSendTimer = 0;
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

  CQuickSend* m_quickSend = nullptr;
  CMoreStrSend* m_moreStrSend = nullptr;

  std::atomic<int> m_atQueryPending{0};
  std::string m_atReply;

  int m_lastClientWidth = 0;
  int m_lastClientHeight = 0;
  QRect m_initWindowRect;

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
  std::vector<std::string> EnumeratePortNames() const;
  bool LoadSettings();
  void StartThreads();
  void StopThreads();
  void OnClose();

  void PortWatchThread();
  void RefreshThread();
  void SpeedThread();

  const Language m_language;
  const StartOptions m_options;
  Controls m_controls;
  bool m_initialised = false;
  bool m_closed = false;
  int m_closingRuns = 0;

  StopWait m_stopWait;
  std::thread m_portWatchThread;
  std::thread m_refreshThread;
  std::thread m_speedThread;
};

}  // namespace zephyn
