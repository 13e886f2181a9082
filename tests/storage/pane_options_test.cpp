#include "storage/pane_options.h"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace zephyn {
namespace {

TEST(PaneOptionsTest, FileBesideTheSettingsFile) {
  EXPECT_EQ(PaneOptionsPath("/home/u/.config/zephyn/ZephynData.ini"),
            "/home/u/.config/zephyn/ZephynPane.ini");
  EXPECT_EQ(PaneOptionsPath("ZephynData.ini"), "ZephynPane.ini");
}

TEST(PaneOptionsTest, ChoicesReadBackAndDamageKeepsDefaults) {
  for (const PaneOptions& options :
       {PaneOptions{}, PaneOptions{true, false, true}, PaneOptions{false, true, false},
        PaneOptions{true, true, true, true}, PaneOptions{false, false, false, true}})
    EXPECT_EQ(ReadPaneOptions(WritePaneOptions(options)), options);
  EXPECT_EQ(WritePaneOptions({true, false, true, true}),
            "Timestamps=1\r\nReopen=0\r\nLogTimestamps=1\r\nLogSent=1\r\nLineEnd=CRLF\r\n");
  // A file written before the choice existed leaves it off.
  EXPECT_EQ(ReadPaneOptions("Timestamps=1\r\nReopen=0\r\nLogTimestamps=1\r\n"),
            (PaneOptions{true, false, true, false}));

  const PaneOptions read =
      ReadPaneOptions("Reopen=yes\nTimestamps=1\ngarbage\n=1\nLogTimestamps=\nUnknown=1");
  EXPECT_EQ(read, (PaneOptions{true, false, false}));
  EXPECT_EQ(ReadPaneOptions(""), PaneOptions{});
}

TEST(PaneOptionsTest, LineEndAndSentInputsReadBack) {
  PaneOptions options;
  options.lineEnd = LineEnd::kLf;
  // Any byte reads back: CR, LF, '=', zero, high bytes; hex and text apart.
  const InputEntry entries[] = {{std::string("a=b\r\nc\0\xFF", 8), false},
                                {"41 42 ", true},
                                {"41 42 ", false}};
  for (const InputEntry& entry : entries) options.inputs.Add(entry);
  const std::string text = WritePaneOptions(options);
  EXPECT_NE(text.find("LineEnd=LF\r\nInput=T613D620D0A6300FF\r\nInput=H"), std::string::npos);
  const PaneOptions read = ReadPaneOptions(text);
  EXPECT_EQ(read, options);
  EXPECT_EQ(read.lineEnd, LineEnd::kLf);
  EXPECT_EQ(read.inputs.Entries(), std::vector<InputEntry>(std::begin(entries), std::end(entries)));
  for (const LineEnd end : {LineEnd::kCrLf, LineEnd::kCr, LineEnd::kLf}) {
    options.lineEnd = end;
    EXPECT_EQ(ReadPaneOptions(WritePaneOptions(options)).lineEnd, end);
  }

  // Unreadable lines are passed over; the rest stays.
  const PaneOptions damaged = ReadPaneOptions(
      "LineEnd=CR\nLineEnd=crlf\nInput=T41\nInput=X41\nInput=T4\nInput=TZZ\nInput=\n"
      "Input=T\nInput=H3132\r\n");
  EXPECT_EQ(damaged.lineEnd, LineEnd::kCr);
  EXPECT_EQ(damaged.inputs.Entries(), (std::vector<InputEntry>{{"A", false}, {"12", true}}));

  // A file with more than the history holds gives its newest entries.
  std::string many;
  for (int i = 0; i < 150; ++i) many += "Input=T" + std::to_string(1000 + i) + "\r\n";
  const PaneOptions capped = ReadPaneOptions(many);
  ASSERT_EQ(capped.inputs.Entries().size(), InputHistory::kCapacity);
  EXPECT_EQ(capped.inputs.Entries().front().text, "\x10\x50");
  EXPECT_EQ(capped.inputs.Entries().back().text, "\x11\x49");
}

}  // namespace
}  // namespace zephyn
