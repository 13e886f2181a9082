// The receive path end to end: a virtual module streams a counting pattern
// through its pseudo-terminal into the real window (port reader, OnReceived,
// the capture spill, the 50 ms pane rebuilds) and, for comparison, into a
// plain reader of a second pseudo-terminal. Prints the throughput of both,
// the bytes lost, whether the capture holds every byte, the peak RSS, the
// pane's rebuild times and the longest stall of the window's thread while
// receiving at 1 MB/s. Then a paced run as a module talks at its line rate:
// 64-byte lines at 92,160 bytes per second into the window (echo on, text
// view), into the plain reader and into the window minimized, with the
// process's CPU time per MB received and each thread's share. Run with
// QT_QPA_PLATFORM=offscreen; argv[1] sets the number of bytes streamed
// (default 50,000,000), or "paced" runs the paced runs alone; argv[2] sets
// their seconds (default 20).
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "common/codecs.h"
#include "common/thread_name.h"
#include "dialogs/gbk_string.h"
#include "serial/com_port.h"
#include "sim/virtual_module.h"
#include "terminal/pane_text.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;
using namespace zephyn::bench;

namespace {

double PeakRssMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// The largest gap between the ticks of a 1 ms timer on the window's thread.
class StallMeter {
 public:
  StallMeter() {
    m_timer.setInterval(1);
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      const qint64 now = m_clock.nsecsElapsed();
      m_maxGapNs = std::max(m_maxGapNs, now - m_last);
      m_last = now;
    });
  }
  void start() {
    m_maxGapNs = 0;
    m_clock.start();
    m_last = 0;
    m_timer.start();
  }
  // The largest gap since start() or the last take(), in ms.
  double take() {
    const double ms = double(m_maxGapNs) / 1e6;
    m_maxGapNs = 0;
    return ms;
  }
  void stop() { m_timer.stop(); }

 private:
  QTimer m_timer;
  QElapsedTimer m_clock;
  qint64 m_last = 0;
  qint64 m_maxGapNs = 0;
};

// The application with a watch on how long the window's thread spends on
// each event it delivers (a posted control update, a paint, a timer): the
// longest is the longest stall a user could feel. Unlike a 1 ms timer it
// costs the thread nothing when it has nothing to do, so it can run while
// the CPU time is measured. With ZEPHYN_BENCH_EVENTS=1 it also sums the time
// by receiver and event type, and the paints inside those events by widget
// and size, to show where the window's thread goes (naming each event costs
// time of its own, so the CPU figures of such a run read high).
class TimedApplication : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    const bool outer = m_depth++ == 0;
    if (!outer && !(m_byKindOn && event->type() == QEvent::Paint)) {
      const bool handled = QApplication::notify(receiver, event);
      --m_depth;
      return handled;
    }
    const std::string kind = m_byKindOn ? Kind(receiver, event) : std::string();
    const Clock::time_point begin = Clock::now();
    const bool handled = QApplication::notify(receiver, event);
    const Clock::duration spent = Clock::now() - begin;
    if (outer) {
      m_longest = std::max(m_longest, spent);
      ++m_events;
    }
    if (m_byKindOn) {
      auto& [time, count] = m_byKind[kind];
      time += spent;
      ++count;
    }
    --m_depth;
    return handled;
  }

  void startWatch() {
    m_longest = {};
    m_events = 0;
    m_byKind.clear();
  }
  // The busiest kinds of event since startWatch(), when they are summed.
  void printKinds() const {
    std::vector<std::pair<double, std::string>> rows;
    for (const auto& [kind, sum] : m_byKind)
      rows.emplace_back(std::chrono::duration<double, std::milli>(sum.first).count(),
                        kind + " x" + std::to_string(sum.second));
    std::sort(rows.rbegin(), rows.rend());
    for (std::size_t i = 0; i < rows.size() && i < 12; ++i)
      std::printf("      %8.1f ms  %s\n", rows[i].first, rows[i].second.c_str());
  }
  double longestMs() const { return std::chrono::duration<double, std::milli>(m_longest).count(); }
  std::uint64_t events() const { return m_events; }

 private:
  static std::string Kind(QObject* receiver, QEvent* event) {
    QString kind = QString::fromLatin1(receiver->metaObject()->className()) + QLatin1Char(' ') +
                   receiver->objectName();
    if (receiver->parent() != nullptr) kind += QLatin1Char('/') + receiver->parent()->objectName();
    if (event->type() == QEvent::Paint) {
      const QRect r = static_cast<QPaintEvent*>(event)->rect();
      kind = QStringLiteral("paint %1 %2x%3").arg(kind).arg(r.width()).arg(r.height());
    } else {
      kind += QStringLiteral(" event %1").arg(int(event->type()));
    }
    return kind.toStdString();
  }

  const bool m_byKindOn = qEnvironmentVariableIntValue("ZEPHYN_BENCH_EVENTS") == 1;
  int m_depth = 0;
  Clock::duration m_longest{};
  std::uint64_t m_events = 0;
  std::map<std::string, std::pair<Clock::duration, std::uint64_t>> m_byKind;
};

TimedApplication* g_app = nullptr;

// The CPU time of every thread of the process by name, in ns, from
// /proc/self/task/*/schedstat (the scheduler's own count, finer than
// getrusage's ticks). The window's thread keeps the program's name.
std::map<std::string, double> ThreadCpuNs() {
  std::map<std::string, double> byName;
  DIR* tasks = ::opendir("/proc/self/task");
  if (tasks == nullptr) return byName;
  while (const dirent* entry = ::readdir(tasks)) {
    if (entry->d_name[0] == '.') continue;
    const std::string dir = std::string("/proc/self/task/") + entry->d_name;
    std::ifstream comm(dir + "/comm"), stat(dir + "/schedstat");
    std::string name;
    double ns = 0;
    if (std::getline(comm, name) && (stat >> ns)) byName[name] += ns;
  }
  ::closedir(tasks);
  return byName;
}

// Each thread's CPU ms per MB between two ThreadCpuNs() readings, the
// busiest first; threads that ended in between are left out.
void PrintThreadCpu(const std::map<std::string, double>& before,
                    const std::map<std::string, double>& after, double mb) {
  std::vector<std::pair<double, std::string>> rows;
  for (const auto& [name, ns] : after) {
    const auto it = before.find(name);
    const double spent = ns - (it == before.end() ? 0.0 : it->second);
    if (spent > 0) rows.emplace_back(spent / 1e6 / mb, name);
  }
  std::sort(rows.rbegin(), rows.rend());
  for (const auto& [msPerMb, name] : rows)
    std::printf("    %-16s %7.1f CPU ms/MB\n", name.c_str(), msPerMb);
}

// CPU time (user and system) of the process or of the calling thread, in ms.
double CpuMs(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return (double(usage.ru_utime.tv_sec) + double(usage.ru_stime.tv_sec)) * 1e3 +
         (double(usage.ru_utime.tv_usec) + double(usage.ru_stime.tv_usec)) / 1e3;
}

constexpr std::size_t kLineBytes = 64;
constexpr std::uint64_t kLineRate = 92'160;  // bytes per second at 921,600 bit/s
// Streamed at 1 MB/s into the window before the paced runs.
constexpr std::uint64_t kWarmUpBytes = 2'200'000;

// Sends `lines` lines of 62 printable characters and CR LF, as a module
// reporting readings does, one write a line, paced at kLineRate. Returns the
// sending thread's CPU time in ms.
double SendLines(VirtualModule& module, std::uint64_t lines) {
  NameThisThread("line-sender");
  const double cpuBefore = CpuMs(RUSAGE_THREAD);
  std::vector<std::uint8_t> line(kLineBytes, ' ');
  const auto start = Clock::now();
  for (std::uint64_t i = 0; i < lines; ++i) {
    std::this_thread::sleep_until(
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                    double(i * kLineBytes) / double(kLineRate))));
    char text[96];
    std::snprintf(text, sizeof text, "+DATA:%08llu,T=23.5C,H=41%%,V=3.30,RSSI=-67,SEQ=%08llu,OK",
                  static_cast<unsigned long long>(i), static_cast<unsigned long long>(i));
    std::copy(text, text + kLineBytes - 2, line.begin());
    line[kLineBytes - 2] = '\r';
    line[kLineBytes - 1] = '\n';
    if (!module.send(line)) break;
  }
  return CpuMs(RUSAGE_THREAD) - cpuBefore;
}

struct PacedFigures {
  double cpuMsPerMb = 0;        // the whole process
  double senderCpuMsPerMb = 0;  // of that, the module's sending thread
  double longestStallMs = 0;
  bool complete = false;
};

void PrintPaced(const char* path, const PacedFigures& f) {
  std::printf("  %-12s %7.1f CPU ms/MB (module's sender %5.1f, the rest %7.1f)%s\n", path,
              f.cpuMsPerMb, f.senderCpuMsPerMb, f.cpuMsPerMb - f.senderCpuMsPerMb,
              f.complete ? "" : "   (stream INCOMPLETE)");
}

std::int64_t RxBytes(CZephynDlg& dlg) {
  return std::int64_t(dlg.record().Rx().bytes);
}

// Reads the slave side of `path` raw until `total` bytes came; the times of
// the first and the last byte are left in `first` and `last`.
std::uint64_t PlainRead(const std::string& path, std::uint64_t total, Clock::time_point& first,
                        Clock::time_point& last) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 0;
  termios tio{};
  tcgetattr(fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(fd, TCSANOW, &tio);
  std::vector<std::uint8_t> buffer(8192);
  std::uint64_t got = 0;
  while (got < total) {
    pollfd pfd{fd, POLLIN, 0};
    if (::poll(&pfd, 1, 5000) <= 0) break;
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (n <= 0) break;
    if (got == 0) first = Clock::now();
    got += std::uint64_t(n);
    last = Clock::now();
  }
  ::close(fd);
  return got;
}

// True when `file` holds `rounds` streams of `total` bytes of the pattern
// one after another, nothing more.
bool CaptureMatches(const QString& file, std::uint64_t total, int rounds, std::uint64_t& size) {
  QFile in(file);
  size = std::uint64_t(std::max<qint64>(0, in.size()));
  if (!in.open(QIODevice::ReadOnly) || size != total * std::uint64_t(rounds)) return false;
  std::vector<char> chunk(1 << 20);
  std::uint64_t at = 0;
  for (;;) {
    const qint64 n = in.read(chunk.data(), qint64(chunk.size()));
    if (n < 0) return false;
    if (n == 0) break;
    for (qint64 i = 0; i < n; ++i)
      if (std::uint8_t(chunk[std::size_t(i)]) !=
          std::uint8_t(((at + std::uint64_t(i)) % total) & 0xFF))
        return false;
    at += std::uint64_t(n);
  }
  return at == size;
}

struct RebuildTimes {
  double convertMs;  // on the refresh thread
  double setMs;      // on the window's thread: set the text, scroll, lay out and paint
};

// Median of 9 rebuilds of pane 1049 with `bytes`, the text built as the
// refresh thread builds it (hex in lines of `hexBytesPerLine` whole bytes)
// and set through the control facade on the window's thread.
RebuildTimes TimeRebuild(CZephynDlg& dlg, const std::vector<std::uint8_t>& bytes, bool hex,
                         int hexBytesPerLine) {
  auto* pane = dlg.findChild<QPlainTextEdit*>(QStringLiteral("1049"));
  std::vector<double> convert, set;
  for (int run = 0; run < 9; ++run) {
    dlg.controls().setText(1049, QString());
    QCoreApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    const QString text = PaneText(bytes.data(), bytes.size(), hex, false, hexBytesPerLine);
    convert.push_back(double(timer.nsecsElapsed()) / 1e6);
    timer.restart();
    dlg.controls().setText(1049, text);
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
    QCoreApplication::processEvents();
    set.push_back(double(timer.nsecsElapsed()) / 1e6);
  }
  return {Median(convert), Median(set)};
}

// The paced stream into the window: echo on, text view, from a cleared pane.
PacedFigures PacedWindow(CZephynDlg& dlg, VirtualModule& module, std::uint64_t lines,
                         bool minimized) {
  Click(dlg, 1010);  // Clear
  if (!dlg.controls().checked(1045)) Click(dlg, 1045);
  if (dlg.controls().checked(1047)) Click(dlg, 1047);
  if (minimized) dlg.showMinimized();
  RunUntil([] { return false; }, 200, 100);
  const std::int64_t target = std::int64_t(lines * kLineBytes);
  g_app->startWatch();
  const std::map<std::string, double> threadsBefore = ThreadCpuNs();
  const double before = CpuMs(RUSAGE_SELF);
  double senderMs = 0;
  std::thread sender([&] { senderMs = SendLines(module, lines); });
  // A slow poll: the check itself must not cost the window's thread much.
  const double seconds = double(target) / double(kLineRate);
  PacedFigures f;
  f.complete = RunUntil([&] { return RxBytes(dlg) >= target; }, int(seconds * 1000) + 10'000, 100);
  sender.join();
  RunUntil([] { return false; }, 200, 100);  // the last refresh
  const double mb = double(target) / 1e6;
  f.cpuMsPerMb = (CpuMs(RUSAGE_SELF) - before) / mb;
  f.senderCpuMsPerMb = senderMs / mb;
  f.longestStallMs = g_app->longestMs();
  std::printf("  window %s: window thread %llu events, the longest %.1f ms\n",
              minimized ? "minimized" : "in sight", static_cast<unsigned long long>(g_app->events()),
              f.longestStallMs);
  PrintThreadCpu(threadsBefore, ThreadCpuNs(), mb);
  g_app->printKinds();
  if (minimized) {
    dlg.showNormal();
    RunUntil([] { return false; }, 200, 100);  // the pane catches up
  }
  return f;
}

// The same stream into a plain reader of a second pseudo-terminal, while the
// window (idle, its port open) keeps running its event loop.
PacedFigures PacedPlain(VirtualModule& module, std::uint64_t lines) {
  const std::uint64_t total = lines * kLineBytes;
  const double before = CpuMs(RUSAGE_SELF);
  Clock::time_point first{}, last{};
  std::atomic<std::uint64_t> got{0};
  std::atomic<bool> done{false};
  std::thread reader([&] {
    got = PlainRead(module.path(), total, first, last);
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the reader has the slave open
  double senderMs = 0;
  std::thread sender([&] { senderMs = SendLines(module, lines); });
  const double seconds = double(total) / double(kLineRate);
  RunUntil([&] { return done.load(); }, int(seconds * 1000) + 10'000, 100);
  sender.join();
  reader.join();
  const double mb = double(total) / 1e6;
  PacedFigures f;
  f.complete = got == total;
  f.cpuMsPerMb = (CpuMs(RUSAGE_SELF) - before) / mb;
  f.senderCpuMsPerMb = senderMs / mb;
  return f;
}

// A window that has been receiving for a while: the record's buffers are
// touched past the point where they start to spill (until then each new page
// costs a fault, once per run of the program) and the pane's text has been
// through its first trims, so that the paced runs measure the steady state
// of a stream that runs for hours.
void WarmUp(CZephynDlg& dlg, VirtualModule& module) {
  const std::int64_t warmed = RxBytes(dlg) + std::int64_t(kWarmUpBytes);
  std::thread warmUp([&] { module.stream(kWarmUpBytes, 1024, 1'000'000); });
  RunUntil([&] { return RxBytes(dlg) >= warmed; }, 60'000, 100);
  warmUp.join();
}

// The paced runs, `seconds` each: into the window in sight, into the plain
// reader, and into the window minimized. Returns the failures.
int PacedRuns(CZephynDlg& dlg, VirtualModule& windowModule, VirtualModule& plainModule,
              double seconds) {
  const auto lines = std::uint64_t(seconds * double(kLineRate) / double(kLineBytes));
  std::printf("paced: %llu lines of %zu bytes at %llu B/s (%.0f s), echo on, text view\n",
              static_cast<unsigned long long>(lines), kLineBytes,
              static_cast<unsigned long long>(kLineRate), seconds);
  WarmUp(dlg, windowModule);
  const PacedFigures window = PacedWindow(dlg, windowModule, lines, false);
  const PacedFigures plain = PacedPlain(plainModule, lines);
  const PacedFigures minimized = PacedWindow(dlg, windowModule, lines, true);
  PrintPaced("window path", window);
  PrintPaced("plain reader", plain);
  PrintPaced("minimized", minimized);
  std::printf("  window path (aim <= 100 CPU ms/MB): %.1f ms/MB; window thread stall %.1f ms "
              "(aim <= 20 ms)\n",
              window.cpuMsPerMb, window.longestStallMs);
  const std::int64_t counted = RxBytes(dlg);
  const QString rx = dlg.controls().text(1001);
  std::printf("  RX label: %s (counted %lld)\n", qPrintable(rx), static_cast<long long>(counted));
  return (window.complete ? 0 : 1) + (plain.complete ? 0 : 1) + (minimized.complete ? 0 : 1);
}

// The full-speed rounds (the window's path and the plain reader in turns,
// then the capture), the stalls at 1 MB/s and the pane's rebuild times.
// Returns the failures.
int FastRuns(CZephynDlg* dlg, VirtualModule& windowModule, VirtualModule& plainModule,
             std::uint64_t total, int rounds, const QTemporaryDir& saveDir) {
  StallMeter stalls;
  int failures = 0;
  // Full speed: the window's path and the plain reader, in turns.
  {
    std::vector<double> windowRates, plainRates;
    double windowStall = 0;
    for (int round = 0; round < rounds; ++round) {
      const std::int64_t target = std::int64_t(total) * (round + 1);
      stalls.start();
      Clock::time_point first{}, last{};
      std::thread writer([&] { windowModule.stream(total, 4096, 0); });
      const std::int64_t before = RxBytes(*dlg);
      const bool complete = RunUntil(
          [&] {
            const std::int64_t got = RxBytes(*dlg);
            if (got > before && first == Clock::time_point{}) first = Clock::now();
            if (got >= target) last = Clock::now();
            return got >= target;
          },
          120'000);
      writer.join();
      windowStall = std::max(windowStall, stalls.take());
      stalls.stop();
      windowRates.push_back(complete ? MBps(total, last - first) : 0.0);

      Clock::time_point plainFirst{}, plainLast{};
      std::uint64_t plainGot = 0;
      std::thread reader(
          [&] { plainGot = PlainRead(plainModule.path(), total, plainFirst, plainLast); });
      std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the reader has the slave open
      plainModule.stream(total, 4096, 0);
      reader.join();
      plainRates.push_back(plainGot == total ? MBps(total, plainLast - plainFirst) : 0.0);
      std::printf("round %d: window path %6.1f MB/s   plain reader %6.1f MB/s\n", round + 1,
                  windowRates.back(), plainRates.back());
    }
    const double windowRate = Median(windowRates);
    const double plainRate = Median(plainRates);
    const std::int64_t counted = RxBytes(*dlg);
    const std::int64_t lost = std::int64_t(total) * rounds - counted;
    std::printf(
        "median:  window path %6.1f MB/s   plain reader %6.1f MB/s   ratio %.2f (aim >= 0.80)\n",
        windowRate, plainRate, plainRate > 0 ? windowRate / plainRate : 0.0);
    std::printf("bytes lost: %lld\n", static_cast<long long>(lost));
    std::printf("window thread's longest stall at full speed: %.1f ms\n", windowStall);
    if (lost != 0) ++failures;

    // The capture: the spilled file and what is still held, saved as one file.
    SpillFailure failure;
    const bool saved = dlg->record().SaveTo(saveDir.path().toStdString(), failure);
    std::uint64_t size = 0;
    const bool matches = saved && CaptureMatches(saveDir.filePath(QStringLiteral("RX data.bin")),
                                                 total, rounds, size);
    std::printf("capture: %s, %llu bytes, pattern %s\n", saved ? "saved" : "NOT SAVED",
                static_cast<unsigned long long>(size), matches ? "intact" : "WRONG");
    if (!matches) ++failures;
    std::printf("peak RSS after streaming: %.1f MB\n", PeakRssMb());
  }

  // The window thread's longest stall while receiving at 1 MB/s, echo on;
  // the first half shown as text, the second half as hex.
  int windowHexBytesPerLine = 0;
  {
    constexpr std::uint64_t kPaced = 5'000'000;
    dlg->controls().setText(1049, QString());
    if (!dlg->controls().checked(1045)) Click(*dlg, 1045);
    if (dlg->controls().checked(1047)) Click(*dlg, 1047);
    const std::int64_t before = RxBytes(*dlg);
    stalls.start();
    std::thread writer([&] { windowModule.stream(kPaced, 1024, 1'000'000); });
    RunUntil([&] { return RxBytes(*dlg) - before >= std::int64_t(kPaced / 2); }, 30'000);
    const double textStall = stalls.take();
    Click(*dlg, 1047);
    const bool complete =
        RunUntil([&] { return RxBytes(*dlg) - before >= std::int64_t(kPaced); }, 30'000);
    RunUntil([] { return false; }, 200);  // the last rebuild
    const double hexStall = stalls.take();
    stalls.stop();
    writer.join();
    std::printf("window thread's longest stall at 1 MB/s, echo on (aim <= 50 ms):\n");
    std::printf("  as text: %6.1f ms   as hex: %6.1f ms%s\n", textStall, hexStall,
                complete ? "" : "   (stream INCOMPLETE)");
    if (!complete) ++failures;
    // How many bytes the window put on each line of the hex view.
    auto* pane = dlg->findChild<QPlainTextEdit*>(QStringLiteral("1049"));
    windowHexBytesPerLine = int(pane->document()->firstBlock().text().size() / 3);
  }

  // Pane rebuilds with 100,000 bytes.
  {
    std::vector<std::uint8_t> pattern(100'000);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = std::uint8_t(i & 0xFF);
    std::mt19937 random(7);
    std::vector<std::uint8_t> lines(100'000);
    for (std::size_t i = 0; i < lines.size(); ++i)
      lines[i] = (i % 62 == 60) ? '\r' : (i % 62 == 61) ? '\n' : std::uint8_t(0x20 + random() % 95);
    auto* pane = dlg->findChild<QPlainTextEdit*>(QStringLiteral("1049"));
    const int fullBytesPerLine = HexBytesPerLine(*pane, pane->viewport()->width());

    const RebuildTimes text = TimeRebuild(*dlg, lines, false, 0);
    const RebuildTimes patternText = TimeRebuild(*dlg, pattern, false, 0);
    const RebuildTimes hexWindow = TimeRebuild(*dlg, pattern, true, windowHexBytesPerLine);
    const RebuildTimes hexFull = TimeRebuild(*dlg, pattern, true, fullBytesPerLine);
    std::printf(
        "pane rebuild, 100000 bytes, median of 9 (refresh thread + window thread, aim < 15 ms):\n");
    std::printf("  text, lines of 60:           %5.1f + %6.1f ms\n", text.convertMs, text.setMs);
    std::printf("  text, stream pattern:        %5.1f + %6.1f ms\n", patternText.convertMs,
                patternText.setMs);
    std::printf("  hex, %3d bytes/line (window): %5.1f + %6.1f ms\n", windowHexBytesPerLine,
                hexWindow.convertMs, hexWindow.setMs);
    std::printf("  hex, %3d bytes/line (width):  %5.1f + %6.1f ms\n", fullBytesPerLine,
                hexFull.convertMs, hexFull.setMs);
  }

  return failures;
}

}  // namespace

int main(int argc, char** argv) {
  TimedApplication app(argc, argv);
  g_app = &app;
  SetLanguage(Language::EnUS);
  // Pseudo-terminal throughput varies a lot from one run to the next on a
  // small machine, so the two paths take turns and the medians are compared.
  constexpr int kRounds = 3;
  const bool pacedOnly = argc > 1 && std::string(argv[1]) == "paced";
  const double pacedSeconds = argc > 2 ? std::strtod(argv[2], nullptr) : 20.0;
  const std::uint64_t total =
      argc > 1 && !pacedOnly ? std::strtoull(argv[1], nullptr, 10) : 50'000'000;
  if (total == 0 || total * kRounds > 0x7FFFFFFF) {
    std::fprintf(stderr, "byte count must be 1..%d (the window counts in 32 bits)\n",
                 0x7FFFFFFF / kRounds);
    return 2;
  }
  std::printf("nproc: %u   bytes per round: %llu   rounds: %d\n",
              std::thread::hardware_concurrency(), static_cast<unsigned long long>(total), kRounds);

  // The modules outlive the window: a module that vanishes under an open
  // port would be reported with a message box.
  VirtualModule windowModule(115200);
  VirtualModule plainModule(115200);
  if (!windowModule.ok() || !plainModule.ok()) {
    std::fprintf(stderr, "cannot create the pseudo-terminals\n");
    return 1;
  }
  QTemporaryDir dataDir;
  QTemporaryDir saveDir;
  auto dlg = StartWindow(windowModule.path(), dataDir.path());
  if (!OpenPort(*dlg, windowModule.path(),
                [&] { return dlg->session().PortOpen() && dlg->controls().text(1053) == Text(1); }))
    return 1;

  int failures = 0;
  if (!pacedOnly) failures += FastRuns(dlg.get(), windowModule, plainModule, total, kRounds, saveDir);
  failures += PacedRuns(*dlg, windowModule, plainModule, pacedSeconds);

  std::printf("peak RSS at the end: %.1f MB\n", PeakRssMb());
  dlg->close();
  QCoreApplication::processEvents();
  dlg.reset();
  return failures == 0 ? 0 : 1;
}
