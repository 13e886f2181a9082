#include "storage/pane_options.h"

#include <gtest/gtest.h>

namespace zephyn {
namespace {

TEST(PaneOptionsTest, FileBesideTheSettingsFile) {
  EXPECT_EQ(PaneOptionsPath("/home/u/.config/zephyn/ZephynData.ini"),
            "/home/u/.config/zephyn/ZephynPane.ini");
  EXPECT_EQ(PaneOptionsPath("ZephynData.ini"), "ZephynPane.ini");
}

TEST(PaneOptionsTest, ChoicesReadBackAndDamageKeepsDefaults) {
  for (const PaneOptions options :
       {PaneOptions{}, PaneOptions{true, false, true}, PaneOptions{false, true, false},
        PaneOptions{true, true, true, true}, PaneOptions{false, false, false, true}})
    EXPECT_EQ(ReadPaneOptions(WritePaneOptions(options)), options);
  EXPECT_EQ(WritePaneOptions({true, false, true, true}),
            "Timestamps=1\r\nReopen=0\r\nLogTimestamps=1\r\nLogSent=1\r\n");
  // A file written before the choice existed leaves it off.
  EXPECT_EQ(ReadPaneOptions("Timestamps=1\r\nReopen=0\r\nLogTimestamps=1\r\n"),
            (PaneOptions{true, false, true, false}));

  const PaneOptions read =
      ReadPaneOptions("Reopen=yes\nTimestamps=1\ngarbage\n=1\nLogTimestamps=\nUnknown=1");
  EXPECT_EQ(read, (PaneOptions{true, false, false}));
  EXPECT_EQ(ReadPaneOptions(""), PaneOptions{});
}

}  // namespace
}  // namespace zephyn
