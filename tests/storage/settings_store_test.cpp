#include "storage/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "storage/temp_folder.h"
#include "storage/user_file.h"
#include "support/file_override.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using SettingsStoreTest = TempFolderTest;

TEST_F(SettingsStoreTest, FileLivesBesideTheProgramOrInTheConfigFolder) {
  const std::string exe = Sub("program");
  const std::string home = Sub("home");
  const std::string xdg = Sub("xdg");
  EXPECT_EQ(FindSettingsFiles(exe, home, "").path, exe + "/ZephynData.ini");
  // An installed program's folder, even one this user may write to (root's
  // /usr/bin), holds no settings.
  EXPECT_EQ(FindSettingsFiles(Sub("usr/bin"), home, "").path,
            home + "/.config/zephyn/ZephynData.ini");
  EXPECT_EQ(FindSettingsFiles(Root() + "/missing", home, "").path,
            home + "/.config/zephyn/ZephynData.ini");
  EXPECT_TRUE(fs::is_directory(home + "/.config/zephyn"));
  EXPECT_EQ(FindSettingsFiles(Root() + "/missing", home, xdg).path, xdg + "/zephyn/ZephynData.ini");
  // A relative XDG_CONFIG_HOME is not a place to write to.
  EXPECT_EQ(FindSettingsFiles(Root() + "/missing", home, "rel").path,
            home + "/.config/zephyn/ZephynData.ini");
  EXPECT_EQ(FindSettingsFiles(exe, home, "").fallback, "");
}

TEST_F(SettingsStoreTest, ReadOnlyProgramFolderKeepsTheSettingsInTheUsersFolder) {
  // A settings file left beside a program whose folder this user cannot
  // write to: it is read, the settings are written to the user's folder,
  // and from then on that one is read.
  const std::string exe = Sub("program");
  const std::string home = Sub("home");
  const std::string xdg = Sub("xdg");
  std::ofstream(exe + "/ZephynData.ini") << "left by the installer";
  std::ofstream(exe + "/ZephynPane.ini") << "Reopen=1";
  ASSERT_EQ(::chmod(exe.c_str(), 0555), 0);
  if (geteuid() == 0 && !SetFileOverride(false)) GTEST_SKIP() << "cannot drop the override";
  for (const auto& [xdgValue, config] :
       {std::pair{std::string(), home + "/.config/zephyn"}, std::pair{xdg, xdg + "/zephyn"}}) {
    SCOPED_TRACE(config);
    const SettingsFiles files = FindSettingsFiles(exe, home, xdgValue);
    EXPECT_EQ(files.path, config + "/ZephynData.ini");
    EXPECT_EQ(files.fallback, exe + "/ZephynData.ini");
    EXPECT_EQ(ReadSettingsFile(files.path, files.fallback).bytes, "left by the installer");

    std::string failedPath;
    int failedErrno = 0;
    EXPECT_TRUE(WriteSettingsFile(files.path, "this run", failedPath, failedErrno))
        << failedPath << ": " << std::strerror(failedErrno);
    const SettingsFiles next = FindSettingsFiles(exe, home, xdgValue);
    EXPECT_EQ(ReadSettingsFile(next.path, next.fallback).bytes, "this run");
  }
  SetFileOverride(true);
  ::chmod(exe.c_str(), 0755);
  EXPECT_EQ(ReadAll(exe + "/ZephynData.ini").size(), std::string("left by the installer").size());
}

TEST_F(SettingsStoreTest, WriteReplacesTheFileWholeOrLeavesIt) {
  const std::string path = Root() + "/ZephynData.ini";
  std::string failedPath;
  int failedErrno = 0;
  EXPECT_EQ(ReadSettingsFile(path).bytes, std::nullopt);
  EXPECT_EQ(ReadSettingsFile(path).error, ENOENT);
  ASSERT_TRUE(WriteSettingsFile(path, "first\r\n", failedPath, failedErrno));
  ASSERT_TRUE(WriteSettingsFile(path, std::string(200'000, 'x'), failedPath, failedErrno));
  EXPECT_EQ(ReadSettingsFile(path).bytes, std::string(200'000, 'x'));
  // Nothing but the file is left in the folder.
  int entries = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(Root())) ++entries;
  EXPECT_EQ(entries, 1);

  // A folder that cannot take the file: the failure names the file and the
  // reason, and the old file stays as it was.
  const std::string gone = Root() + "/missing/ZephynData.ini";
  EXPECT_FALSE(WriteSettingsFile(gone, "new", failedPath, failedErrno));
  EXPECT_EQ(failedPath, gone);
  EXPECT_EQ(failedErrno, ENOENT);
  const std::string readOnly = Sub("ro");
  ASSERT_TRUE(WriteSettingsFile(readOnly + "/ZephynData.ini", "old", failedPath, failedErrno));
  ASSERT_EQ(::chmod(readOnly.c_str(), 0555), 0);
  if (geteuid() == 0 && !SetFileOverride(false)) GTEST_SKIP() << "cannot drop the override";
  EXPECT_FALSE(WriteSettingsFile(readOnly + "/ZephynData.ini", "new", failedPath, failedErrno));
  EXPECT_EQ(failedErrno, EACCES);
  SetFileOverride(true);
  ::chmod(readOnly.c_str(), 0755);
  EXPECT_EQ(ReadSettingsFile(readOnly + "/ZephynData.ini").bytes, "old");
}

TEST_F(SettingsStoreTest, WriteKeepsHowTheUserSetUpTheFile) {
  // Each case: the settings path, what stands there, and what a write of
  // "new" leaves.
  const std::string real = Sub("real") + "/settings.ini";
  auto plain = [&](const std::string& path, mode_t mode) {
    std::ofstream(path) << "old";
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
  };
  const struct {
    const char* name;
    std::function<void(const std::string& path)> make;
    bool written;
    int error;           // when not written
    std::string holder;  // the file that holds the content
    mode_t mode;         // the holder's mode afterwards
  } cases[] = {
      {"a plain file", [&](const std::string& path) { plain(path, 0640); }, true, 0, "", 0640},
      {"a link",
       [&](const std::string& path) {
         plain(real, 0600);
         ASSERT_EQ(::symlink("real/settings.ini", path.c_str()), 0);
       },
       true, 0, real, 0600},
      {"a link to a file not made yet",
       [&](const std::string& path) { ASSERT_EQ(::symlink("real/settings.ini", path.c_str()), 0); },
       true, 0, real, 0644},
      {"a read-only file", [&](const std::string& path) { plain(path, 0444); }, false,
       kReadOnlyFile, "", 0444},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = Root() + "/ZephynData.ini";
    ::unlink(path.c_str());
    ::unlink(real.c_str());
    c.make(path);
    const std::string holder = c.holder.empty() ? path : c.holder;
    std::string failedPath;
    int failedErrno = 0;
    EXPECT_EQ(WriteSettingsFile(path, "new", failedPath, failedErrno), c.written);
    if (!c.written) {
      EXPECT_EQ(failedPath, holder);
      EXPECT_EQ(failedErrno, c.error);
    }
    const std::vector<std::uint8_t> bytes = ReadAll(holder);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), c.written ? "new" : "old");
    struct stat st {};
    ASSERT_EQ(::stat(holder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, c.mode);
    // A link stays a link.
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    EXPECT_EQ(S_ISLNK(st.st_mode), !c.holder.empty());
    // Nothing but the files is left in the folders.
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::recursive_directory_iterator(Root())) ++entries;
    EXPECT_EQ(entries, c.holder.empty() ? 2 : 3);
  }
}

}  // namespace
}  // namespace zephyn
