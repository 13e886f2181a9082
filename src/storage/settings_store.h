// Where the settings file lives and how it is read and written. Beside the
// program ("ZephynData.ini" in its folder) when that folder is writable and
// not an installed program's "bin" folder; otherwise in the user's
// configuration folder ($XDG_CONFIG_HOME/zephyn, or ~/.config/zephyn),
// created when missing, so that an installed program keeps its settings too.
// A file left beside such a program is still read until the user's own file
// exists. A write goes to a temporary file beside the file (beside a link's
// target) that then replaces it, so a crash or a full disk never leaves half
// a file; the file keeps its permissions, and one the user made read-only is
// left alone.
#pragma once

#include <optional>
#include <string>

namespace zephyn {

inline constexpr const char* kSettingsFileName = "ZephynData.ini";

struct SettingsFiles {
  std::string path;      // read at start-up and written at close
  std::string fallback;  // read while `path` does not exist; empty: none
};

// The settings files for a program in `exeDir`, a user whose home is `home`
// and whose XDG_CONFIG_HOME is `xdgConfigHome` (empty when unset). The
// configuration folder is created when it is the one chosen.
SettingsFiles FindSettingsFiles(const std::string& exeDir, const std::string& home,
                                const std::string& xdgConfigHome);

// The same for the running program and user.
SettingsFiles FindSettingsFiles();

struct SettingsRead {
  std::optional<std::string> bytes;  // the file's content; nullopt when none was read
  std::string path;                  // the file read, or the one that could not be
  int error = 0;                     // why not: an errno (ENOENT: there is none) or kNotRegularFile
};

// The file at `path` whole, or the one at `fallback` (when not empty) while
// there is none at `path`. Only a regular file is read.
SettingsRead ReadSettingsFile(const std::string& path, const std::string& fallback = {});

// Replaces the file with `bytes`, through a link to its target. On failure
// returns false with the file concerned and the reason in `failedPath` and
// `failedErrno` (an errno, kNotRegularFile or kReadOnlyFile), and the old
// file is left as it was.
bool WriteSettingsFile(const std::string& path, const std::string& bytes, std::string& failedPath,
                       int& failedErrno);

}  // namespace zephyn
