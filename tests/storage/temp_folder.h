// Test support for the storage tests: a fresh folder per test, removed
// afterwards, a recognisable byte pattern, a whole file's bytes, and a limit
// on the size of the files the process writes (a disk that fills up).
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace zephyn {

class TempFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "zephyn_test_XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_root = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(m_root, ignored);
  }

  std::string Root() const { return m_root.string(); }
  // A folder below the root, created when missing.
  std::string Sub(const std::string& name) const {
    std::filesystem::create_directories(m_root / name);
    return (m_root / name).string();
  }

  std::filesystem::path m_root;
};

// Bytes whose value depends on their position, so that a block written twice,
// dropped or out of order shows up in a comparison.
inline std::vector<std::uint8_t> Pattern(std::size_t count, std::size_t offset = 0) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t n = offset + i;
    bytes[i] = static_cast<std::uint8_t>(n ^ (n >> 8) ^ (n >> 16));
  }
  return bytes;
}

inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                   std::istreambuf_iterator<char>());
}

// Holds the file-size limit of the process for one test and restores it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &m_saved);
    m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_saved;
    limit.rlim_cur = bytes;
    m_ok = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &m_saved);
    std::signal(SIGXFSZ, m_oldHandler);
  }
  bool ok() const { return m_ok; }

 private:
  rlimit m_saved{};
  void (*m_oldHandler)(int) = nullptr;
  bool m_ok = false;
};

}  // namespace zephyn
