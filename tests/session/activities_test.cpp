#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "session/activities/activities.h"
#include "session/test_link.h"
#include "storage/temp_folder.h"

namespace zephyn {
namespace {

using namespace std::chrono_literals;

Bytes Of(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// The items of `stream` in order, each found whole at its place (the items
// differ in their first byte); a stream that is not whole items fails.
std::vector<std::size_t> Items(const Bytes& stream, const std::vector<Bytes>& items) {
  std::vector<std::size_t> found;
  std::size_t at = 0;
  while (at < stream.size()) {
    std::size_t n = 0;
    while (n < items.size() && items[n][0] != stream[at]) ++n;
    if (n == items.size() || stream.size() - at < items[n].size() ||
        !std::equal(items[n].begin(), items[n].end(), stream.begin() + std::ptrdiff_t(at))) {
      ADD_FAILURE() << "no whole item at byte " << at;
      return found;
    }
    found.push_back(n);
    at += items[n].size();
  }
  return found;
}

// Opens `gate` after a while, or when it goes.
class Watchdog {
 public:
  explicit Watchdog(Gate& gate)
      : m_gate(gate), m_thread([&gate] {
          WaitFor([&gate] { return gate.IsOpen(); }, std::chrono::seconds(10));
          gate.Open();
        }) {}
  ~Watchdog() {
    m_gate.Open();
    m_thread.join();
  }

 private:
  Gate& m_gate;
  std::thread m_thread;
};

class ActivitiesTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    ASSERT_TRUE(m_module.ok());
    m_record = std::make_unique<TrafficRecord>(Sub("data"), "20260101120000");
    m_link = std::make_unique<TestLink>(*m_record, m_events);
    ASSERT_TRUE(m_link->OpenPort(m_module.path()));
    m_events.Clear();
  }

  SessionState State() const { return m_link->State(); }
  Bytes Received() const { return m_module.received(); }
  // Every byte the port took has reached the module.
  bool AllArrived() const { return m_module.received().size() == m_record->Tx().bytes; }

  std::string WriteFile(const std::string& name, const Bytes& bytes) const {
    const std::string path = (m_root / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }


 public:
  // Loads `path` and waits for the load to end.
  void Load(FileSend& file, const std::string& path, std::int64_t baud) {
    ASSERT_TRUE(file.Load(path, baud));
    ASSERT_TRUE(WaitFor([&] { return State().file != FileStage::Loading; }));
  }

 protected:
  // A repeating activity sends its items in order, whole, at the module,
  // until it is stopped; after Stop at most the tick under way sends, and
  // the state's flag is off at once.
  void ExpectRepeatsUntilStopped(const std::vector<Bytes>& items, bool SessionState::*running,
                                 const std::function<void()>& stop) {
    EXPECT_TRUE(State().*running);
    ASSERT_TRUE(WaitFor([&] { return m_record->Tx().count >= 3 * items.size(); }));
    stop();
    EXPECT_FALSE(State().*running);
    const std::uint64_t sendsAtStop = m_record->Tx().count;
    // Nothing is to happen: watched over many periods.
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(m_record->Tx().count, sendsAtStop + 1);
    ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
    const std::vector<std::size_t> order = Items(Received(), items);
    ASSERT_EQ(order.size(), m_record->Tx().count);
    for (std::size_t i = 0; i < order.size(); ++i) ASSERT_EQ(order[i], i % items.size()) << i;
  }

  VirtualModule m_module{115200};
  std::unique_ptr<TrafficRecord> m_record;
  TestEvents m_events;
  std::unique_ptr<TestLink> m_link;
};

// Tests that watch for nothing to happen run alone.
using ActivitiesTimedTest = ActivitiesTest;

TEST_F(ActivitiesTimedTest, TimedSendRepeatsThePayloadUntilStopped) {
  TimedSend timed(*m_link);
  ASSERT_EQ(timed.Start(Of("ping"), 2, 115200), TimedSend::Result::kStarted);
  ExpectRepeatsUntilStopped({Of("ping")}, &SessionState::timedSend, [&] { timed.Stop(); });
}

TEST_F(ActivitiesTimedTest, CycleSendsTheNonEmptyRowsInOrderUntilStopped) {
  Cycle cycle(*m_link);
  std::vector<StoredString> rows = {{"one", false}, {"", false}, {"41 42", true}, {"two", false}};
  // Each row with the line end it was given, LF alone here.
  ASSERT_EQ(cycle.Start(rows, "\n", 2), Cycle::Result::kStarted);
  rows[0].text = "edited after the start";
  ExpectRepeatsUntilStopped({Of("one\n"), Of("AB\n"), Of("two\n")}, &SessionState::cycle,
                            [&] { cycle.Stop(); });
}

// Starts that replace a running cycle while another thread stops it: under
// TSan no tick sees a run being built, and every item goes out whole.
TEST_F(ActivitiesTest, CycleStartedAndStoppedFromTwoThreadsSendsWholeItems) {
  Cycle cycle(*m_link);
  std::atomic<bool> done{false};
  std::thread stopper([&] {
    while (!done) {
      cycle.Stop();
      std::this_thread::sleep_for(2ms);
    }
  });
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(cycle.Start({{std::string(1, char('a' + i % 26)) + "\n", false}}, "", 1),
              Cycle::Result::kStarted);
    std::this_thread::sleep_for(1500us);
  }
  done = true;
  stopper.join();
  cycle.Stop();
  EXPECT_FALSE(State().cycle);
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  const Bytes received = Received();
  EXPECT_GT(received.size(), 0u);
  for (std::size_t i = 0; i < received.size(); i += 2) {
    ASSERT_TRUE(received[i] >= 'a' && received[i] <= 'z') << i;
    ASSERT_EQ(received[i + 1], '\n') << i;
  }
}

TEST_F(ActivitiesTest, RefusedStartsChangeNothing) {
  const struct {
    const char* name;
    std::size_t length;
    std::int64_t intervalMs;
    std::int64_t baud;
    TimedSend::Result result;
  } cases[] = {
      {"more than the line carries", 100, 1, 9600, TimedSend::Result::kTooFast},
      {"an interval of 0", 4, 0, 115200, TimedSend::Result::kTimerRefused},
      {"a negative interval", 4, -5, 115200, TimedSend::Result::kTimerRefused},
      {"past the timer's range", 4, kMaxTimerPeriodMs + 1, 115200,
       TimedSend::Result::kTimerRefused},
  };
  TimedSend timed(*m_link);
  Cycle cycle(*m_link);
  const std::vector<StoredString> rows = {{"BBBB", false}};
  const std::vector<StoredString> emptyRows = {{"", false}, {"", true}};
  // Off, then with a timed send and a cycle running: as it was.
  for (const bool running : {false, true}) {
    if (running) {
      ASSERT_EQ(timed.Start(Of("A"), 5, 115200), TimedSend::Result::kStarted);
      ASSERT_EQ(cycle.Start({{"C", false}}, "", 5), Cycle::Result::kStarted);
    }
    m_events.Clear();
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(timed.Start(Bytes(c.length, 'B'), c.intervalMs, c.baud), c.result);
      if (c.result == TimedSend::Result::kTimerRefused) {
        EXPECT_EQ(cycle.Start(rows, "", c.intervalMs), Cycle::Result::kTimerRefused);
      }
    }
    EXPECT_EQ(cycle.Start(emptyRows, "\r\n", 5), Cycle::Result::kNoRows);
    EXPECT_TRUE(m_events.States().empty());
    EXPECT_EQ(State().timedSend, running);
    EXPECT_EQ(State().cycle, running);
  }
  // What ran goes on; nothing refused was sent.
  const std::size_t before = Received().size();
  ASSERT_TRUE(WaitFor([&] { return Received().size() >= before + 6; }));
  timed.Stop();
  cycle.Stop();
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  for (const std::uint8_t byte : Received()) ASSERT_TRUE(byte == 'A' || byte == 'C') << byte;
}

TEST_F(ActivitiesTest, APayloadReplacedWhileTickingGoesOutWholeFromTheNextTick) {
  TimedSend timed(*m_link);
  const Bytes a = Of("AAAA"), b = Of("BB");
  ASSERT_EQ(timed.Start(a, 1, 115200), TimedSend::Result::kStarted);
  ASSERT_TRUE(WaitFor([&] { return m_record->Tx().count >= 1; }));
  // Replaced over and over while the ticks send.
  int replaced = 0;
  ASSERT_TRUE(WaitFor([&] {
    timed.SetPayload(++replaced % 2 != 0 ? b : a);
    return m_record->Tx().count >= 60;
  }));
  timed.SetPayload(b);
  const std::uint64_t sendsBefore = m_record->Tx().count;
  ASSERT_TRUE(WaitFor([&] { return m_record->Tx().count >= sendsBefore + 3; }));
  timed.Stop();
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  const std::vector<std::size_t> order = Items(Received(), {a, b});
  ASSERT_EQ(order.size(), m_record->Tx().count);
  EXPECT_EQ(order[0], 0u);
  EXPECT_EQ(order.back(), 1u);
}

TEST_F(ActivitiesTest, AStopNeverWaitsForAWriteUnderWayAndMayComeFromIt) {
  const std::string path = WriteFile("file.bin", Pattern(100));
  const struct {
    const char* name;
    std::function<void(ActivitiesTest&, Activities&)> start;
    std::function<void(Activities&)> stop;
    std::function<bool(const SessionState&)> running;
  } cases[] = {
      {"timed send",
       [](ActivitiesTest&, Activities& a) {
         ASSERT_EQ(a.timedSend.Start(Of("ping"), 1, 115200), TimedSend::Result::kStarted);
       },
       [](Activities& a) { a.timedSend.Stop(); },
       [](const SessionState& s) { return s.timedSend; }},
      {"cycle",
       [](ActivitiesTest&, Activities& a) {
         ASSERT_EQ(a.cycle.Start({{"row", false}}, "\r\n", 1), Cycle::Result::kStarted);
       },
       [](Activities& a) { a.cycle.Stop(); },
       [](const SessionState& s) { return s.cycle; }},
      {"file paused",
       [&path](ActivitiesTest& t, Activities& a) {
         t.Load(a.file, path, 300);
         ASSERT_EQ(a.file.Send(), FileSend::Go::kStarted);
       },
       [](Activities& a) { EXPECT_TRUE(a.file.Pause()); },
       [](const SessionState& s) { return s.transfer == Transfer::Sending; }},
      {"file stopped",
       [&path](ActivitiesTest& t, Activities& a) {
         t.Load(a.file, path, 300);
         ASSERT_EQ(a.file.Send(), FileSend::Go::kStarted);
       },
       [](Activities& a) { EXPECT_TRUE(a.file.Stop()); },
       [](const SessionState& s) { return s.transfer != Transfer::Idle; }},
  };
  for (const auto& c : cases) {
    for (const bool fromTheWrite : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (fromTheWrite ? ", from the write" : ", from outside"));
      m_events.Clear();
      Gate gate;
      Activities activities(*m_link);
      std::atomic<bool> stopped{false};
      m_link->SetBeforeWrite([&] {
        if (fromTheWrite && !stopped.exchange(true)) c.stop(activities);
        gate.Pass();
      });
      // Were Stop to wait for the held write, this opens it after a while.
      const Watchdog watchdog(gate);
      c.start(*this, activities);
      ASSERT_TRUE(gate.WaitForSomeone());
      if (!fromTheWrite) c.stop(activities);
      EXPECT_FALSE(c.running(State()));
      EXPECT_FALSE(gate.IsOpen()) << "the stop waited for the write";
      gate.Open();
      activities.Shutdown();
      m_link->SetBeforeWrite(nullptr);
      EXPECT_FALSE(c.running(State()));
      // A transfer ends once: by its stop, or paused, at the shutdown.
      const bool file = std::string(c.name).rfind("file", 0) == 0;
      EXPECT_EQ(m_events.EndedTransfers().size(), file ? 1u : 0u);
    }
  }
}

TEST_F(ActivitiesTest, ALoadedFileIsInHandAndOneThatCannotBeSaysWhy) {
  const std::string held = WriteFile("held.bin", Pattern(10));
  const std::string tooLarge = (m_root / "sparse.bin").string();
  {
    const int fd = ::open(tooLarge.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::ftruncate(fd, off_t(kMaxWholeFileSize) + 1), 0);
    ::close(fd);
  }
  using Status = WholeFile::Status;
  const struct {
    const char* name;
    std::string path;
    FileStage stage;
    bool replaces;  // the chosen file becomes the one in hand
    std::optional<Status> refused;
  } cases[] = {
      {"a file", WriteFile("file.bin", Pattern(1000)), FileStage::Loaded, true, std::nullopt},
      {"an empty file", WriteFile("empty.bin", {}), FileStage::Unsendable, true, Status::Empty},
      {"a missing file", (m_root / "missing.bin").string(), FileStage::Unsendable, true,
       Status::OpenFailed},
      {"a folder", Sub("folder"), FileStage::Unsendable, true, Status::OpenFailed},
      {"a file past the size limit", tooLarge, FileStage::Loaded, false, Status::TooLarge},
  };
  FileSend file(*m_link);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Load(file, held, 9600);
    m_events.Clear();
    Load(file, c.path, 9600);
    EXPECT_EQ(State().file, c.stage);
    EXPECT_EQ(State().filePath, c.replaces ? c.path : held);
    const std::vector<SessionState> states = m_events.States();
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.front().file, FileStage::Loading);
    const auto refused = m_events.RefusedFiles();
    ASSERT_EQ(refused.size(), c.refused ? 1u : 0u);
    if (c.refused) {
      EXPECT_EQ(refused[0].path, c.path);
      EXPECT_EQ(refused[0].status, *c.refused);
    }
    EXPECT_EQ(file.Send(), c.stage == FileStage::Loaded ? FileSend::Go::kStarted
                                                        : FileSend::Go::kNoFile);
    ASSERT_TRUE(WaitFor([&] { return State().transfer == Transfer::Idle; }));
  }
  // What was sent: the file read, and the held one where it stayed.
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  EXPECT_EQ(Received().size(), 1000u + 10);
}

TEST_F(ActivitiesTimedTest, PausedResumedStoppedAndRewoundTheFileReachesTheModuleByteExact) {
  const Bytes bytes = Pattern(8000);
  const std::string path = WriteFile("long.bin", bytes);
  FileSend file(*m_link);
  EXPECT_EQ(file.Send(), FileSend::Go::kNoFile);
  Load(file, path, 300);  // a byte a write
  m_link->ClosePort();
  EXPECT_EQ(file.Send(), FileSend::Go::kNotNow);
  ASSERT_TRUE(m_link->OpenPort(m_module.path()));

  // Sent, paused, resumed: whole, once, in order.
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  EXPECT_EQ(State().transfer, Transfer::Sending);
  EXPECT_FALSE(file.Load(path, 300));
  EXPECT_EQ(file.Send(), FileSend::Go::kNotNow);
  ASSERT_TRUE(WaitFor([&] { return file.Thousandths() > 0; }));
  ASSERT_TRUE(file.Pause());
  EXPECT_EQ(State().transfer, Transfer::Paused);
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  const std::size_t atPause = Received().size();
  // Nothing goes out meanwhile but the byte whose write was under way.
  std::this_thread::sleep_for(200ms);
  EXPECT_LE(Received().size(), atPause + 1);
  EXPECT_LT(atPause, bytes.size());
  EXPECT_TRUE(m_events.EndedTransfers().empty());
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return !m_events.EndedTransfers().empty(); }));
  EXPECT_EQ(State().transfer, Transfer::Idle);
  auto ended = m_events.EndedTransfers();
  EXPECT_EQ(ended[0].end, TransferEnd::Finished);
  EXPECT_EQ(ended[0].stats.bytesSent, std::int64_t(bytes.size()));
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  EXPECT_EQ(Received(), bytes);
  // A write a byte, the final write of none, and the end: each a send.
  EXPECT_EQ(m_record->Tx().count, bytes.size() + 2);

  // The progress stays full until the rewind.
  EXPECT_EQ(file.Thousandths(), 1000);
  EXPECT_EQ(file.Percent(), 100.0);
  file.Rewind();
  ASSERT_TRUE(WaitFor([&] { return file.Thousandths() == 0; }));

  // Stopped part way; the next send starts again from the first byte.
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return file.Thousandths() > 0; }));
  ASSERT_TRUE(file.Stop());
  EXPECT_FALSE(file.Stop());
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return m_events.EndedTransfers().size() == 3; }));
  ended = m_events.EndedTransfers();
  EXPECT_EQ(ended[1].end, TransferEnd::Stopped);
  EXPECT_EQ(ended[2].end, TransferEnd::Finished);
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  // The write under way at the stop still goes out.
  const Bytes all = Received();
  ASSERT_GE(all.size(), 2 * bytes.size() + std::size_t(ended[1].stats.bytesSent));
  ASSERT_LE(all.size(), 2 * bytes.size() + std::size_t(ended[1].stats.bytesSent) + 1);
  const std::size_t part = all.size() - 2 * bytes.size();
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + std::ptrdiff_t(part),
                         all.begin() + std::ptrdiff_t(bytes.size())));
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), all.end() - std::ptrdiff_t(bytes.size())));
}

TEST_F(ActivitiesTest, AFileChosenWhilePausedIsSentWholeOnResume) {
  FileSend file(*m_link);
  Load(file, WriteFile("long.bin", Pattern(8000)), 300);
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return file.Thousandths() > 0; }));
  ASSERT_TRUE(file.Pause());
  const Bytes other = Of("the other file");
  Load(file, WriteFile("other.bin", other), 300);
  EXPECT_EQ(State().file, FileStage::Loaded);
  EXPECT_EQ(State().transfer, Transfer::Paused);
  EXPECT_EQ(file.Thousandths(), 0);
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return !m_events.EndedTransfers().empty(); }));
  EXPECT_EQ(m_events.EndedTransfers()[0].end, TransferEnd::Finished);
  EXPECT_EQ(m_events.EndedTransfers()[0].stats.bytesSent, std::int64_t(other.size()));
  ASSERT_TRUE(WaitFor([&] { return AllArrived(); }));
  const Bytes all = Received();
  ASSERT_GT(all.size(), other.size());
  EXPECT_TRUE(std::equal(other.begin(), other.end(), all.end() - std::ptrdiff_t(other.size())));
}

TEST_F(ActivitiesTest, StopTheLastChunkAClosedPortAndShutdownEndATransferOnce) {
  FileSend file(*m_link);
  Load(file, WriteFile("short.bin", Pattern(27)), 9600);  // three writes and the final one
  constexpr int kRounds = 40;
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE(round);
    if (State().connection != Connection::Open) {
      ASSERT_TRUE(m_link->OpenPort(m_module.path()));
    }
    ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
    // The user's Stop, and the session's for a lost port.
    std::thread stop([&] { file.Stop(); });
    std::thread lost([&] {
      if (round % 2 == 0) m_link->ClosePort();
      file.Stop();
    });
    stop.join();
    lost.join();
    EXPECT_EQ(State().transfer, Transfer::Idle);
    ASSERT_TRUE(WaitFor([&] { return m_events.EndedTransfers().size() == std::size_t(round + 1); }));
  }
  // Closing while a transfer is paused.
  if (State().connection != Connection::Open) {
    ASSERT_TRUE(m_link->OpenPort(m_module.path()));
  }
  ASSERT_EQ(file.Send(), FileSend::Go::kStarted);
  file.Pause();
  std::thread stop([&] { file.Stop(); });
  file.Shutdown();
  stop.join();
  EXPECT_EQ(State().transfer, Transfer::Idle);
  EXPECT_EQ(m_events.EndedTransfers().size(), std::size_t(kRounds + 1));
  EXPECT_EQ(file.Send(), FileSend::Go::kNotNow);
}

}  // namespace
}  // namespace zephyn
