// File send end to end: a file of 50 MB (argv[1] bytes) goes through the
// real window (File, Send file, the sender, the port's writer) into a
// pseudo-terminal in chunks of 921 bytes (the chunk size at 921600 bit/s),
// and, in turns with it, the same chunks go into a second pseudo-terminal
// through a plain write() loop. A reader drains each master side; a round's
// time runs from the start of the send to the last byte read. Medians of
// three rounds are compared, and the heap allocations made in the whole
// program during the window's transfers are counted per chunk.
// Run with QT_QPA_PLATFORM=offscreen.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "bench_support.h"
#include "common/codecs.h"
#include "common/line_rate.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "terminal/zephyn_dlg.h"

namespace {
// Heap allocations made off the window's thread (the sender, the port's
// threads, the refresh and speed threads), and on it (painting, mostly).
std::atomic<std::uint64_t> g_allocations{0};
std::atomic<std::uint64_t> g_windowAllocations{0};
std::thread::id g_windowThread;
}  // namespace

void* operator new(std::size_t size) {
  (std::this_thread::get_id() == g_windowThread ? g_windowAllocations : g_allocations)
      .fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}

using namespace zephyn;
using namespace zephyn::bench;

namespace {

constexpr int kRounds = 3;
constexpr std::int64_t kBaud = 921600;

// A pseudo-terminal whose master side a thread drains, counting bytes and
// noting when the count reached a target.
class DrainedPty {
 public:
  bool ok() const { return m_pty.ok(); }
  const std::string& path() const { return m_pty.path(); }
  int slave() const { return m_pty.slave(); }
  std::uint64_t count() const { return m_count.load(); }
  // When the count reached `target` (waits up to `timeout`), or nothing.
  bool WaitFor(std::uint64_t target, std::chrono::seconds timeout, Clock::time_point& when) {
    const auto deadline = Clock::now() + timeout;
    while (m_count.load() < target) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    when = m_lastRead.load();
    return true;
  }

 private:
  std::atomic<std::uint64_t> m_count{0};
  std::atomic<Clock::time_point> m_lastRead{};
  ReadPty m_pty{65536, [this](std::size_t n) {
                  m_lastRead = Clock::now();
                  m_count += std::uint64_t(n);
                }};
};

// Answers the file chooser with the bench's file and counts the statistics
// boxes instead of showing them.
class BenchPrompts : public PromptService {
 public:
  QMessageBox::StandardButton messageBox(QWidget*, const QString&, const QString&,
                                         QMessageBox::StandardButtons, QMessageBox::Icon) override {
    ++boxes;
    return QMessageBox::Ok;
  }
  QString openFile(QWidget*, const QString&, const QString&) override { return file; }
  QString browseForFolder(QWidget*, const QString&) override { return {}; }
  void openUrl(const QString&) override {}
  QString saveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }

  QString file;
  std::atomic<int> boxes{0};
};

// Writes `bytes` in chunks of `chunk` with plain blocking write()s; with
// `crc`, also takes each chunk's CRC-32 as the TX counter must.
std::uint32_t PlainWriteLoop(int fd, const std::vector<std::uint8_t>& bytes, std::int32_t chunk,
                             bool crc) {
  std::uint32_t sum = 0;
  const int flags = ::fcntl(fd, F_GETFL);
  ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t n = std::min<std::size_t>(std::size_t(chunk), bytes.size() - at);
    std::size_t done = 0;
    while (done < n) {
      const ssize_t w = ::write(fd, bytes.data() + at + done, n - done);
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) return sum;
      done += std::size_t(w);
    }
    if (crc) sum = Crc32Update(sum, bytes.data() + at, std::uint32_t(n));
    at += n;
  }
  return sum;
}

}  // namespace

int main(int argc, char** argv) {
  g_windowThread = std::this_thread::get_id();
  QApplication app(argc, argv);
  SetLanguage(Language::EnUS);
  const std::uint64_t total = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 50'000'000;
  if (total == 0 || total * kRounds > 0x7FFFFFFF) {
    std::fprintf(stderr, "byte count must be 1..%d (the window counts in 32 bits)\n",
                 0x7FFFFFFF / kRounds);
    return 2;
  }
  const std::int32_t chunk = FileChunkSize(kBaud);
  std::printf("nproc: %u   file: %llu bytes   chunk: %d bytes   rounds: %d\n",
              std::thread::hardware_concurrency(), static_cast<unsigned long long>(total), chunk,
              kRounds);

  std::vector<std::uint8_t> bytes(total);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = std::uint8_t(i * 7 + (i >> 8));
  QTemporaryDir dir;
  BenchPrompts prompts;
  prompts.file = dir.filePath(QStringLiteral("file.bin"));
  {
    QFile file(prompts.file);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()), qint64(total)) != qint64(total)) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(prompts.file));
      return 1;
    }
  }
  SetPrompts(&prompts);

  DrainedPty windowPty;
  DrainedPty plainPty;
  if (!windowPty.ok() || !plainPty.ok()) {
    std::fprintf(stderr, "cannot create the pseudo-terminals\n");
    return 1;
  }
  auto dlg = StartWindow(windowPty.path(), dir.filePath(QStringLiteral("data")));
  if (!OpenPort(*dlg, windowPty.path(), [&] { return dlg->session().PortOpen(); })) return 1;
  RunUntil([] { return false; }, 200);  // the open's updates reach the widgets
  dlg->controls().setText(MainIds::kBaudRate, QString::number(kBaud));
  Click(*dlg, MainIds::kChooseFile);
  RunUntil([&] { return !dlg->fileLoading(); }, 60000);  // read on a worker

  std::vector<double> windowRates, plainRates, crcRates;
  std::uint64_t workerAllocations = 0;
  std::uint64_t windowAllocations = 0;
  int failures = 0;
  for (int round = 0; round < kRounds; ++round) {
    // The window: from the press of Send file to the last byte read.
    const int boxes = prompts.boxes;
    const std::uint64_t target = windowPty.count() + total;
    const std::uint64_t workerBefore = g_allocations.load();
    const std::uint64_t windowBefore = g_windowAllocations.load();
    const Clock::time_point start = Clock::now();
    Click(*dlg, MainIds::kSendFile);
    Clock::time_point end{};
    const bool arrived =
        RunUntil([&] { return windowPty.count() >= target && prompts.boxes > boxes; }, 120'000);
    windowPty.WaitFor(target, std::chrono::seconds(1), end);
    workerAllocations += g_allocations.load() - workerBefore;
    windowAllocations += g_windowAllocations.load() - windowBefore;
    windowRates.push_back(arrived ? MBps(total, end - start) : 0.0);
    if (!arrived) ++failures;

    // The plain loop: the same chunks, from the first write to the last byte
    // read; then again with the CRC of each chunk.
    for (const bool crc : {false, true}) {
      const std::uint64_t plainTarget = plainPty.count() + total;
      const Clock::time_point plainStart = Clock::now();
      PlainWriteLoop(plainPty.slave(), bytes, chunk, crc);
      Clock::time_point plainEnd{};
      if (!plainPty.WaitFor(plainTarget, std::chrono::seconds(60), plainEnd)) ++failures;
      (crc ? crcRates : plainRates).push_back(MBps(total, plainEnd - plainStart));
    }
    std::printf(
        "round %d: window %6.1f MB/s   plain write loop %6.1f MB/s   plain loop + CRC %6.1f MB/s\n",
        round + 1, windowRates.back(), plainRates.back(), crcRates.back());
  }
  const double window = Median(windowRates);
  const double plain = Median(plainRates);
  const double plainCrc = Median(crcRates);
  const double chunks = double(kRounds) * double(total / std::uint64_t(chunk) + 1);
  std::printf(
      "median: window %6.1f MB/s   plain write loop %6.1f MB/s   ratio %.2f (aim >= 0.80)\n",
      window, plain, plain > 0 ? window / plain : 0.0);
  std::printf("        plain loop + CRC %6.1f MB/s   ratio of the window to it %.2f\n", plainCrc,
              plainCrc > 0 ? window / plainCrc : 0.0);
  std::printf(
      "heap allocations during the window's transfers: %llu off the window's thread (%.4f per "
      "chunk, aim 0), %llu on it (drawing the progress)\n",
      static_cast<unsigned long long>(workerAllocations), double(workerAllocations) / chunks,
      static_cast<unsigned long long>(windowAllocations));
  std::printf("TX counter: %s\n", qPrintable(dlg->controls().text(MainIds::kTxCounters)));

  dlg->close();
  dlg.reset();
  SetPrompts(nullptr);
  return failures == 0 ? 0 : 1;
}
