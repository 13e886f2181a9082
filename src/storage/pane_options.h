// The receive pane menu's choices, kept in a small file of their own beside
// the settings file ("ZephynPane.ini"), so the settings file's format stays
// as it is. One "Name=0|1" line each; a missing or unreadable line keeps the
// choice's default (off). Beside them the input box's choices: the line end
// ("LineEnd=CRLF|CR|LF") and the sent inputs, oldest first, one
// "Input=T|H<bytes in hex>" line each (T: text, H: Hex was on), so that any
// byte, CR, LF and '=' included, reads back as it was.
#pragma once

#include <string>

#include "common/input_history.h"
#include "common/line_end.h"

namespace zephyn {

inline constexpr const char* kPaneOptionsFileName = "ZephynPane.ini";

struct PaneOptions {
  bool timestamps = false;     // stamp received lines in the pane
  bool reopen = false;         // reopen a lost port when its device returns
  bool logTimestamps = false;  // the live log carries the stamps too
  bool logSent = false;        // the live log takes what is sent too
  // What New line appends, and the inputs sent, for recalling them.
  LineEnd lineEnd = LineEnd::kCrLf;
  InputHistory inputs{};

  bool operator==(const PaneOptions&) const = default;
};

// The file beside the settings file `settingsPath`.
std::string PaneOptionsPath(const std::string& settingsPath);

std::string WritePaneOptions(const PaneOptions& options);
PaneOptions ReadPaneOptions(const std::string& text);

}  // namespace zephyn
