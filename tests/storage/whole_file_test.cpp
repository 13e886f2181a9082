#include "storage/whole_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "storage/temp_folder.h"
#include "storage/user_file.h"

namespace zephyn {
namespace {

using WholeFileTest = TempFolderTest;
using Status = WholeFile::Status;

TEST_F(WholeFileTest, ReadsTheFileOrSaysWhyNot) {
  auto write = [&](const std::string& name, std::size_t size) {
    const std::string path = Root() + "/" + name;
    const std::vector<std::uint8_t> bytes = Pattern(size);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(size));
    return path;
  };
  const struct {
    const char* name;
    std::string path;
    std::uint64_t limit;
    Status status;
    std::uint64_t size;  // bytes read, or the size of a refused file
    int error;
  } cases[] = {
      {"a file of several megabytes", write("big.bin", 3'000'001), kMaxWholeFileSize, Status::Ok,
       3'000'001, 0},
      {"a file of the limit's size", write("ten.bin", 10), 10, Status::Ok, 10, 0},
      {"a byte over the limit", write("eleven.bin", 11), 10, Status::TooLarge, 11, 0},
      {"an empty file", write("empty.bin", 0), kMaxWholeFileSize, Status::Empty, 0, 0},
      {"a missing file", Root() + "/missing.bin", kMaxWholeFileSize, Status::OpenFailed, 0, ENOENT},
      {"a folder", Sub("folder"), kMaxWholeFileSize, Status::OpenFailed, 0, kNotRegularFile},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const WholeFile file = ReadWholeFile(c.path, c.limit);
    EXPECT_EQ(file.status, c.status);
    EXPECT_EQ(file.size, c.size);
    EXPECT_EQ(file.error, c.error);
    EXPECT_EQ(file.data != nullptr, c.status == Status::Ok);
    if (c.status == Status::Ok) {
      const std::vector<std::uint8_t> read(file.data.get(), file.data.get() + file.size);
      EXPECT_EQ(read, Pattern(c.size));
    }
  }
}

}  // namespace
}  // namespace zephyn
