#include "storage/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "storage/temp_folder.h"
#include "support/file_override.h"

namespace zephyn {
namespace {

namespace fs = std::filesystem;
using SettingsStoreTest = TempFolderTest;

TEST_F(SettingsStoreTest, FileLivesBesideTheProgramOrInTheConfigFolder) {
  const std::string exe = Sub("program");
  const std::string home = Sub("home");
  const std::string xdg = Sub("xdg");
  EXPECT_EQ(SettingsFilePath(exe, home, ""), exe + "/ZephynData.ini");
  // An installed program's folder, even one this user may write to (root's
  // /usr/bin), holds no settings.
  EXPECT_EQ(SettingsFilePath(Sub("usr/bin"), home, ""), home + "/.config/zephyn/ZephynData.ini");
  EXPECT_EQ(SettingsFilePath(Root() + "/missing", home, ""),
            home + "/.config/zephyn/ZephynData.ini");
  EXPECT_TRUE(fs::is_directory(home + "/.config/zephyn"));
  EXPECT_EQ(SettingsFilePath(Root() + "/missing", home, xdg), xdg + "/zephyn/ZephynData.ini");
  // A relative XDG_CONFIG_HOME is not a place to write to.
  EXPECT_EQ(SettingsFilePath(Root() + "/missing", home, "rel"),
            home + "/.config/zephyn/ZephynData.ini");

  // A read-only program folder: the user's folder, unless the file is there.
  ASSERT_EQ(::chmod(exe.c_str(), 0555), 0);
  if (geteuid() == 0 && !SetFileOverride(false)) GTEST_SKIP() << "cannot drop the override";
  EXPECT_EQ(SettingsFilePath(exe, home, ""), home + "/.config/zephyn/ZephynData.ini");
  SetFileOverride(true);
  std::ofstream(exe + "/ZephynData.ini") << "x";
  SetFileOverride(false);
  EXPECT_EQ(SettingsFilePath(exe, home, ""), exe + "/ZephynData.ini");
  SetFileOverride(true);
  ::chmod(exe.c_str(), 0755);
}

TEST_F(SettingsStoreTest, WriteReplacesTheFileWholeOrLeavesIt) {
  const std::string path = Root() + "/ZephynData.ini";
  std::string failedPath;
  int failedErrno = 0;
  EXPECT_EQ(ReadSettingsFile(path), std::nullopt);
  ASSERT_TRUE(WriteSettingsFile(path, "first\r\n", failedPath, failedErrno));
  ASSERT_TRUE(WriteSettingsFile(path, std::string(200'000, 'x'), failedPath, failedErrno));
  EXPECT_EQ(ReadSettingsFile(path), std::string(200'000, 'x'));
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
  EXPECT_EQ(ReadSettingsFile(readOnly + "/ZephynData.ini"), "old");
}

}  // namespace
}  // namespace zephyn
