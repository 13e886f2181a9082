// The receive pane menu's choices, kept in a small file of their own beside
// the settings file ("ZephynPane.ini"), so the settings file's format stays
// as it is. One "Name=0|1" line each; a missing or unreadable line keeps the
// choice's default (off).
#pragma once

#include <string>

namespace zephyn {

inline constexpr const char* kPaneOptionsFileName = "ZephynPane.ini";

struct PaneOptions {
  bool timestamps = false;     // stamp received lines in the pane
  bool reopen = false;         // reopen a lost port when its device returns
  bool logTimestamps = false;  // the live log carries the stamps too
  bool logSent = false;        // the live log takes what is sent too

  bool operator==(const PaneOptions&) const = default;
};

// The file beside the settings file `settingsPath`.
std::string PaneOptionsPath(const std::string& settingsPath);

std::string WritePaneOptions(const PaneOptions& options);
PaneOptions ReadPaneOptions(const std::string& text);

}  // namespace zephyn
