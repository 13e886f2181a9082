// Timer jitter of the timed send: the real window repeats a 4-byte input
// every 10 ms into a pseudo-terminal for 10 s (argv[1] seconds), while a bare
// timerfd loop in the same run writes the same bytes at the same period into
// a second pseudo-terminal. A reader on each master side notes when every
// payload arrives; the gaps between arrivals give the median and the 99th
// percentile of each path. The periodic-timer facility alone (a tick that
// only notes the time) is measured the same way beside a bare timerfd loop.
// Run with QT_QPA_PLATFORM=offscreen.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/timerfd.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "common/periodic_timer.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

using namespace zephyn;
using namespace zephyn::bench;

namespace {

constexpr int kPeriodMs = 10;
const char kPayload[] = "AT\r\n";

// A pseudo-terminal whose master side is read by a thread that notes the
// time of every read.
class TimedPty {
 public:
  bool ok() const { return m_pty.ok(); }
  const std::string& path() const { return m_pty.path(); }
  int slave() const { return m_pty.slave(); }
  std::vector<Clock::time_point> arrivals() {
    std::lock_guard lock(m_lock);
    return m_arrivals;
  }

 private:
  std::mutex m_lock;
  std::vector<Clock::time_point> m_arrivals;
  ReadPty m_pty{4096, [this](std::size_t) {
                  std::lock_guard lock(m_lock);
                  m_arrivals.push_back(Clock::now());
                }};
};

// Every `periodMs`, from an absolute start on the monotonic clock, calls
// `tick` until `stop` is set.
void BareTimerLoop(int periodMs, const std::atomic<bool>& stop, const std::function<void()>& tick) {
  const int fd = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC);
  timespec now{};
  ::clock_gettime(CLOCK_MONOTONIC, &now);
  const long long first = now.tv_nsec + periodMs * 1'000'000LL;
  itimerspec schedule{};
  schedule.it_interval.tv_nsec = periodMs * 1'000'000L;
  schedule.it_value.tv_sec = now.tv_sec + first / 1'000'000'000;
  schedule.it_value.tv_nsec = first % 1'000'000'000;
  ::timerfd_settime(fd, TFD_TIMER_ABSTIME, &schedule, nullptr);
  while (!stop) {
    std::uint64_t expirations = 0;
    if (::read(fd, &expirations, sizeof expirations) == sizeof expirations) tick();
  }
  ::close(fd);
}

struct Jitter {
  double medianMs = 0;
  double p99Ms = 0;
  double maxMs = 0;
  std::size_t gaps = 0;
};

Jitter GapsOf(const std::vector<Clock::time_point>& times) {
  std::vector<double> gaps;
  for (std::size_t i = 1; i < times.size(); ++i)
    gaps.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
  if (gaps.empty()) return {};
  std::sort(gaps.begin(), gaps.end());
  return {gaps[gaps.size() / 2], gaps[std::min(gaps.size() - 1, gaps.size() * 99 / 100)],
          gaps.back(), gaps.size()};
}

void Print(const char* name, const Jitter& j) {
  std::printf("  %-34s median %6.3f ms   p99 %6.3f ms   max %7.3f ms   (%zu gaps)\n", name,
              j.medianMs, j.p99Ms, j.maxMs, j.gaps);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  SetLanguage(Language::EnUS);
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  std::printf("nproc: %u   period: %d ms   duration: %d s per measurement\n",
              std::thread::hardware_concurrency(), kPeriodMs, seconds);

  // The periodic-timer facility alone, beside a bare timerfd loop.
  {
    std::vector<Clock::time_point> facility, bare;
    facility.reserve(std::size_t(seconds) * 1000 / kPeriodMs + 16);
    bare.reserve(facility.capacity());
    std::atomic<bool> stop{false};
    std::thread bareLoop(
        [&] { BareTimerLoop(kPeriodMs, stop, [&] { bare.push_back(Clock::now()); }); });
    const TimerId id = SetPeriodicTimer(kPeriodMs, [&] { facility.push_back(Clock::now()); });
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    KillPeriodicTimer(id);
    stop = true;
    bareLoop.join();
    std::printf("ticks (the time each tick starts):\n");
    Print("periodic timer", GapsOf(facility));
    Print("bare timerfd loop", GapsOf(bare));
  }

  // The timed send through the window, beside a bare loop writing the same.
  TimedPty windowPty;
  TimedPty barePty;
  if (!windowPty.ok() || !barePty.ok()) {
    std::fprintf(stderr, "cannot create the pseudo-terminals\n");
    return 1;
  }
  QTemporaryDir dataDir;
  auto dlg = StartWindow(windowPty.path(), dataDir.path());
  if (!OpenPort(*dlg, windowPty.path(), [&] { return dlg->session().PortOpen(); })) return 1;
  RunUntil([] { return false; }, 200, 5);  // the open's updates reach the widgets
  Controls& c = dlg->controls();
  c.setText(MainIds::kInput, QString::fromLatin1(kPayload, 2));
  c.setChecked(MainIds::kNewLine, true);
  c.setText(MainIds::kInterval, QString::number(kPeriodMs));

  std::atomic<bool> stop{false};
  std::thread bareLoop([&] {
    BareTimerLoop(kPeriodMs, stop,
                  [&] { [[maybe_unused]] ssize_t n = ::write(barePty.slave(), kPayload, 4); });
  });
  Click(*dlg, MainIds::kTiming);
  RunUntil([] { return false; }, seconds * 1000, 5);
  Click(*dlg, MainIds::kTiming);
  stop = true;
  bareLoop.join();
  std::printf("timed send (when each payload reaches the other end of the line):\n");
  const Jitter window = GapsOf(windowPty.arrivals());
  const Jitter bare = GapsOf(barePty.arrivals());
  Print("timed send through the window", window);
  Print("bare timerfd loop with write()", bare);
  std::printf("  p99 difference: %+.3f ms (aim within 1 ms)\n", window.p99Ms - bare.p99Ms);

  dlg->close();
  dlg.reset();
  return 0;
}
