// Support shared by the benchmarks that drive the real window: running its
// event loop until a condition holds, the window started and its port
// opened, a click by control id, a median, a rate in MB/s, and a raw
// pseudo-terminal whose master side a thread reads.
#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn::bench {

using Clock = std::chrono::steady_clock;

// Runs the window's event loop, checking `done` every `pollMs`, until it
// holds or `timeoutMs` passes. True when it held.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 1) {
  if (done()) return true;
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(pollMs);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
  poll.start();
  loop.exec();
  return done();
}

inline void Click(CZephynDlg& dlg, int id) {
  dlg.findChild<QAbstractButton*>(QString::number(id))->click();
}

// The English window on `port` alone (the machine's own ports stay out).
inline std::unique_ptr<CZephynDlg> StartWindow(const std::string& port, const QString& dataFolder) {
  StartOptions options;
  options.extraPorts = {port};
  options.sysfsRoot = "/nonexistent";
  options.dataFolder = dataFolder.toStdString();
  auto dlg = std::make_unique<CZephynDlg>(Language::EnUS, options);
  dlg->OnInitDialog();
  dlg->show();
  return dlg;
}

// Presses Open and runs the event loop until `opened` holds (5 s at most);
// says so on stderr when it does not.
inline bool OpenPort(CZephynDlg& dlg, const std::string& port,
                     const std::function<bool()>& opened) {
  Click(dlg, MainIds::kOpenClose);
  if (RunUntil(opened, 5000)) return true;
  std::fprintf(stderr, "the window did not open %s\n", port.c_str());
  return false;
}

inline double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

inline double MBps(std::uint64_t bytes, Clock::duration d) {
  const double s = Seconds(d);
  return s > 0 ? double(bytes) / 1e6 / s : 0.0;
}

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// A pseudo-terminal in raw mode whose master side a thread reads into a
// buffer of `bufferSize` bytes, handing the size of every read to `onRead`
// on that thread. An owner declares it after the members `onRead` uses, so
// that the reader has stopped before they go.
class ReadPty {
 public:
  ReadPty(std::size_t bufferSize, std::function<void(std::size_t)> onRead)
      : m_onRead(std::move(onRead)) {
    char name[128] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) return;
    m_path = name;
    termios tio{};
    tcgetattr(m_slave, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_slave, TCSANOW, &tio);
    m_reader = std::thread([this, bufferSize] { Read(bufferSize); });
  }
  ~ReadPty() {
    m_stop = true;
    if (m_reader.joinable()) m_reader.join();
    if (m_slave >= 0) ::close(m_slave);
    if (m_master >= 0) ::close(m_master);
  }
  ReadPty(const ReadPty&) = delete;
  ReadPty& operator=(const ReadPty&) = delete;

  bool ok() const { return m_master >= 0; }
  const std::string& path() const { return m_path; }
  int slave() const { return m_slave; }

 private:
  void Read(std::size_t bufferSize) {
    std::vector<char> buffer(bufferSize);
    while (!m_stop) {
      pollfd pfd{m_master, POLLIN, 0};
      if (::poll(&pfd, 1, 100) <= 0) continue;
      const ssize_t n = ::read(m_master, buffer.data(), buffer.size());
      if (n <= 0) continue;
      m_onRead(std::size_t(n));
    }
  }

  std::function<void(std::size_t)> m_onRead;
  int m_master = -1;
  int m_slave = -1;
  std::string m_path;
  std::atomic<bool> m_stop{false};
  std::thread m_reader;
};

}  // namespace zephyn::bench
