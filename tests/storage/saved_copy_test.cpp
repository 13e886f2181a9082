// Writing a saved copy: whole or not at all, an earlier save kept on failure
// or cancel, and the save on its worker with progress and cancel.
#include "storage/saved_copy.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <vector>

#include "storage/save_job.h"
#include "storage/temp_folder.h"
#include "storage/traffic_record.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

using SavedCopyTest = TempFolderTest;

// The source of a record that received `all` in blocks of 5000 bytes: the
// capture file's millions and the receive log.
SaveSource SourceOf(TrafficRecord& record, const Bytes& all) {
  for (std::size_t at = 0; at < all.size(); at += 5000)
    record.RecordReceived(all.data() + at, 5000, true);
  return record.TakeSaveSource();
}

std::vector<std::string> Names(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
  return names;
}

TEST_F(SavedCopyTest, FailedOrCancelledSaveLeavesTheEarlierSaveAndNoPartialFile) {
  TrafficRecord record(Sub("base"), "20240305142233");
  const Bytes all = Pattern(3'500'000);
  const SaveSource source = SourceOf(record, all);
  const std::string target = Sub("target");
  const std::string dest = target + "/RX data.bin";
  std::ofstream(dest) << "an earlier save";

  // Cancelled after the first piece.
  std::uint64_t asked = 0;
  const SaveResult cancelled =
      WriteSavedCopy(source, target, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, all.size());
        ++asked;
        return done == 0;
      });
  EXPECT_EQ(cancelled.status, SaveStatus::kCancelled);
  EXPECT_EQ(asked, 2u);
  EXPECT_EQ(Names(target), std::vector<std::string>{"RX data.bin"});
  EXPECT_EQ(ReadAll(dest),
            Bytes({'a', 'n', ' ', 'e', 'a', 'r', 'l', 'i', 'e', 'r', ' ', 's', 'a', 'v', 'e'}));

  // The disk fills up half way.
  {
    FileSizeLimit full(1'500'000);
    ASSERT_TRUE(full.ok());
    const SaveResult failed = WriteSavedCopy(source, target);
    EXPECT_EQ(failed.status, SaveStatus::kFailed);
    EXPECT_EQ(failed.error, EFBIG);
    EXPECT_EQ(failed.path, dest);
  }
  EXPECT_EQ(Names(target), std::vector<std::string>{"RX data.bin"});
  EXPECT_EQ(fs::file_size(dest), 15u);

  // And then it goes through, every piece asked for in order.
  std::uint64_t last = 0;
  const SaveResult saved = WriteSavedCopy(source, target, [&](std::uint64_t done, std::uint64_t) {
    EXPECT_GE(done, last);
    last = done;
    return true;
  });
  EXPECT_EQ(saved.status, SaveStatus::kSaved);
  EXPECT_EQ(last, all.size());
  EXPECT_TRUE(ReadAll(dest) == all);
}

TEST_F(SavedCopyTest, JobSavesOnItsWorkerAndCancelStopsIt) {
  TrafficRecord record(Sub("base"), "20240305142233");
  const Bytes all = Pattern(3'500'000);
  const std::string target = Sub("target");
  std::atomic<int> finished{0};

  SaveJob job;
  ASSERT_TRUE(job.Start(SourceOf(record, all), target, [&] { ++finished; }));
  const SaveResult saved = job.Join();
  EXPECT_EQ(saved.status, SaveStatus::kSaved);
  EXPECT_EQ(finished.load(), 1);
  EXPECT_EQ(job.Done(), job.Total());
  EXPECT_EQ(job.Total(), all.size());
  EXPECT_TRUE(ReadAll(target + "/RX data.bin") == all);

  // A save held at its second piece: no second one starts meanwhile, and a
  // cancel ends it with its partial file removed.
  std::mutex lock;
  std::condition_variable wake;
  int pieces = 0;
  bool go = false;
  job.SetBeforePiece([&] {
    std::unique_lock hold(lock);
    if (++pieces == 2) {
      wake.notify_all();
      wake.wait(hold, [&] { return go; });
    }
  });
  fs::remove(target + "/RX data.bin");
  ASSERT_TRUE(job.Start(record.TakeSaveSource(), target, [&] { ++finished; }));
  {
    std::unique_lock hold(lock);
    wake.wait(hold, [&] { return pieces == 2; });
  }
  EXPECT_TRUE(job.Active());
  EXPECT_FALSE(job.Start(record.TakeSaveSource(), target, {}));
  EXPECT_EQ(Names(target).size(), 1u);  // the partial file, under another name
  EXPECT_GT(job.Done(), 0u);
  job.Cancel();
  {
    std::lock_guard hold(lock);
    go = true;
  }
  wake.notify_all();
  EXPECT_EQ(job.Join().status, SaveStatus::kCancelled);
  EXPECT_EQ(finished.load(), 2);
  EXPECT_TRUE(Names(target).empty());
}

}  // namespace
}  // namespace zephyn
