// The settings file "ZephynData.ini": every choice of the window, the 120
// stored strings and the input box, as GBK text with CR LF line ends. A
// header line, an empty line, then 255 entries in a fixed order, each a
// comment line "//..." and a line of key and value (the key carries its own
// colon, but for "sendNewLine"). This file knows the format only: the window
// collects the values and applies what the reader answers.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephyn {

// How a value is read back.
enum class SettingKind {
  Selection,  // a list's text; empty when no entry follows it
  Check,      // a check box: a number, 0 or 1
  Flag,       // a member's 0/1: a number
  Text,       // an edit's text, to the end of the file when nothing follows
  Delay,      // the instruction delay as typed: like Text
};

struct SettingEntry {
  std::string comment;  // GBK, without the leading "//"
  std::string key;      // with its colon (but "sendNewLine")
  SettingKind kind;
};

// Entries in file order.
namespace SettingIndex {
inline constexpr std::size_t kPort = 0;
inline constexpr std::size_t kBaud = 1;
inline constexpr std::size_t kFlow = 2;
inline constexpr std::size_t kInterval = 3;
inline constexpr std::size_t kCycleInterval = 4;
inline constexpr std::size_t kHexSend = 5;
inline constexpr std::size_t kTimedSend = 6;
inline constexpr std::size_t kHexView = 7;
inline constexpr std::size_t kEcho = 8;
inline constexpr std::size_t kNewLine = 9;
inline constexpr std::size_t kRowsNewLine = 10;
inline constexpr std::size_t kFirstRowHex = 11;    // 120 entries: row n at kFirstRowHex + n - 1
inline constexpr std::size_t kFirstRowText = 131;  // 120 entries
inline constexpr std::size_t kInput = 251;
inline constexpr std::size_t kMultiInstruction = 252;
inline constexpr std::size_t kUtf8 = 253;
inline constexpr std::size_t kInstructionDelay = 254;
inline constexpr std::size_t kCount = 255;
}  // namespace SettingIndex

// The 255 entries in file order.
const std::vector<SettingEntry>& SettingEntries();

// The file's bytes for the values in file order (SettingIndex::kCount of
// them, GBK; a check or flag as "0" or "1"): the header, then each entry's
// comment line and key line, every line ended by CR LF.
std::string WriteSettings(const std::vector<std::string>& values);

// Answers the value of each key of a file's bytes. A key counts only where
// an entry starts (at the start of a line after a comment line), and a value
// ends where the next entry starts, so any text a control can hold ("//",
// "%", key names, and in the input box inner line breaks and lines that begin
// with "//") reads back as written. The last two bytes of the file (the CR
// LF of the last entry) are not part of the content.
class SettingsReader {
 public:
  explicit SettingsReader(std::string_view fileBytes);

  // The value of entry `index` as its kind reads it; nullopt when the key is
  // not in the file. A Selection, Check or Flag with no entry after it reads
  // empty (a number 0); a Text or Delay then takes the rest of the content.
  std::optional<std::string> Value(std::size_t index) const;

  // A Check or Flag as a number (leading blanks, sign, digits; 0 without
  // digits); nullopt when the key is not in the file.
  std::optional<int> Number(std::size_t index) const;

 private:
  std::string m_content;
};

}  // namespace zephyn
