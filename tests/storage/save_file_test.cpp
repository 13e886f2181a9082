#include "storage/save_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "storage/temp_folder.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kStamp = "20240305142233";

using SaveFileTest = TempFolderTest;

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

Bytes Of(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

TEST(TimeStampTest, FourteenDigits) {
  std::tm time{};
  time.tm_year = 2024 - 1900;
  time.tm_mon = 2;
  time.tm_mday = 5;
  time.tm_hour = 14;
  time.tm_min = 22;
  time.tm_sec = 33;
  EXPECT_EQ(CSaveFile::FormatTimeStamp(time), "20240305142233");

  const std::string now = CSaveFile::MakeTimeStamp();
  EXPECT_EQ(now.size(), 14u);
  EXPECT_EQ(now.find_first_not_of("0123456789"), std::string::npos);
}

TEST_F(SaveFileTest, CaptureGoesIntoTheDataFolderCreatedOnDemand) {
  CSaveFile file(Root(), kStamp);
  EXPECT_EQ(file.CapturePath(), Root() + "/data/20240305142233RX data.bin");
  EXPECT_TRUE(fs::is_directory(m_root / "data"));
  // The same again once the folder exists.
  EXPECT_EQ(file.CapturePath(), Root() + "/data/20240305142233RX data.bin");
}

TEST_F(SaveFileTest, CaptureFallsBackToTheBaseWhenDataCannotBeAFolder) {
  WriteFile(Root() + "/data", "not a folder");
  CSaveFile file(Root(), kStamp);
  const std::string path = file.CapturePath();
  EXPECT_EQ(path, Root() + "/20240305142233RX data.bin");

  ASSERT_TRUE(file.AppendCapture(Of("abc").data(), 3));
  EXPECT_EQ(ReadAll(path), Of("abc"));
}

TEST_F(SaveFileTest, SaveJoinsSpilledBlocksAndPendingBytesInOrder) {
  CSaveFile file(Root(), kStamp);
  const std::string target = Sub("target");
  const std::string dest = target + "/RX data.bin";
  const Bytes all = Pattern(2'500'000);

  ASSERT_TRUE(file.AppendCapture(all.data(), 1'000'000));
  ASSERT_TRUE(file.AppendCapture(all.data() + 1'000'000, 1'000'000));
  ASSERT_TRUE(file.SaveCaptureTo(all.data() + 2'000'000, 500'000, target));
  EXPECT_EQ(file.LastErrno(), 0);
  EXPECT_TRUE(ReadAll(dest) == all) << "saved file differs from the bytes received";

  // Saving changes nothing: a second save gives the same file.
  ASSERT_TRUE(file.SaveCaptureTo(all.data() + 2'000'000, 500'000, target));
  EXPECT_TRUE(ReadAll(dest) == all);
  EXPECT_EQ(fs::file_size(file.CapturePath()), 2'000'000u);

  // After a Clear only the bytes received since count, and the earlier,
  // longer file is replaced rather than overwritten in part.
  ASSERT_TRUE(file.DeleteCapture());
  EXPECT_FALSE(fs::exists(file.CapturePath()));
  ASSERT_TRUE(file.SaveCaptureTo(Of("new").data(), 3, target));
  EXPECT_EQ(ReadAll(dest), Of("new"));

  // The next spill starts a new capture file.
  ASSERT_TRUE(file.AppendCapture(Of("12").data(), 2));
  ASSERT_TRUE(file.SaveCaptureTo(Of("34").data(), 2, target));
  EXPECT_EQ(ReadAll(dest), Of("1234"));
}

TEST_F(SaveFileTest, NothingReceivedSavesAnEmptyFileOverAnOldOne) {
  CSaveFile file(Root(), kStamp);
  const std::string target = Sub("target");
  WriteFile(target + "/RX data.bin", "an older save");

  ASSERT_TRUE(file.SaveCaptureTo(nullptr, 0, target));
  EXPECT_TRUE(fs::exists(target + "/RX data.bin"));
  EXPECT_EQ(fs::file_size(target + "/RX data.bin"), 0u);
}

TEST_F(SaveFileTest, EmptyFolderMeansCancelled) {
  CSaveFile file(Root(), kStamp);
  EXPECT_FALSE(file.SaveCaptureTo(Of("x").data(), 1, ""));
  EXPECT_EQ(file.LastErrno(), 0);
  EXPECT_EQ(file.LastErrorPath(), "");
}

TEST_F(SaveFileTest, UnwritableDestinationIsReportedWithItsPath) {
  CSaveFile file(Root(), kStamp);
  ASSERT_TRUE(file.AppendCapture(Of("abc").data(), 3));
  const std::string missing = Root() + "/no such folder";

  EXPECT_FALSE(file.SaveCaptureTo(Of("x").data(), 1, missing));
  EXPECT_EQ(file.LastErrno(), ENOENT);
  EXPECT_EQ(file.LastErrorPath(), missing + "/RX data.bin");

  // A later success clears the report.
  EXPECT_TRUE(file.SaveCaptureTo(Of("x").data(), 1, Sub("target")));
  EXPECT_EQ(file.LastErrno(), 0);
  EXPECT_EQ(file.LastErrorPath(), "");
}

TEST_F(SaveFileTest, FailedSpillIsReportedNotPretended) {
  // A base that is a regular file leaves no folder to write into, even for
  // root: "data" cannot be made below it and the fallback path is no file.
  const std::string base = Root() + "/base";
  WriteFile(base, "a file");
  CSaveFile file(base, kStamp);

  EXPECT_FALSE(file.AppendCapture(Of("abc").data(), 3));
  EXPECT_EQ(file.LastErrno(), ENOTDIR);
  EXPECT_EQ(file.LastErrorPath(), base + "/20240305142233RX data.bin");
  EXPECT_TRUE(file.DeleteCapture());  // ignores the same failure
}

TEST_F(SaveFileTest, SpillCutShortLeavesTheCaptureAsItWas) {
  CSaveFile file(Root(), kStamp);
  const Bytes first = Pattern(1000);
  ASSERT_TRUE(file.AppendCapture(first.data(), first.size()));
  const Bytes second = Pattern(1000, 1000);
  {
    // The second block fits only in part: the write stops with EFBIG after
    // 500 bytes.
    FileSizeLimit limit(1500);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(file.AppendCapture(second.data(), second.size()));
    EXPECT_EQ(file.LastErrno(), EFBIG);
  }
  EXPECT_EQ(ReadAll(file.CapturePath()), first);

  // Retrying the kept block after the cause is gone gives no duplicates.
  ASSERT_TRUE(file.AppendCapture(second.data(), second.size()));
  const std::string target = Sub("target");
  ASSERT_TRUE(file.SaveCaptureTo(nullptr, 0, target));
  EXPECT_TRUE(ReadAll(target + "/RX data.bin") == Pattern(2000));
}

TEST_F(SaveFileTest, DataFolderBaseFallsBackToTheUsersFolder) {
  const std::string home = Sub("home");
  EXPECT_EQ(DataFolderBase(Root(), home), Root());

  const std::string fallback = home + "/.local/share/zephyn";
  EXPECT_EQ(DataFolderBase(Root() + "/missing", home), fallback);
  EXPECT_TRUE(fs::is_directory(fallback));
  WriteFile(Root() + "/program", "an executable's folder that is a file");
  EXPECT_EQ(DataFolderBase(Root() + "/program", home), fallback);
  // An installed program's folder holds no data, even where it is writable.
  EXPECT_EQ(DataFolderBase(Sub("usr/bin"), home), fallback);
}

}  // namespace
}  // namespace zephyn
