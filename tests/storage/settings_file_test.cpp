#include "storage/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/code_page.h"

namespace zephyn {
namespace {

namespace Idx = SettingIndex;

std::string Gbk(const char* utf8) {
  return Utf8ToGbkString(utf8);
}

// The values of a known state, in file order.
std::vector<std::string> ExampleValues() {
  std::vector<std::string> v(Idx::kCount);
  v[Idx::kPort] = "COM3";
  v[Idx::kBaud] = "115200";
  v[Idx::kFlow] = Gbk("无");
  v[Idx::kInterval] = "200";
  v[Idx::kCycleInterval] = "100";
  for (std::size_t i = Idx::kHexSend; i < Idx::kFirstRowText; ++i) v[i] = "0";
  v[Idx::kHexView] = "1";
  v[Idx::kNewLine] = "1";
  v[Idx::kFirstRowHex + 1] = "1";
  v[Idx::kFirstRowText] = "AT+VER";
  v[Idx::kFirstRowText + 1] = "41 54 0D 0A";
  v[Idx::kInput] = "hello";
  v[Idx::kMultiInstruction] = "0";
  v[Idx::kUtf8] = "0";
  v[Idx::kInstructionDelay] = "150";
  return v;
}

// The same state written out line by line, as the file is documented.
std::string ExampleFile() {
  std::vector<std::string> lines = {
      "[设置信息]",
      "",
      "//串口",
      "com:COM3",
      "//波特率",
      "baud:115200",
      "//流控",
      "fluidcontrol:无",
      "//定时发送间隔时间",
      "intervalTime:200",
      "//多指令发送间隔",
      "MSInterTime:100",
      "//是否Hex发送",
      "HexSend:0",
      "//是否定时发送",
      "intervalSend:0",
      "//是否Hex接收",
      "HexRe:1",
      "//是否不显示接收数据",
      "showReceiveData:0",
      "//是否发送新行",
      "newLine:1",
      "//是否发送新行",
      "sendNewLine0",
      "//多条指令栏Hex",
      "MSHEX1:0",
  };
  for (int d = 2; d <= 120; ++d) {
    lines.push_back("//");
    lines.push_back("MSHEX" + std::to_string(d) + (d == 2 ? ":1" : ":0"));
  }
  lines.push_back("//多条指令框");
  lines.push_back("MS1:AT+VER");
  for (int d = 2; d <= 120; ++d) {
    lines.push_back("//");
    lines.push_back("MS" + std::to_string(d) + (d == 2 ? ":41 54 0D 0A" : ":"));
  }
  for (const char* line :
       {"//输入框内容", "sendData:hello", "//是否支持多指令发送", "multCmdCheck:0",
        "//是否支持UTF-8", "advanceUtf8Check:0", "//多指令发送间隔时间", "multCmdDelay:150"})
    lines.push_back(line);
  std::string text;
  for (const std::string& line : lines) text += Utf8ToGbkString(line) + "\r\n";
  return text;
}

TEST(SettingsFileTest, WriterProducesTheDocumentedBytes) {
  const std::string written = WriteSettings(ExampleValues());
  EXPECT_EQ(written, ExampleFile());
  EXPECT_EQ(written.substr(0, 10), "\x5B\xC9\xE8\xD6\xC3\xD0\xC5\xCF\xA2\x5D");
  std::size_t lines = 0;
  for (std::size_t at = written.find("\r\n"); at != std::string::npos;
       at = written.find("\r\n", at + 2))
    ++lines;
  EXPECT_EQ(lines, 512u);
  EXPECT_EQ(written.find('\n'), written.find("\r\n") + 1);  // no bare line feeds
}

TEST(SettingsFileTest, ReaderAnswersEachKeyByItsKind) {
  const std::string example = ExampleFile();
  const std::string head = Gbk("[设置信息]") + "\r\n\r\n";
  struct Case {
    const char* name;
    std::string file;
    std::size_t index;
    std::optional<std::string> value;
  };
  const std::vector<Case> cases = {
      {"no bytes", "", Idx::kPort, std::nullopt},
      {"one byte", "c", Idx::kPort, std::nullopt},
      {"selection", example, Idx::kPort, "COM3"},
      {"flow word", example, Idx::kFlow, Gbk("无")},
      {"row text", example, Idx::kFirstRowText + 1, "41 54 0D 0A"},
      {"empty row", example, Idx::kFirstRowText + 2, ""},
      {"last entry to the end", example, Idx::kInstructionDelay, "150"},
      {"missing key", head + "//x\r\nbaud:9600\r\n", Idx::kPort, std::nullopt},
      {"percent", head + "//\r\nMS3:100%\r\n//\r\nMS4:\r\n", Idx::kFirstRowText + 2, "100%"},
      {"slashes in a value", head + "//\r\nMS3:a//b\r\n//\r\nMS4:\r\n", Idx::kFirstRowText + 2,
       "a//b"},
      {"web address", head + "//\r\nMS3:http://x\r\n//\r\nMS4:\r\n", Idx::kFirstRowText + 2,
       "http://x"},
      {"key inside an earlier value",
       head + "//\r\nMS3:sendData:stolen\r\n//" + Gbk("输入框内容") + "\r\nsendData:mine\r\n//" +
           Gbk("是否支持多指令发送") + "\r\nmultCmdCheck:0\r\n",
       Idx::kInput, "mine"},
      {"multi-line input with a comment-like line",
       head + "//" + Gbk("输入框内容") + "\r\nsendData:AT\r\n//note\r\nAT+VER\r\n//" +
           Gbk("是否支持多指令发送") + "\r\nmultCmdCheck:1\r\n",
       Idx::kInput, "AT\r\n//note\r\nAT+VER"},
      {"shortened file: selection reads empty", head + "//" + Gbk("串口") + "\r\ncom:COM3\r\n",
       Idx::kPort, ""},
      {"shortened file: text to the end", head + "//\r\nMS3:abc\r\n", Idx::kFirstRowText + 2,
       "abc"},
      {"hand-edited file without comments", "com:COM7\r\nbaud:9600\r\n", Idx::kBaud, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SettingsReader(c.file).Value(c.index), c.value);
  }
}

TEST(SettingsFileTest, ChecksAndFlagsReadAsNumbers) {
  const SettingsReader reader(ExampleFile());
  EXPECT_EQ(reader.Number(Idx::kHexView), 1);
  EXPECT_EQ(reader.Number(Idx::kEcho), 0);
  EXPECT_EQ(reader.Number(Idx::kRowsNewLine), 0);  // "sendNewLine" has no colon
  EXPECT_EQ(reader.Number(Idx::kFirstRowHex + 1), 1);
  EXPECT_EQ(reader.Number(Idx::kMultiInstruction), 0);
  EXPECT_EQ(SettingsReader("//\r\nHexRe: 1x\r\n//\r\nMS1:\r\n").Number(Idx::kHexView), 1);
  EXPECT_EQ(SettingsReader("//\r\nHexRe:\r\n//\r\nMS1:\r\n").Number(Idx::kHexView), 0);
  EXPECT_EQ(SettingsReader("").Number(Idx::kHexView), std::nullopt);
}

TEST(SettingsFileTest, AwkwardValuesSurviveARoundTrip) {
  std::vector<std::string> values = ExampleValues();
  const std::vector<std::string> awkward = {
      Gbk("中文名称"), "a//b",      "http://example.com/x",
      "100%d %s %%",   "sendData:", "//" + Gbk("输入框内容"),
      "MS5:x",         "",          std::string(100'000, 'A'),
  };
  for (std::size_t i = 0; i < awkward.size(); ++i) values[Idx::kFirstRowText + i] = awkward[i];
  values[Idx::kInput] = "line 1\r\n//not a comment\r\nsendData:\r\n\r\nMS1:last";
  values[Idx::kInstructionDelay] = "2//0";
  const SettingsReader reader(WriteSettings(values));
  for (std::size_t i = 0; i < Idx::kCount; ++i) {
    SCOPED_TRACE(SettingEntries()[i].key);
    EXPECT_EQ(reader.Value(i), values[i]);
  }
}

}  // namespace
}  // namespace zephyn
