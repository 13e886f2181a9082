// The two threads that keep the window's traffic display current. The
// refresh thread, every 50 ms, brings the receive pane up to date when
// something new was recorded, redraws the TX and RX counters when they
// changed, and follows the file's progress; the speed
// thread, every second, shows the bytes of the last second and, when the
// window has a status strip, the size of this run's capture. Neither touches a
// widget: every change goes through the control facade, and only changed
// texts reach the window's thread. What they show comes in through narrow
// inputs, so it does not matter who keeps it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/stop_wait.h"
#include "dialogs/controls.h"
#include "storage/traffic_record.h"
#include "terminal/receive_pane.h"

namespace zephyn {

class PaneRefresher {
 public:
  // How far the file in hand has gone out.
  struct FileProgress {
    int thousandths = 0;  // the progress bar's position, 0..1000
    double percent = 0.0;
    // The file's speed in bytes a second, when its sender has a new sample:
    // the TX speed shows it while chunks go out.
    std::optional<std::int32_t> speedSample;
  };
  // Bytes sent and received since they were last taken.
  struct Speeds {
    std::int32_t tx = 0;
    std::int32_t rx = 0;
  };
  struct Inputs {
    // How the pane shows the traffic (the hex width, the UTF-8 view and the
    // time stamps are the refresher's own).
    std::function<PaneView()> view;
    // Takes the bytes counted since the last call.
    std::function<Speeds()> takeSpeeds;
    std::function<FileProgress()> fileProgress;
  };

  PaneRefresher(Controls& controls, TrafficRecord& record, Inputs inputs);
  // Stop().
  ~PaneRefresher();
  PaneRefresher(const PaneRefresher&) = delete;
  PaneRefresher& operator=(const PaneRefresher&) = delete;

  // The pane is brought up to date at the next pass (its source, its view or
  // the record changed). Any thread.
  void MarkDirty() { m_dirty = 1; }
  // A minimized window's pane is left as it is; the first pass after it
  // comes back brings it up to date. Window thread.
  void SetMinimized(bool minimized) { m_minimized = minimized ? 1 : 0; }
  // Whole bytes per line of the hex view; a change redraws the pane.
  void SetHexBytesPerLine(int perLine);
  // The UTF-8 view and the time stamps before received lines; a change
  // redraws the pane. Any thread.
  void SetViewChoices(bool utf8, bool stamps);

  // Starts both threads (again after Stop()).
  void Start();
  // Stops both threads and waits for them; a pending redraw is dropped.
  void Stop();
  bool Running() const { return m_refreshThread.joinable() || m_speedThread.joinable(); }

 private:
  void RefreshThread();
  void RefreshPass();
  void RefreshPane();
  void RefreshCounters();
  void RefreshFileProgress();
  void SpeedThread();
  void ShowIfChanged(int id, const QString& text);

  Controls& m_controls;
  TrafficRecord& m_record;
  const Inputs m_inputs;

  // Set by whoever records; cleared by the refresh thread when it redraws.
  std::atomic<int> m_dirty{0};
  std::atomic<int> m_minimized{0};
  std::atomic<int> m_hexBytesPerLine{16};
  std::atomic<int> m_utf8{0};
  std::atomic<int> m_stamps{0};
  // The file's last speed sample not shown yet (-1: none): the refresh
  // thread writes, the speed thread takes.
  std::atomic<std::int32_t> m_fileSpeed{-1};

  // The refresh thread only: the pane's text as its edits left it, and the
  // counters it drew last.
  ReceivePane m_pane;
  bool m_countersDrawn = false;
  TrafficCounters m_drawnTx;
  TrafficCounters m_drawnRx;

  StopWait m_stopWait;
  std::atomic<int> m_stop{0};
  std::thread m_refreshThread;
  std::thread m_speedThread;
};

}  // namespace zephyn
