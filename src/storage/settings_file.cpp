#include "storage/settings_file.h"

#include <unordered_set>

#include "common/code_page.h"
#include "common/instructions.h"

namespace zephyn {
namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kComment = "//";

std::vector<SettingEntry> MakeEntries() {
  auto gbk = [](std::string_view utf8) { return Utf8ToGbkString(utf8); };
  using K = SettingKind;
  std::vector<SettingEntry> entries = {
      {gbk("串口"), "com:", K::Selection},
      {gbk("波特率"), "baud:", K::Selection},
      {gbk("流控"), "fluidcontrol:", K::Selection},
      {gbk("定时发送间隔时间"), "intervalTime:", K::Selection},
      {gbk("多指令发送间隔"), "MSInterTime:", K::Selection},
      {gbk("是否Hex发送"), "HexSend:", K::Check},
      {gbk("是否定时发送"), "intervalSend:", K::Check},
      {gbk("是否Hex接收"), "HexRe:", K::Check},
      {gbk("是否不显示接收数据"), "showReceiveData:", K::Check},
      {gbk("是否发送新行"), "newLine:", K::Check},
      {gbk("是否发送新行"), "sendNewLine", K::Check},
  };
  for (int n = 1; n <= 120; ++n)
    entries.push_back({n == 1 ? gbk("多条指令栏Hex") : std::string(),
                       "MSHEX" + std::to_string(n) + ":", K::Check});
  for (int n = 1; n <= 120; ++n)
    entries.push_back(
        {n == 1 ? gbk("多条指令框") : std::string(), "MS" + std::to_string(n) + ":", K::Text});
  entries.push_back({gbk("输入框内容"), "sendData:", K::Text});
  entries.push_back({gbk("是否支持多指令发送"), "multCmdCheck:", K::Flag});
  entries.push_back({gbk("是否支持UTF-8"), "advanceUtf8Check:", K::Flag});
  entries.push_back({gbk("多指令发送间隔时间"), "multCmdDelay:", K::Delay});
  return entries;
}

// "//comment" CR LF "key": how an entry starts after the line break before it.
std::string EntryHead(const SettingEntry& entry) {
  return std::string(kComment) + entry.comment + std::string(kCrLf) + entry.key;
}

bool StartsWithAnyKey(std::string_view text) {
  // Every key but one ends at its colon, so the line's text up to its first
  // colon is looked up whole; "sendNewLine" has none.
  static const std::unordered_set<std::string_view> keys = [] {
    std::unordered_set<std::string_view> set;
    for (const SettingEntry& entry : SettingEntries()) set.insert(entry.key);
    return set;
  }();
  static constexpr std::string_view kNoColon = "sendNewLine";
  if (text.substr(0, kNoColon.size()) == kNoColon) return true;
  const std::size_t colon = text.substr(0, 24).find(':');
  return colon != text.npos && keys.count(text.substr(0, colon + 1)) != 0;
}

// Where the line that holds `pos` starts.
std::size_t LineStart(std::string_view content, std::size_t pos) {
  const std::size_t newline = pos == 0 ? std::string_view::npos : content.rfind('\n', pos - 1);
  return newline == std::string_view::npos ? 0 : newline + 1;
}

// Where the value of `entry` starts: after its key where the entry starts. In
// a file this program wrote, the key follows its own comment line; in a file
// edited by hand, a key at the start of a line after any comment line counts,
// and last a key at the start of any line.
std::optional<std::size_t> ValueStart(std::string_view content, const SettingEntry& entry) {
  const std::string head = EntryHead(entry);
  if (content.substr(0, head.size()) == head) return head.size();
  if (const std::size_t at = content.find(std::string(kCrLf) + head); at != content.npos)
    return at + kCrLf.size() + head.size();

  std::optional<std::size_t> anyLine;
  for (std::size_t at = content.find(entry.key); at != content.npos;
       at = content.find(entry.key, at + 1)) {
    if (at != 0 && content[at - 1] != '\n') continue;  // not at the start of a line
    if (at > 0 && LineStart(content, at - 1) < at - 1 &&
        content.substr(LineStart(content, at - 1), kComment.size()) == kComment)
      return at + entry.key.size();
    if (!anyLine) anyLine = at + entry.key.size();
  }
  return anyLine;
}

// Where the value that starts at `from` ends: before the line break that
// precedes the next entry. The entry that follows in file order is looked
// for first, so that a value holding comment-like lines is kept whole; else
// any comment line followed by a line that starts with a key.
std::optional<std::size_t> ValueEnd(std::string_view content, std::size_t index, std::size_t from) {
  const std::vector<SettingEntry>& entries = SettingEntries();
  if (index + 1 < entries.size()) {
    const std::string next = std::string(kCrLf) + EntryHead(entries[index + 1]);
    if (const std::size_t at = content.find(next, from); at != content.npos) return at;
  }
  const std::string commentLine = std::string(kCrLf) + std::string(kComment);
  for (std::size_t at = content.find(commentLine, from); at != content.npos;
       at = content.find(commentLine, at + 1)) {
    const std::size_t lineEnd = content.find(kCrLf, at + kCrLf.size());
    if (lineEnd == content.npos) break;
    if (StartsWithAnyKey(content.substr(lineEnd + kCrLf.size()))) return at;
  }
  return std::nullopt;
}

}  // namespace

const std::vector<SettingEntry>& SettingEntries() {
  static const std::vector<SettingEntry> entries = MakeEntries();
  return entries;
}

std::string WriteSettings(const std::vector<std::string>& values) {
  const std::vector<SettingEntry>& entries = SettingEntries();
  std::string text = Utf8ToGbkString("[设置信息]");
  text += kCrLf;
  text += kCrLf;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    text += kComment;
    text += entries[i].comment;
    text += kCrLf;
    text += entries[i].key;
    if (i < values.size()) text += values[i];
    text += kCrLf;
  }
  return text;
}

SettingsReader::SettingsReader(std::string_view fileBytes)
    : m_content(fileBytes.size() < 2 ? std::string_view()
                                     : fileBytes.substr(0, fileBytes.size() - 2)) {}

std::optional<std::string> SettingsReader::Value(std::size_t index) const {
  const std::vector<SettingEntry>& entries = SettingEntries();
  if (index >= entries.size()) return std::nullopt;
  const std::string_view content = m_content;
  const std::optional<std::size_t> start = ValueStart(content, entries[index]);
  if (!start) return std::nullopt;
  if (const std::optional<std::size_t> end = ValueEnd(content, index, *start))
    return std::string(content.substr(*start, *end - *start));
  switch (entries[index].kind) {
    case SettingKind::Text:
    case SettingKind::Delay:
      return std::string(content.substr(*start));
    default:
      return std::string();
  }
}

std::optional<int> SettingsReader::Number(std::size_t index) const {
  const std::optional<std::string> value = Value(index);
  if (!value) return std::nullopt;
  return LeadingInt(*value);
}

}  // namespace zephyn
