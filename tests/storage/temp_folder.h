// Test support for the storage tests: a fresh folder per test, removed
// afterwards, a recognisable byte pattern, and a whole file's bytes.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

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

}  // namespace zephyn
