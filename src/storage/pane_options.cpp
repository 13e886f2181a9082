#include "storage/pane_options.h"

#include <optional>
#include <sstream>
#include <string_view>
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

constexpr std::string_view kLineEndKey = "LineEnd";
constexpr std::string_view kInputKey = "Input";
constexpr char kTextMark = 'T';
constexpr char kHexMark = 'H';
constexpr char kDigits[] = "0123456789ABCDEF";

std::string EncodeInput(const InputEntry& entry) {
  std::string value(1, entry.hex ? kHexMark : kTextMark);
  for (const unsigned char byte : entry.text) {
    value += kDigits[byte >> 4];
    value += kDigits[byte & 0x0F];
  }
  return value;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Nullopt for anything EncodeInput does not write.
std::optional<InputEntry> DecodeInput(std::string_view value) {
  if (value.empty() || (value[0] != kTextMark && value[0] != kHexMark)) return std::nullopt;
  const std::string_view digits = value.substr(1);
  if (digits.size() % 2 != 0) return std::nullopt;
  InputEntry entry{{}, value[0] == kHexMark};
  entry.text.reserve(digits.size() / 2);
  for (std::size_t i = 0; i < digits.size(); i += 2) {
    const int high = DigitValue(digits[i]);
    const int low = DigitValue(digits[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    entry.text += static_cast<char>(high * 16 + low);
  }
  return entry;
}

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
  text += std::string(kLineEndKey) + '=' + std::string(LineEndName(options.lineEnd)) + "\r\n";
  for (const InputEntry& entry : options.inputs.Entries())
    text += std::string(kInputKey) + '=' + EncodeInput(entry) + "\r\n";
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
    if (key == kLineEndKey) {
      if (const auto end = LineEndOfName(value)) options.lineEnd = *end;
      continue;
    }
    if (key == kInputKey) {
      // Kept as sending them again would: repeats once, the newest
      // kCapacity at most.
      if (auto entry = DecodeInput(value)) options.inputs.Add(std::move(*entry));
      continue;
    }
    if (value != "0" && value != "1") continue;
    for (const auto& [name, member] : kEntries)
      if (key == name) options.*member = value == "1";
  }
  return options;
}

}  // namespace zephyn
