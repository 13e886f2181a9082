#include "storage/pane_options.h"

#include <sstream>
#include <utility>

namespace zephyn {

namespace {

// The file's names for the choices, in the order they are written.
constexpr std::pair<const char*, bool PaneOptions::*> kEntries[] = {
    {"Timestamps", &PaneOptions::timestamps},
    {"Reopen", &PaneOptions::reopen},
    {"LogTimestamps", &PaneOptions::logTimestamps},
    {"LogSent", &PaneOptions::logSent},
};

}  // namespace

std::string PaneOptionsPath(const std::string& settingsPath) {
  const std::size_t slash = settingsPath.rfind('/');
  if (slash == std::string::npos) return kPaneOptionsFileName;
  return settingsPath.substr(0, slash + 1) + kPaneOptionsFileName;
}

std::string WritePaneOptions(const PaneOptions& options) {
  std::string text;
  for (const auto& [name, member] : kEntries)
    text += std::string(name) + '=' + (options.*member ? '1' : '0') + "\r\n";
  return text;
}

PaneOptions ReadPaneOptions(const std::string& text) {
  PaneOptions options;
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (value != "0" && value != "1") continue;
    for (const auto& [name, member] : kEntries)
      if (key == name) options.*member = value == "1";
  }
  return options;
}

}  // namespace zephyn
