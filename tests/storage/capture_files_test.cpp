// One capture file per run, and the captures of runs that ended without
// deleting theirs kept at start-up under a name no run takes again, while
// those of live runs stay as they are.
#include "storage/capture_files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "storage/save_file.h"
#include "storage/temp_folder.h"
#include "storage/traffic_record.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kStamp = "20240305142233";

using CaptureFilesTest = TempFolderTest;

TEST(CaptureNameTest, NamesOfCapturesAndNothingElse) {
  EXPECT_EQ(CaptureName(kStamp, 4321, 0), "20240305142233RX data.bin");
  EXPECT_EQ(CaptureName(kStamp, 4321, 1), "20240305142233-4321RX data.bin");
  EXPECT_EQ(CaptureName(kStamp, 4321, 2), "20240305142233-4321-2RX data.bin");
  const struct {
    const char* name;
    bool capture;
  } cases[] = {
      {"20240305142233RX data.bin", true},         {"20240305142233-4321RX data.bin", true},
      {"20240305142233-4321-17RX data.bin", true}, {"RX data.bin", false},  // a saved copy
      {"2024030514223RX data.bin", false},         {"20240305142233-RX data.bin", false},
      {"20240305142233-1-2-3RX data.bin", false},  {"x20240305142233RX data.bin", false},
      {"20240305142233RX data.bin.part", false},   {"20240305142233", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsCaptureName(c.name), c.capture) << c.name;

  // Recovered names are no capture names, so a later start leaves them be.
  const struct {
    const char* capture;
    int attempt;
    const char* recovered;
  } recoveries[] = {
      {"20240305142233RX data.bin", 1, "20240305142233RX data (recovered).bin"},
      {"20240305142233-4321-2RX data.bin", 1, "20240305142233-4321-2RX data (recovered).bin"},
      {"20240305142233RX data.bin", 2, "20240305142233RX data (recovered 2).bin"},
  };
  for (const auto& r : recoveries) {
    EXPECT_EQ(RecoveredName(r.capture, r.attempt), r.recovered);
    EXPECT_FALSE(IsCaptureName(r.recovered)) << r.recovered;
  }
}

// Records `bytes` received in blocks of 4000 bytes.
void Receive(TrafficRecord& record, const Bytes& bytes) {
  for (std::size_t at = 0; at < bytes.size(); at += 4000)
    record.RecordReceived(bytes.data() + at,
                          std::uint32_t(std::min<std::size_t>(4000, bytes.size() - at)), true);
}

TEST_F(CaptureFilesTest, RunsOfOneSecondKeepSeparateCaptures) {
  // Three runs of one folder started in the same second, receiving at once.
  TrafficRecord first(Root(), kStamp);
  TrafficRecord second(Root(), kStamp);
  TrafficRecord third(Root(), kStamp);
  const Bytes a = Pattern(2'500'000);
  const Bytes b = Pattern(2'500'000, 7);
  const Bytes c = Pattern(2'500'000, 13);
  for (std::size_t at = 0; at < a.size(); at += 4000) {
    first.RecordReceived(a.data() + at, 4000, true);
    second.RecordReceived(b.data() + at, 4000, true);
    third.RecordReceived(c.data() + at, 4000, true);
  }
  const std::string pid = std::to_string(::getpid());
  EXPECT_EQ(first.CapturePath(), Root() + "/data/20240305142233RX data.bin");
  EXPECT_EQ(second.CapturePath(), Root() + "/data/20240305142233-" + pid + "RX data.bin");
  EXPECT_EQ(third.CapturePath(), Root() + "/data/20240305142233-" + pid + "-2RX data.bin");
  SpillFailure failure;
  for (auto [record, bytes] : {std::pair{&first, &a}, {&second, &b}, {&third, &c}}) {
    EXPECT_EQ(fs::file_size(record->CapturePath()), 2'000'000u);
    const std::string target = Sub("target" + std::to_string(bytes->at(1)));
    ASSERT_TRUE(record->SaveTo(target, failure));
    EXPECT_TRUE(ReadAll(target + "/RX data.bin") == *bytes);
  }

  // After a Clear a run takes its own name again, not another run's.
  first.Clear();
  second.Clear();
  Receive(second, b);
  Receive(first, a);
  EXPECT_EQ(second.CapturePath(), Root() + "/data/20240305142233-" + pid + "RX data.bin");
  EXPECT_EQ(first.CapturePath(), Root() + "/data/20240305142233RX data.bin");
}

// A run killed after its first spill of `bytes`: its capture stays behind
// with its lock held by nobody.
void KilledRun(const std::string& base, const char* stamp, const Bytes& bytes) {
  const pid_t dead = ::fork();
  ASSERT_GE(dead, 0);
  if (dead == 0) {
    CSaveFile file(base, stamp);
    ::_exit(file.AppendCapture(bytes.data(), bytes.size()) ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(dead, &status, 0), dead);
  ASSERT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(CaptureFilesTest, StartUpKeepsTheCapturesOfDeadRunsForTheUser) {
  const Bytes killed = Pattern(1000);
  ASSERT_NO_FATAL_FAILURE(KilledRun(Root(), "20240101000000", killed));
  const std::string stale = Root() + "/data/20240101000000RX data.bin";
  const std::string kept = Root() + "/data/20240101000000RX data (recovered).bin";
  ASSERT_TRUE(fs::exists(stale));
  // A run killed between creating its capture and writing to it left an
  // empty file: nothing to keep.
  std::ofstream(Root() + "/data/20240101000003RX data.bin");
  // A recovered file of the same name from before is not replaced.
  ASSERT_NO_FATAL_FAILURE(KilledRun(Root(), "20240101000004", Pattern(10, 3)));
  std::ofstream(Root() + "/data/20240101000004RX data (recovered).bin") << "kept earlier";

  // A live run of another process, and one of this process.
  int ready[2], release[2];
  ASSERT_EQ(::pipe(ready), 0);
  ASSERT_EQ(::pipe(release), 0);
  const pid_t live = ::fork();
  ASSERT_GE(live, 0);
  if (live == 0) {
    CSaveFile file(Root(), "20240101000001");
    const Bytes bytes = Pattern(1000);
    const char ok = file.AppendCapture(bytes.data(), bytes.size()) ? 1 : 0;
    [[maybe_unused]] ssize_t n = ::write(ready[1], &ok, 1);
    char done;
    n = ::read(release[0], &done, 1);
    ::_exit(0);
  }
  char ok = 0;
  ASSERT_EQ(::read(ready[0], &ok, 1), 1);
  ASSERT_EQ(ok, 1);
  CSaveFile ownLive(Root(), "20240101000002");
  ASSERT_TRUE(ownLive.AppendCapture(Pattern(10).data(), 10));

  // A saved copy and other files in the folder are none of its business.
  std::ofstream(Root() + "/data/RX data.bin") << "a saved copy";
  std::ofstream(Root() + "/data/notes.txt") << "notes";

  TrafficRecord starting(Root(), kStamp);
  std::vector<std::string> recovered = starting.RecoverStaleCaptures();
  std::sort(recovered.begin(), recovered.end());
  EXPECT_EQ(recovered, (std::vector<std::string>{
                           kept, Root() + "/data/20240101000004RX data (recovered 2).bin"}));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(ReadAll(kept) == killed);
  EXPECT_FALSE(fs::exists(Root() + "/data/20240101000003RX data.bin"));
  const std::string earlier = "kept earlier";
  EXPECT_TRUE(ReadAll(Root() + "/data/20240101000004RX data (recovered).bin") ==
              Bytes(earlier.begin(), earlier.end()));
  EXPECT_TRUE(ReadAll(Root() + "/data/20240101000004RX data (recovered 2).bin") == Pattern(10, 3));
  EXPECT_TRUE(fs::exists(Root() + "/data/20240101000001RX data.bin"));
  EXPECT_TRUE(fs::exists(ownLive.CapturePath()));
  EXPECT_TRUE(fs::exists(Root() + "/data/RX data.bin"));
  EXPECT_TRUE(fs::exists(Root() + "/data/notes.txt"));

  // Once the other run has ended, its capture is kept at the next start;
  // what was kept before is neither renamed again nor reported again.
  const char done = 1;
  ASSERT_EQ(::write(release[1], &done, 1), 1);
  int status = 0;
  ASSERT_EQ(::waitpid(live, &status, 0), live);
  for (int fd : {ready[0], ready[1], release[0], release[1]}) ::close(fd);
  EXPECT_EQ(starting.RecoverStaleCaptures(),
            std::vector<std::string>{Root() + "/data/20240101000001RX data (recovered).bin"});
  EXPECT_TRUE(ReadAll(kept) == killed);
  EXPECT_TRUE(fs::exists(ownLive.CapturePath()));
  EXPECT_TRUE(starting.RecoverStaleCaptures().empty());
}

}  // namespace
}  // namespace zephyn
