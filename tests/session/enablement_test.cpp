#include "session/enablement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/text_ids.h"
#include "resources/control_ids.h"

namespace zephyn {
namespace {

enum class Aspect { Enabled, Visible, Checked, Caption };

// One line of the rule: what one aspect of a control (or of `count`
// controls with consecutive IDs) is in every connection state and activity.
// The 30 marks are six groups, one per connection state, of five activities:
//   -  nothing runs      T  timed send     C  string cycle
//   S  file sending      P  file transfer paused
// Marks: Y yes, - no, L yes when a port is listed, F yes when the chosen file
// is loaded (ready to send), N yes once a file was chosen (loaded or not).
// For a caption, yes is `shown` and no is `resting`.
struct Line {
  const char* what;
  Dialog dialog;
  int id;
  Aspect aspect;
  const char* marks;
  int count = 1;
  std::uint16_t shown = 0;
  std::uint16_t resting = 0;
};

constexpr Dialog M = Dialog::Main;
constexpr Dialog S = Dialog::StringsPage;
constexpr Aspect E = Aspect::Enabled;

// clang-format off
const Line kRule[] = {
  //                                                             Closed Lost  Opening Closing Detect Open
  //                                                             -TCSP  -TCSP -TCSP   -TCSP   -TCSP  -TCSP
  {"port list",        M, MainIds::kPortList,        E,         "YYYYY  YYYYY -----   -----   -----  Y----"},
  {"rate list",        M, MainIds::kBaudRate,        E,         "LLLLL  LLLLL -----   -----   -----  L----"},
  {"flow list",        M, MainIds::kFlowControl,     E,         "LLLLL  LLLLL -----   -----   -----  L----"},
  {"Open/Close",       M, MainIds::kOpenClose,       E,         "LLLLL  LLLLL -----   -----   -----  L----"},
  {"Open/Close says Close", M, MainIds::kOpenClose,  Aspect::Caption,
                                                                "-----  ----- -----   -----   -----  YYYYY",
   1, TextId::kCloseCaption, TextId::kOpenCaption},
  {"Save",             M, MainIds::kSave,            E,         "LLLLL  LLLLL LLLLL   LLLLL   LLLLL  LLLLL"},
  {"interval",         M, MainIds::kInterval,        E,         "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  Y-YYY"},
  {"input",            M, MainIds::kInput,           E,         "-----  ----- -----   -----   -----  YYY--"},
  {"Send",             M, MainIds::kSend,            E,         "-----  ----- -----   -----   -----  YY---"},
  {"Timing",           M, MainIds::kTiming,          E,         "-----  ----- -----   -----   -----  YY---"},
  {"Timing ticked",    M, MainIds::kTiming,          Aspect::Checked,
                                                                "-Y---  -Y--- -Y---   -Y---   -Y---  -Y---"},
  {"File",             M, MainIds::kChooseFile,      E,         "-----  ----- -----   -----   -----  Y---Y"},
  {"Send file",        M, MainIds::kSendFile,        E,         "-----  ----- -----   -----   -----  F--YF"},
  {"Send file says Pause", M, MainIds::kSendFile,    Aspect::Caption,
                                                                "---Y-  ---Y- ---Y-   ---Y-   ---Y-  ---Y-",
   1, TextId::kPauseCaption, TextId::kSendFileCaption},
  {"Stop send",        M, MainIds::kStopSend,        E,         "---YY  ---YY ---YY   ---YY   ---YY  ---YY"},
  {"file label",       M, MainIds::kFileLabel,       E,         "NNNNN  NNNNN NNNNN   NNNNN   NNNNN  NNNNN"},
  {"reply mode",       M, MainIds::kReplyMode,       E,         "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  YY-YY"},
  {"side panel shown", M, MainIds::kTabs,            Aspect::Visible,
                                                                "-----  ----- -----   -----   -----  YYY--"},
  {"placeholder shown", M, MainIds::kTabsPlaceholder, Aspect::Visible,
                                                                "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  ---YY"},
  {"cycle box",        S, StringsPageIds::kCycle,    E,         "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  Y-YYY"},
  {"cycle ticked",     S, StringsPageIds::kCycle,    Aspect::Checked,
                                                                "--Y--  --Y-- --Y--   --Y--   --Y--  --Y--"},
  {"cycle interval",   S, StringsPageIds::kCycleInterval, E,    "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  YY-YY"},
  {"page's new line",  S, StringsPageIds::kNewLine,  E,         "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  YY-YY"},
  {"rows' Send",       S, StringsPageIds::kFirstSend, E,        "YYYYY  YYYYY YYYYY   YYYYY   YYYYY  YY-YY",
   StringsPageIds::kRows},
};
// clang-format on

const Connection kConnections[] = {Connection::Closed,  Connection::Lost,      Connection::Opening,
                                   Connection::Closing, Connection::Detecting, Connection::Open};
const char* const kConnectionNames[] = {"closed",  "lost",      "opening",
                                        "closing", "detecting", "open"};
const char kActivities[] = "-TCSP";
const FileStage kStages[] = {FileStage::None, FileStage::Loading, FileStage::Unsendable,
                             FileStage::Loaded};
const char* const kStageNames[] = {"no file", "file loading", "file unsendable", "file loaded"};

// The marks without the spaces that group them.
std::string Marks(const Line& line) {
  std::string marks;
  for (const char* p = line.marks; *p != '\0'; ++p)
    if (*p != ' ') marks += *p;
  return marks;
}

SessionState Shape(Connection connection, char activity, FileStage file, bool portListed) {
  SessionState s;
  s.connection = connection;
  s.portListed = portListed;
  s.file = file;
  if (file != FileStage::None) s.filePath = "/tmp/chosen.bin";
  s.timedSend = activity == 'T';
  s.cycle = activity == 'C';
  if (activity == 'S') s.transfer = Transfer::Sending;
  if (activity == 'P') s.transfer = Transfer::Paused;
  return s;
}

bool Expected(char mark, const SessionState& s) {
  switch (mark) {
    case 'Y':
      return true;
    case 'L':
      return s.portListed;
    case 'F':
      return s.file == FileStage::Loaded;
    case 'N':
      return s.file != FileStage::None;
    default:
      return false;
  }
}

std::optional<std::uint16_t> Actual(const ControlState& state, Aspect aspect) {
  switch (aspect) {
    case Aspect::Enabled:
      return state.enabled;
    case Aspect::Visible:
      return state.visible;
    case Aspect::Checked:
      return state.checked;
    case Aspect::Caption:
      return state.caption;
  }
  return std::nullopt;
}

bool Covers(const Line& line, const ControlKey& key) {
  return line.dialog == key.dialog && key.id >= line.id && key.id < line.id + line.count;
}

TEST(Enablement, EveryControlInEveryStateAndActivity) {
  for (const Line& line : kRule) ASSERT_EQ(Marks(line).size(), 30u) << line.what;

  int checked = 0;
  for (int c = 0; c < 6; ++c) {
    for (int a = 0; a < 5; ++a) {
      for (FileStage file : kStages) {
        for (bool portListed : {false, true}) {
          const SessionState s = Shape(kConnections[c], kActivities[a], file, portListed);
          const ControlStates states = Enablement(s);
          SCOPED_TRACE(::testing::Message() << kConnectionNames[c] << ", activity "
                                            << kActivities[a] << ", " << kStageNames[int(file)]
                                            << (portListed ? ", port listed" : ", no port listed"));
          for (const Line& line : kRule) {
            const char mark = Marks(line)[std::size_t(c * 5 + a)];
            const bool yes = Expected(mark, s);
            for (int id = line.id; id < line.id + line.count; ++id) {
              const ControlState* state = states.Find(line.dialog, id);
              ASSERT_NE(state, nullptr) << line.what << " is not governed";
              const std::optional<std::uint16_t> actual = Actual(*state, line.aspect);
              ASSERT_TRUE(actual.has_value()) << line.what << " is left as it is";
              if (line.aspect == Aspect::Caption) {
                EXPECT_EQ(*actual, yes ? line.shown : line.resting) << line.what;
              } else {
                EXPECT_EQ(*actual != 0, yes) << line.what << " (control " << id << ")";
              }
              ++checked;
            }
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 0);
}

TEST(Enablement, TheRuleNamesEveryAspectOfEveryGovernedControl) {
  // A control or an aspect of it that the function decides but the rule
  // above forgets would go untested.
  const ControlStates states = Enablement(SessionState{});
  ASSERT_EQ(states.controls.size(), GovernedControls().size());
  for (std::size_t i = 0; i < states.controls.size(); ++i) {
    const GovernedControl& control = states.controls[i];
    EXPECT_EQ(control.key, GovernedControls()[i]);
    EXPECT_FALSE(control.state == ControlState{}) << "control " << control.key.id << " has no rule";
    for (Aspect aspect : {Aspect::Enabled, Aspect::Visible, Aspect::Checked, Aspect::Caption}) {
      const bool decided = Actual(control.state, aspect).has_value();
      int lines = 0;
      for (const Line& line : kRule)
        if (line.aspect == aspect && Covers(line, control.key)) ++lines;
      EXPECT_EQ(lines, decided ? 1 : 0) << "control " << control.key.id << " of dialog "
                                        << int(control.key.dialog) << ", aspect " << int(aspect);
    }
  }
  EXPECT_EQ(GovernedControls().back(), (ControlKey{Dialog::Main, MainIds::kOpenClose}))
      << "the caption that tells the port open is drawn last";
}

}  // namespace
}  // namespace zephyn
