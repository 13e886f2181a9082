// Where the settings file lives and how it is read and written. Beside the
// program ("ZephynData.ini" in its folder) when that folder is writable or
// already holds the file; otherwise in the user's configuration folder
// ($XDG_CONFIG_HOME/zephyn, or ~/.config/zephyn), created when missing, so
// that an installed program keeps its settings too. A write goes to a
// temporary file in the same folder that then replaces the old one, so a
// crash or a full disk never leaves half a file.
#pragma once

#include <optional>
#include <string>

namespace zephyn {

inline constexpr const char* kSettingsFileName = "ZephynData.ini";

// The settings file's path for a program in `exeDir`, a user whose home is
// `home` and whose XDG_CONFIG_HOME is `xdgConfigHome` (empty when unset).
// The configuration folder is created when it is the one chosen.
std::string SettingsFilePath(const std::string& exeDir, const std::string& home,
                             const std::string& xdgConfigHome);

// The same for the running program and user.
std::string SettingsFilePath();

// The whole file; nullopt when it cannot be opened or read.
std::optional<std::string> ReadSettingsFile(const std::string& path);

// Replaces the file with `bytes`. On failure returns false with the file
// concerned and errno in `failedPath` and `failedErrno`, and the old file is
// left as it was.
bool WriteSettingsFile(const std::string& path, const std::string& bytes, std::string& failedPath,
                       int& failedErrno);

}  // namespace zephyn
