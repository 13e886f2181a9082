// The session without a window: the virtual module on a pseudo-terminal,
// reached through a link in the test's folder that the tests remove and put
// back as an adapter is unplugged and plugged in again.
#include "session/session.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "serial/port_list.h"
#include "sim/virtual_module.h"
#include "storage/temp_folder.h"
#include "session/recording_events.h"
#include "support/fake_modem_calls.h"

namespace zephyn {
namespace {

using std::chrono::milliseconds;
using namespace std::chrono_literals;

Bytes BytesOf(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

// `text` with every digit as '9': a clock time reads "99:99:99.999".
std::string DigitsAsNines(std::string text) {
  for (char& c : text)
    if (c >= '0' && c <= '9') c = '9';
  return text;
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool Holds(const std::vector<std::uint8_t>& bytes, std::string_view text) {
  return std::string(bytes.begin(), bytes.end()).find(text) != std::string::npos;
}

int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (readdir(dir) != nullptr) ++count;
    closedir(dir);
  }
  return count;
}

class SessionTest : public TempFolderTest {
 protected:
  void SetUp() override {
    TempFolderTest::SetUp();
    m_link = Root() + "/port";
  }
  void TearDown() override {
    m_session.reset();
    m_module.reset();
    TempFolderTest::TearDown();
  }

  // The module, at `rate`, behind the link.
  void Plug(std::uint32_t rate = 9600) {
    m_module = std::make_unique<VirtualModule>(rate);
    ASSERT_TRUE(m_module->ok());
    std::filesystem::remove(m_link);
    std::filesystem::create_symlink(m_module->path(), m_link);
  }
  // The link goes, as an unplugged adapter's device node does; the module
  // itself stays, so that it can come back at the same path.
  void Unplug() { std::filesystem::remove(m_link); }
  void Replug() { std::filesystem::create_symlink(m_module->path(), m_link); }

  SessionOptions Options() {
    SessionOptions options;
    options.extraPorts = {m_link, Root() + "/marker"};
    options.sysfsRoot = Sub("sys");  // the machine's own ports stay out
    options.dataFolder = Sub("data");
    options.portWatchPeriod = 20ms;
    options.baudSearchWaits = {30ms, 5ms};
    return options;
  }
  void Make(SessionOptions options) {
    m_session = std::make_unique<Session>(m_events, std::move(options));
  }
  void StartOpen(std::uint32_t rate = 9600) {
    Plug(rate);
    Make(Options());
    m_session->Start("", "", 0);
    m_session->Open({m_link, std::to_string(rate), 0});
    ASSERT_TRUE(WaitFor([&] { return m_events.Last().connection == Connection::Open; }));
  }
  // Waits for a whole round of the watch after now: another extra port
  // appears, and the watch lists it.
  void WaitForAWatchRound() {
    const std::string marker = Root() + "/marker";
    const bool present = std::filesystem::exists(marker);
    if (present) {
      std::filesystem::remove(marker);
    } else {
      std::ofstream(marker).put('x');
    }
    ASSERT_TRUE(WaitFor([&] {
      const auto lists = m_events.PortLists();
      return !lists.empty() &&
             (std::find(lists.back().begin(), lists.back().end(), marker) != lists.back().end()) !=
                 present;
    }));
  }
  bool IsLast(Connection connection) const { return m_events.Last().connection == connection; }
  // Opens the module with `flow`, its modem lines read every 5 ms, and
  // waits for their first reading.
  void OpenReadingLines(int flow = 0) {
    Plug();
    SessionOptions options = Options();
    options.modemPollPeriod = 5ms;
    Make(options);
    m_session->Start("", "", 0);
    m_session->Open({m_link, "9600", flow});
    ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open) && m_events.Last().lines.read; }));
  }
  // Sends a byte and waits until the module has it: every command queued
  // on the send worker before has run.
  void PassTheSendWorker() {
    const std::size_t before = m_module->received().size();
    m_session->Send(BytesOf("."));
    ASSERT_TRUE(WaitFor([&] { return m_module->received().size() > before; }));
  }
  // A file far longer than a test lasts, sent at 300 bit/s (one byte a
  // chunk), is under way.
  void StartALongTransfer(Session& session, RecordingEvents& events) {
    const std::string path = Root() + "/long.bin";
    const Bytes bytes = Pattern(kLongFile);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    ASSERT_TRUE(session.LoadFile(path, "300"));
    ASSERT_TRUE(WaitFor([&] { return events.Last().file == FileStage::Loaded; }));
    ASSERT_EQ(session.SendFile(), FileSend::Go::kStarted);
    ASSERT_TRUE(WaitFor([&] { return session.FileThousandths() > 0; }));
    EXPECT_EQ(events.Last().transfer, Transfer::Sending);
  }
  static constexpr std::size_t kLongFile = 200'000;

  std::string m_link;
  RecordingEvents m_events;
  std::unique_ptr<VirtualModule> m_module;
  std::unique_ptr<Session> m_session;
};

TEST_F(SessionTest, OpensAndClosesWithTheStatesInOrder) {
  StartOpen(115200);
  EXPECT_EQ(m_module->terminalRate(), 115200u);
  EXPECT_TRUE(m_events.Last().portListed);
  EXPECT_EQ(m_events.Last().port, m_link);
  EXPECT_EQ(m_session->PortToSave(), m_link);
  m_session->Close();
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  EXPECT_EQ(m_events.Connections(),
            (std::vector<Connection>{Connection::Closed, Connection::Opening, Connection::Open,
                                     Connection::Closing, Connection::Closed}));
  // Requests in a row: once the last is asked for, its state shows until
  // all have run (the earlier ones may have run before it was asked for).
  m_session->Open({m_link, "9600", 0});
  m_session->Close();
  m_session->Open({m_link, "9600", 0});
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
  const std::vector<Connection> all = m_events.Connections();
  ASSERT_GE(all.size(), 9u);
  EXPECT_EQ(all[5], Connection::Opening);
  EXPECT_EQ(std::vector<Connection>(all.end() - 2, all.end()),
            (std::vector<Connection>{Connection::Opening, Connection::Open}));
  EXPECT_EQ(m_module->terminalRate(), 9600u);
  EXPECT_TRUE(m_events.OpenFailures().empty());
}

TEST_F(SessionTest, OpensNothingForAPortTheListDoesNotHold) {
  Plug();
  const std::uint32_t rateBefore = m_module->terminalRate();
  Make(Options());
  m_session->Start("", "", 0);
  // A device that was never listed, then the module's once the watch has
  // seen it go.
  m_session->Open({Root() + "/elsewhere", "9600", 0});
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  Unplug();
  ASSERT_TRUE(WaitFor([&] { return !m_events.Last().portListed; }));
  m_session->Open({m_link, "9600", 0});
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  EXPECT_EQ(m_events.Connections(),
            (std::vector<Connection>{Connection::Closed, Connection::Opening, Connection::Closed,
                                     Connection::Opening, Connection::Closed}));
  EXPECT_TRUE(m_events.OpenFailures().empty());
  EXPECT_TRUE(m_session->PaneNotes().empty());
  EXPECT_EQ(m_module->terminalRate(), rateBefore);  // never set by the session
  EXPECT_EQ(m_session->Ports(), std::vector<std::string>{"None"});
}

TEST_F(SessionTest, AFailedOpenIsReportedToTheUserAndNotedForTheProgram) {
  struct Case {
    const char* name;
    std::string rate;
    bool busy;  // another program holds the device
    OpenBy by;
    PortError error;   // reported to the user
    std::string note;  // how the line written into the pane ends, after "[Cannot open <path>"
  };
  const Case cases[] = {
      {"bad rate, user", "fast", false, OpenBy::User, PortError::None, ""},
      {"busy, user", "9600", true, OpenBy::User, PortError::Busy, ""},
      {"bad rate, program", "-5", false, OpenBy::Program, PortError::None,
       R"(/port: the rate "-5" is not a whole number from 1 to 4000000.])"},
      {"busy, program", "9600", true, OpenBy::Program, PortError::None,
       "/port: the device is in use by another program.]"},
      {"no rate, program", " ", false, OpenBy::Program, PortError::None, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Plug();
    RecordingEvents events;
    Session session(events, Options());
    session.Start("", "", 0);
    CComPort holder;
    if (c.busy) {
      ASSERT_TRUE(holder.Open(m_link, 9600, 0, 8, 0, 0));
    }
    session.Open({m_link, c.rate, 0}, c.by);
    ASSERT_TRUE(WaitFor([&] { return events.Last().connection == Connection::Closed; }));
    const std::vector<OpenFailure> failures = events.OpenFailures();
    const std::vector<std::string> notes = session.PaneNotes();
    if (c.by == OpenBy::User) {
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_EQ(failures[0].error, c.error);
      EXPECT_EQ(failures[0].port, m_link);
      EXPECT_EQ(failures[0].rate, c.rate);
      EXPECT_TRUE(notes.empty());
    } else {
      EXPECT_TRUE(failures.empty());
      ASSERT_EQ(notes.size(), c.note.empty() ? 0u : 1u);
      if (!c.note.empty()) {
        EXPECT_EQ(notes[0].rfind("[Cannot open ", 0), 0u) << notes[0];
        EXPECT_TRUE(EndsWith(notes[0], c.note)) << notes[0];
      }
    }
  }
}

TEST_F(SessionTest, EachKindOfFailedOpenIsReportedWithItsCause) {
  // Devices a user may pick that are no serial port, one the system lists
  // but that is gone, and rate texts that are no rate.
  const std::string file = Root() + "/file";
  const std::string fifo = Root() + "/fifo";
  const std::string folder = Sub("folder");
  std::ofstream(file).put('x');
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  Plug();
  SessionOptions options = Options();
  std::filesystem::create_directories(options.sysfsRoot + "/ttyZephynGone7/device/driver");
  options.extraPorts = {m_link, "/dev/null", file, fifo, folder};
  Make(options);
  m_session->Start("", "", 0);
  ASSERT_EQ(m_session->Ports(),
            (std::vector<std::string>{m_link, "/dev/null", file, fifo, folder, "ttyZephynGone7"}));
  struct Case {
    std::string port;
    std::string rate;
    PortError error;  // None: the rate is no rate
    std::string path;
  };
  const Case cases[] = {
      {"/dev/null", "115200", PortError::NotSerial, "/dev/null"},
      {file, "115200", PortError::NotSerial, file},
      {fifo, "115200", PortError::NotSerial, fifo},
      {folder, "115200", PortError::NotSerial, folder},
      {"ttyZephynGone7", "115200", PortError::NotFound, "/dev/ttyZephynGone7"},
      {m_link, "0", PortError::None, m_link},
      {m_link, "abc", PortError::None, m_link},
      {m_link, "", PortError::None, m_link},
      {m_link, "-5", PortError::None, m_link},
      {m_link, "99999999999", PortError::None, m_link},
  };
  std::size_t told = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port + " at \"" + c.rate + "\"");
    m_session->Open({c.port, c.rate, 0});
    ASSERT_TRUE(WaitFor([&] { return m_events.OpenFailures().size() > told; }));
    ASSERT_TRUE(WaitFor([&] { return m_session->ConnectionIdle(); }));
    const std::vector<OpenFailure> failures = m_events.OpenFailures();
    ASSERT_EQ(failures.size(), ++told);  // once per attempt
    EXPECT_EQ(failures.back().port, c.port);
    EXPECT_EQ(failures.back().path, c.path);
    EXPECT_EQ(failures.back().rate, c.rate);
    EXPECT_EQ(failures.back().error, c.error);
    EXPECT_TRUE(IsLast(Connection::Closed));
    EXPECT_FALSE(m_session->PortOpen());
  }
  EXPECT_TRUE(m_session->PaneNotes().empty());
}

TEST_F(SessionTest, AnOpenWhileOpenStopsTheActivitiesAndReopensAsAsked) {
  VirtualModule other(115200);
  ASSERT_TRUE(other.ok());
  struct Case {
    const char* name;
    bool otherPort;
    std::string rate;
  };
  const Case cases[] = {{"the same port at another rate", false, "9600"},
                        {"another port", true, "115200"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Plug(115200);
    SessionOptions options = Options();
    options.extraPorts.push_back(other.path());
    Make(options);
    m_session->Start("", "", 0);
    m_session->Open({m_link, "115200", 0});
    ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
    ASSERT_EQ(m_session->StartTimedSend(BytesOf("tick;"), 2, "115200"),
              TimedSend::Result::kStarted);
    ASSERT_EQ(m_session->StartCycle({{"cycle", false}}, "\r\n", 3), Cycle::Result::kStarted);
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<std::uint8_t> received = m_module->received();
      return Holds(received, "tick;") && Holds(received, "cycle\r\n");
    }));

    const std::string target = c.otherPort ? other.path() : m_link;
    m_session->Open({target, c.rate, 0});
    ASSERT_TRUE(WaitFor([&] { return m_session->ConnectionIdle() && IsLast(Connection::Open); }));
    EXPECT_FALSE(m_events.Last().timedSend);
    EXPECT_FALSE(m_events.Last().cycle);
    EXPECT_EQ(m_events.Last().port, target);
    EXPECT_EQ(m_events.Last().rate, c.rate);
    EXPECT_EQ((c.otherPort ? other : *m_module).terminalRate(), std::uint32_t(std::stoul(c.rate)));
    // Nothing but the user's send goes out any more, at either module.
    const std::size_t atA = m_module->received().size();
    const std::size_t atOther = other.received().size();
    WaitForAWatchRound();
    m_session->Send(BytesOf("marker"));
    ASSERT_TRUE(WaitFor([&] { return Holds((c.otherPort ? other : *m_module).received(), "marker"); }));
    EXPECT_EQ(m_module->received().size(), atA + (c.otherPort ? 0 : 6));
    EXPECT_EQ(other.received().size(), atOther + (c.otherPort ? 6 : 0));

    // A rate that is no number, asked for while open: the port ends closed.
    m_session->Open({target, "fast", 0});
    ASSERT_TRUE(WaitFor([&] { return m_session->ConnectionIdle() && IsLast(Connection::Closed); }));
    EXPECT_FALSE(m_session->PortOpen());
    EXPECT_EQ(m_events.OpenFailures().size(), 1u);
    m_session.reset();
    m_events.Forget();
  }
}

TEST_F(SessionTest, ALostPortIsReopenedWhenItReturnsWithReopeningOn) {
  for (bool reopen : {true, false}) {
    SCOPED_TRACE(reopen ? "reopening on" : "reopening off");
    StartOpen();
    m_session->SetReopenOnReturn(reopen);
    Unplug();
    // Told last, once the state says so.
    ASSERT_TRUE(WaitFor([&] { return !m_events.LostPorts().empty(); }));
    EXPECT_TRUE(IsLast(Connection::Lost));
    EXPECT_EQ(m_events.LostPorts(), std::vector<std::string>{m_link});
    EXPECT_EQ(m_events.Last().reopenPending, reopen);
    EXPECT_EQ(m_session->PortToSave(), m_link);
    Replug();
    if (reopen) {
      ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
      EXPECT_FALSE(m_events.Last().reopenPending);
      const std::vector<std::string> notes = m_session->PaneNotes();
      ASSERT_EQ(notes.size(), 1u);
      EXPECT_EQ(DigitsAsNines(notes[0]), "[disconnected 99:99:99.999, reopened 99:99:99.999]");
      // The note stands in the record, for the pane to show.
      const auto marks = m_session->Record().Marks(true, 0, 1000);
      EXPECT_TRUE(std::any_of(marks.begin(), marks.end(),
                              [&](const StreamMarks::Mark& mark) { return mark.text == notes[0]; }));
      // The port works again.
      m_session->BeginAtQuery();
      m_session->Send(BytesOf("AT+NAME\r\n"));
      ASSERT_TRUE(WaitFor([&] { return !m_events.AtAnswers().empty(); }));
    } else {
      ASSERT_TRUE(WaitFor([&] { return m_session->Ports().front() == m_link; }));
      WaitForAWatchRound();
      EXPECT_TRUE(IsLast(Connection::Lost));
      EXPECT_TRUE(m_session->PaneNotes().empty());
    }
    // Lost once, however many rounds passed.
    EXPECT_EQ(m_events.LostPorts().size(), 1u);
    m_session.reset();
    m_events.Forget();
  }
}

TEST_F(SessionTest, NoReopenPastTheLimit) {
  Plug();
  SessionOptions options = Options();
  options.reopenLimit = 300ms;
  Make(options);
  m_session->Start("", "", 0);
  m_session->SetReopenOnReturn(true);
  m_session->Open({m_link, "9600", 0});
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
  Unplug();
  ASSERT_TRUE(WaitFor([&] { return !m_events.LostPorts().empty(); }));
  const auto lost = std::chrono::steady_clock::now();
  ASSERT_TRUE(WaitFor([&] { return std::chrono::steady_clock::now() - lost > 2 * 300ms; }));
  Replug();
  ASSERT_TRUE(WaitFor([&] { return m_session->Ports().front() == m_link; }));
  WaitForAWatchRound();
  WaitForAWatchRound();
  EXPECT_TRUE(IsLast(Connection::Lost));
  EXPECT_FALSE(m_session->PortOpen());
  EXPECT_TRUE(m_session->PaneNotes().empty());
  EXPECT_EQ(m_events.LostPorts().size(), 1u);
}

TEST_F(SessionTest, APausedWatchLeavesTheListAloneUntilResumed) {
  Plug();
  Make(Options());
  m_session->Start("", "", 0);
  const std::string marker = Root() + "/marker";
  m_session->PauseWatch(true);
  std::ofstream(marker).put('x');
  const int rounds = m_session->WatchRounds();
  ASSERT_TRUE(WaitFor([&] { return m_session->WatchRounds() >= rounds + 3; }));
  EXPECT_EQ(m_session->Ports(), std::vector<std::string>{m_link});
  m_session->PauseWatch(false);
  ASSERT_TRUE(WaitFor([&] { return m_session->Ports().size() == 2; }));
  EXPECT_EQ(m_session->Ports(), (std::vector<std::string>{m_link, marker}));
}

TEST_F(SessionTest, TheSavedPortOpensAtStartOrWhenItAppears) {
  // Listed at start-up: opened at the saved rate.
  Plug();
  Make(Options());
  m_session->Start(m_link, "9600", 0);
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
  EXPECT_TRUE(m_session->PaneNotes().empty());
  m_session.reset();

  // Absent: noted, named by the settings file, opened when it appears.
  Unplug();
  RecordingEvents events;
  Session session(events, Options());
  session.SetReopenOnReturn(true);
  session.Start(m_link, "9600", 0);
  ASSERT_EQ(session.PaneNotes(),
            std::vector<std::string>{"[the saved port " + m_link +
                                     " is not present; it opens when it appears]"});
  EXPECT_EQ(session.PortToSave(), m_link);
  EXPECT_TRUE(events.Last().reopenPending);
  Replug();
  ASSERT_TRUE(WaitFor([&] { return events.Last().connection == Connection::Open; }));
  const std::vector<std::string> notes = session.PaneNotes();
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[1].rfind("[" + m_link + " appeared, opened ", 0), 0u) << notes[1];
  EXPECT_EQ(DigitsAsNines(notes[1].substr(notes[1].size() - 13)), "99:99:99.999]");
  EXPECT_EQ(session.PortToSave(), m_link);
}

TEST_F(SessionTest, OnlyTheSavedPortOpensAtStartAndOnlyWhileListed) {
  // Another module listed first: the saved one opens, not it.
  VirtualModule other(115200);
  ASSERT_TRUE(other.ok());
  const std::uint32_t otherRate = other.terminalRate();
  SessionOptions options = Options();
  options.extraPorts.insert(options.extraPorts.begin(), other.path());
  Plug();
  Make(options);
  m_session->Start(m_link, "9600", 0);
  ASSERT_TRUE(WaitFor([&] { return m_session->ConnectionIdle() && IsLast(Connection::Open); }));
  EXPECT_EQ(m_events.Last().port, m_link);
  EXPECT_EQ(m_module->terminalRate(), 9600u);
  m_session.reset();
  m_events.Forget();

  // Saved but not listed, with reopening off: nothing opens, the other
  // port neither; the pane says why, and the settings file goes on naming
  // the saved one.
  Unplug();
  Make(options);
  m_session->Start(m_link, "9600", 0);
  EXPECT_EQ(m_session->PaneNotes(),
            std::vector<std::string>{"[the saved port " + m_link + " is not present]"});
  WaitForAWatchRound();
  EXPECT_TRUE(m_session->ConnectionIdle());
  EXPECT_FALSE(m_session->PortOpen());
  EXPECT_FALSE(m_events.Last().reopenPending);
  EXPECT_EQ(m_session->PortToSave(), m_link);
  EXPECT_EQ(other.terminalRate(), otherRate);
  EXPECT_TRUE(other.received().empty());
  EXPECT_TRUE(m_events.OpenFailures().empty());
}

TEST_F(SessionTest, SendsReachTheModuleAndTheRecordInOrder) {
  StartOpen();
  for (int i = 0; i < 20; ++i) m_session->Send(BytesOf("block" + std::to_string(i) + ";"));
  std::string expected;
  for (int i = 0; i < 20; ++i) expected += "block" + std::to_string(i) + ";";
  ASSERT_TRUE(WaitFor([&] { return m_module->received().size() >= expected.size(); }));
  const std::vector<std::uint8_t> received = m_module->received();
  EXPECT_EQ(std::string(received.begin(), received.end()), expected);
  ASSERT_TRUE(WaitFor([&] { return m_session->Record().Tx().count == 20; }));
  EXPECT_EQ(m_session->Record().Tx().bytes, expected.size());
  std::vector<std::uint8_t> echo;
  m_session->Record().Tail(true, 1000, echo);
  EXPECT_TRUE(Holds(echo, expected));
  EXPECT_EQ(m_session->TakeSpeedBytes().tx, std::int32_t(expected.size()));
  EXPECT_EQ(m_session->TakeSpeedBytes().tx, 0);
}

TEST_F(SessionTest, AnAtQueryIsAnswered) {
  StartOpen();
  m_session->BeginAtQuery();
  m_session->Send(BytesOf("AT+NAME\r\n"));
  ASSERT_TRUE(WaitFor([&] { return !m_events.AtAnswers().empty(); }));
  EXPECT_EQ(m_events.AtAnswers(), std::vector<std::string>{"Zephyn-BT\r\n"});
  EXPECT_EQ(m_session->EndAtQuery(), std::nullopt);  // already taken
  EXPECT_GT(m_session->Record().Rx().bytes, 0u);
}

TEST_F(SessionTest, EachOkReleasesTheNextInstruction) {
  StartOpen();
  std::string text;
  for (int i = 0; i < 21; ++i) text += "AT+VER\r\n";
  std::string first = "left over";
  // The mode off: nothing is cut, the input goes as it is.
  EXPECT_EQ(m_session->LoadInstructions("AT+NAME\r\nAT+VER", &first), CutResult::Ok);
  EXPECT_EQ(first, "");
  m_session->SetInstructions(true, "0");
  EXPECT_EQ(m_session->LoadInstructions(text, &first), CutResult::TooMany);
  EXPECT_EQ(m_session->Instructions().Count(), 0);
  ASSERT_EQ(m_session->LoadInstructions("AT+NAME\r\nAT+VER\r\nAT+PIN", &first), CutResult::Ok);
  EXPECT_EQ(first, "AT+NAME");
  m_session->Send(BytesOf(first + "\r\n"));
  ASSERT_TRUE(WaitFor([&] { return Holds(m_module->received(), "AT+PIN\r\n"); }));
  const std::vector<std::uint8_t> received = m_module->received();
  EXPECT_EQ(std::string(received.begin(), received.end()), "AT+NAME\r\nAT+VER\r\nAT+PIN\r\n");
}

TEST_F(SessionTest, TheInstructionDelayHoldsTheNextOneAndACloseCutsItShort) {
  StartOpen();
  // Each following instruction waits for the delay after its "OK".
  m_session->SetInstructions(true, "200");
  std::string first;
  ASSERT_EQ(m_session->LoadInstructions("AT+NAME\r\nAT+VER\r\nAT+PIN", &first), CutResult::Ok);
  const auto start = std::chrono::steady_clock::now();
  m_session->Send(BytesOf(first + "\r\n"));
  ASSERT_TRUE(WaitFor([&] { return Holds(m_module->received(), "AT+PIN\r\n"); }));
  EXPECT_GE(std::chrono::steady_clock::now() - start, 2 * 200ms);
  ASSERT_TRUE(WaitFor([&] {
    std::vector<std::uint8_t> shown;
    m_session->Record().Tail(false, 1000, shown);
    return Holds(shown, "1234\r\nOK\r\n");
  }));

  // A delay far longer than the test: the close does not wait it out, and
  // the instruction it held is never sent.
  m_session->SetInstructions(true, "20000");
  ASSERT_EQ(m_session->LoadInstructions("AT+NAME\r\nAT+VER", &first), CutResult::Ok);
  const std::uint64_t answered = m_session->Record().Rx().bytes;
  const std::size_t sent = m_module->received().size();
  m_session->Send(BytesOf(first + "\r\n"));
  // The answer with "OK" is counted before the reader waits out the delay.
  ASSERT_TRUE(WaitFor([&] { return m_session->Record().Rx().bytes > answered; }));
  const auto closing = std::chrono::steady_clock::now();
  m_session->Close();
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 5s);
  const std::vector<std::uint8_t> received = m_module->received();
  EXPECT_EQ(std::string(received.begin() + std::ptrdiff_t(sent), received.end()), "AT+NAME\r\n");
}

TEST_F(SessionTest, TheLiveLogEndsWithThePortOrAFailedFile) {
  StartOpen();
  const std::string path = Root() + "/rx.log";
  m_session->StartLiveLog(path, false);
  EXPECT_TRUE(m_events.Last().liveLog);
  EXPECT_EQ(m_events.Last().liveLogPath, path);
  ASSERT_TRUE(m_module->send(BytesOf("logged\r\n")));
  ASSERT_TRUE(WaitFor([&] { return m_session->Record().Rx().bytes == 8; }));
  m_session->Close();
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  EXPECT_FALSE(m_events.Last().liveLog);
  EXPECT_TRUE(Holds(ReadAll(path), "logged\r\n"));

  // A file that cannot be opened (a folder) ends the log, and the state
  // says so after it said the log had started.
  m_session->StartLiveLog(Sub("folder"), false);
  ASSERT_TRUE(WaitFor([&] { return !m_events.LogFailures().empty(); }));
  ASSERT_TRUE(WaitFor([&] { return !m_events.Last().liveLog; }));
  EXPECT_TRUE(m_events.LogFailures()[0].path == Root() + "/folder");
}

// With sends logged too, a request and the module's answer reach the log in
// the order they happened, each after its direction marker, however fast
// the answer comes; sends that are not shown (a file's chunks) stay out.
TEST_F(SessionTest, TheLiveLogHoldsARequestAndItsAnswerInOrder) {
  StartOpen();
  const std::string path = Root() + "/both.log";
  m_session->StartLiveLog(path, false, true);
  for (int i = 0; i < 5; ++i) {
    const std::uint64_t before = m_session->Record().Rx().bytes;
    m_session->Send(BytesOf("AT\r\n"));
    ASSERT_TRUE(WaitFor([&] { return m_session->Record().Rx().bytes == before + 4; }));
  }
  ASSERT_TRUE(m_session->Link().SendCounted(BytesOf("chunk").data(), 5));
  m_session->StopLiveLog();
  std::string expected;
  for (int i = 0; i < 5; ++i)
    expected += std::string(i == 0 ? "" : "\r\n") + ">>AT\r\n\r\n<<OK\r\n";
  const std::vector<std::uint8_t> written = ReadAll(path);
  EXPECT_EQ(std::string(written.begin(), written.end()), expected);
}

TEST_F(SessionTest, DetectionFindsTheModuleRateOrCloses) {
  const std::vector<std::string> rates = {"Auto", "9600", "19200", "38400", "57600", "115200"};
  struct Case {
    std::uint32_t moduleRate;
    Connection end;
    std::string rate;
  };
  const Case cases[] = {{57600, Connection::Open, "57600"},
                        {115200, Connection::Open, "115200"},  // judged at the last step
                        {230400, Connection::Closed, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.moduleRate);
    Plug(c.moduleRate);
    RecordingEvents events;
    Session session(events, Options());
    session.Start("", "", 0);
    ASSERT_TRUE(session.Detect(m_link, 0, rates));
    EXPECT_FALSE(session.Detect(m_link, 0, rates));  // one at a time
    ASSERT_TRUE(WaitFor([&] { return events.Last().connection == c.end; }));
    EXPECT_EQ(events.Last().rate, c.rate);
    if (c.end == Connection::Open) {
      EXPECT_EQ(m_module->terminalRate(), c.moduleRate);
    }
    // The rate showed each entry as it was tried, in the list's order.
    std::vector<std::string> tried;
    for (const SessionState& state : events.States())
      if (state.connection == Connection::Detecting && !state.rate.empty() &&
          (tried.empty() || tried.back() != state.rate))
        tried.push_back(state.rate);
    ASSERT_GE(tried.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(tried.begin(), tried.begin() + 4),
              std::vector<std::string>(rates.begin() + 1, rates.begin() + 5));
    // The probes' answers were shown but not counted.
    EXPECT_EQ(session.Record().Rx().bytes, 0u);
    EXPECT_TRUE(session.Detect(m_link, 0, rates));  // free again
  }
}

TEST_F(SessionTest, ADetectionFromAnOpenPortFirstHearsTheRateItHad) {
  const std::vector<std::string> rates = {"Auto", "9600", "19200", "38400", "57600", "115200"};
  struct Case {
    std::uint32_t moduleRate;
    std::string openRate;  // as the port was opened, from the list or typed
    Connection end;
    std::string rate;
    std::uint64_t probes;
  };
  const Case cases[] = {
      {57600, "57600", Connection::Open, "57600", 1},
      {250000, "250000", Connection::Open, "250000", 1},
      // No answer: the rate it had, then every entry of the list.
      {1200, "115200", Connection::Closed, "", rates.size()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.openRate);
    Plug(c.moduleRate);
    RecordingEvents events;
    Session session(events, Options());
    session.Start("", "", 0);
    session.Open({m_link, c.openRate, 0});
    ASSERT_TRUE(WaitFor([&] { return events.Last().connection == Connection::Open; }));
    ASSERT_TRUE(session.Detect(m_link, 0, rates));
    ASSERT_TRUE(WaitFor([&] {
      return session.ConnectionIdle() && events.Last().connection != Connection::Detecting;
    }));
    EXPECT_EQ(events.Last().connection, c.end);
    EXPECT_EQ(events.Last().rate, c.rate);
    EXPECT_EQ(session.PortOpen(), c.end == Connection::Open);
    if (c.end == Connection::Open) {
      EXPECT_EQ(m_module->terminalRate(), c.moduleRate);
    }
    // One probe per rate tried, each a send.
    EXPECT_EQ(session.Record().Tx().count, c.probes);
    EXPECT_TRUE(events.OpenFailures().empty());
  }
}

TEST_F(SessionTest, ShutdownEndsADetectionAndTrafficPromptly) {
  for (bool detecting : {true, false}) {
    SCOPED_TRACE(detecting ? "during a detection" : "during traffic");
    Plug(230400);  // answers no rate of the list
    const int threadsBefore = ThreadCount();
    SessionOptions options = Options();
    options.baudSearchWaits = {5000ms, 5000ms};  // steps far longer than the shutdown may take
    RecordingEvents events;
    auto session = std::make_unique<Session>(events, options);
    session->Start("", "", 0);
    std::thread stream;
    if (detecting) {
      ASSERT_TRUE(session->Detect(m_link, 0, {"Auto", "9600", "19200"}));
      ASSERT_TRUE(WaitFor([&] { return m_module->terminalRate() == 9600; }));
    } else {
      session->Open({m_link, "230400", 0});
      ASSERT_TRUE(WaitFor([&] { return events.Last().connection == Connection::Open; }));
      stream = std::thread([&] { m_module->stream(50'000'000, 4096, 0); });
      for (int i = 0; i < 100; ++i) session->Send(Bytes(4096, 'x'));
      ASSERT_TRUE(WaitFor([&] { return session->Record().Rx().bytes > 100'000; }));
    }
    const auto before = std::chrono::steady_clock::now();
    session->Shutdown();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1500ms);
    session.reset();
    m_module->unplug();
    if (stream.joinable()) stream.join();
    m_module.reset();
    // Every thread the session started has ended.
    EXPECT_EQ(ThreadCount(), threadsBefore - 1);  // the module's thread is gone too
  }
}

TEST_F(SessionTest, TheTimedSendAndTheCycleRunWhileOpenAndStopWhenThePortCloses) {
  for (bool lost : {false, true}) {
    SCOPED_TRACE(lost ? "the port is lost" : "the user closes");
    StartOpen(115200);
    ASSERT_EQ(m_session->StartTimedSend(BytesOf("tick;"), 2, "115200"),
              TimedSend::Result::kStarted);
    ASSERT_EQ(m_session->StartCycle({{"", false}, {"cycle", false}}, "\r\n", 3),
              Cycle::Result::kStarted);
    EXPECT_TRUE(m_events.Last().timedSend);
    EXPECT_TRUE(m_events.Last().cycle);
    ASSERT_TRUE(WaitFor([&] {
      const std::vector<std::uint8_t> received = m_module->received();
      return Holds(received, "tick;tick;") && Holds(received, "cycle\r\n");
    }));
    if (lost) {
      Unplug();
      ASSERT_TRUE(WaitFor([&] { return !m_events.LostPorts().empty(); }));
      EXPECT_TRUE(IsLast(Connection::Lost));
    } else {
      m_session->Close();
      ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
    }
    EXPECT_FALSE(m_events.Last().timedSend);
    EXPECT_FALSE(m_events.Last().cycle);

    // Open again, nothing is sent but what the user sends, over many periods
    // of either timer.
    if (lost) {
      Replug();
      ASSERT_TRUE(WaitFor([&] { return m_session->Ports().front() == m_link; }));
    }
    m_session->Open({m_link, "115200", 0});
    ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
    const std::uint64_t sends = m_session->Record().Tx().count;
    WaitForAWatchRound();
    m_session->Send(BytesOf("marker"));
    ASSERT_TRUE(WaitFor([&] { return m_session->Record().Tx().count > sends; }));
    EXPECT_EQ(m_session->Record().Tx().count, sends + 1);
    m_session.reset();
    m_events.Forget();
  }
}

TEST_F(SessionTest, TheTimedSendChecksTheChosenRateAndTicksOneIntervalAfterItsStart) {
  StartOpen(115200);
  // The rate as chosen, read as a whole number: 9600 carries 960 bytes a
  // second; "Auto" carries nothing.
  const struct {
    std::string rate;
    std::size_t length;
    std::int64_t intervalMs;
    TimedSend::Result result;
  } cases[] = {
      {"9600", 10, 10, TimedSend::Result::kTooFast},
      {"9600", 9, 10, TimedSend::Result::kStarted},
      {"Auto", 1, 1000, TimedSend::Result::kTooFast},
      {"115200", 2, kMaxTimerPeriodMs, TimedSend::Result::kStarted},  // the largest interval
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rate + ", " + std::to_string(c.length) + " bytes every " +
                 std::to_string(c.intervalMs) + " ms");
    EXPECT_EQ(m_session->StartTimedSend(Bytes(c.length, 'x'), c.intervalMs, c.rate), c.result);
    EXPECT_EQ(m_events.Last().timedSend, c.result == TimedSend::Result::kStarted);
    m_session->StopTimedSend();
  }

  // Nothing goes out at a start: the first tick, or the cycle's first row,
  // comes one interval later.
  const struct {
    const char* name;
    std::function<void()> start;
    std::function<void()> stop;
  } activities[] = {
      {"timed send",
       [&] {
         ASSERT_EQ(m_session->StartTimedSend(BytesOf("T"), 200, "115200"),
                   TimedSend::Result::kStarted);
       },
       [&] { m_session->StopTimedSend(); }},
      {"cycle",
       [&] {
         ASSERT_EQ(m_session->StartCycle({{"C", false}}, "", 200), Cycle::Result::kStarted);
       },
       [&] { m_session->StopCycle(); }},
  };
  for (const auto& a : activities) {
    SCOPED_TRACE(a.name);
    const std::uint64_t sends = m_session->Record().Tx().count;
    const auto start = std::chrono::steady_clock::now();
    a.start();
    EXPECT_EQ(m_session->Record().Tx().count, sends);
    ASSERT_TRUE(WaitFor([&] { return m_session->Record().Tx().count > sends; }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 190ms);
    a.stop();
  }
}

TEST_F(SessionTest, AFileTransferEndsOnceWithItsFiguresWhenThePortGoes) {
  enum class End { Close, Unplug, Shutdown };
  for (End end : {End::Close, End::Unplug, End::Shutdown}) {
    SCOPED_TRACE(int(end));
    StartOpen(115200);
    StartALongTransfer(*m_session, m_events);
    switch (end) {
      case End::Close:
        m_session->Close();
        ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
        break;
      case End::Unplug:
        Unplug();
        ASSERT_TRUE(WaitFor([&] { return !m_events.LostPorts().empty(); }));
        break;
      case End::Shutdown:
        m_session->Shutdown();
        break;
    }
    EXPECT_EQ(m_events.Last().transfer, Transfer::Idle);
    const std::vector<RecordingEvents::TransferEnded> ends = m_events.TransferEnds();
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0].end, TransferEnd::Stopped);
    EXPECT_GT(ends[0].stats.bytesSent, 0);
    EXPECT_LT(ends[0].stats.bytesSent, std::int64_t(kLongFile));
    // The connection had left Open when the transfer ended, so that none
    // could start behind the stop.
    if (end != End::Shutdown) {
      const std::vector<SessionState> states = m_events.States();
      const auto sending = std::find_if(
          states.begin(), states.end(),
          [](const SessionState& state) { return state.transfer == Transfer::Sending; });
      const auto idle = std::find_if(sending, states.end(), [](const SessionState& state) {
        return state.transfer == Transfer::Idle;
      });
      ASSERT_NE(idle, states.end());
      EXPECT_NE(idle->connection, Connection::Open);
      EXPECT_EQ(m_session->SendFile(), FileSend::Go::kNotNow);
    }
    m_session.reset();
    EXPECT_EQ(m_events.TransferEnds().size(), 1u);
    m_events.Forget();
  }
}

TEST_F(SessionTest, AFileIsCountedNeverEchoedAndSentAgainWithoutReadingItAgain) {
  StartOpen(115200);
  const Bytes bytes = Pattern(1000);
  const std::string path = Root() + "/file.bin";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ASSERT_TRUE(m_session->LoadFile(path, "115200"));
  ASSERT_TRUE(WaitFor([&] { return m_events.Last().file == FileStage::Loaded; }));
  ASSERT_EQ(m_session->SendFile(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return m_events.TransferEnds().size() == 1; }));
  EXPECT_EQ(m_events.TransferEnds()[0].end, TransferEnd::Finished);
  EXPECT_EQ(m_events.TransferEnds()[0].stats.bytesSent, 1000);
  ASSERT_TRUE(WaitFor([&] { return m_module->received() == bytes; }));
  EXPECT_EQ(m_session->Record().Tx().bytes, 1000u);
  // Eight chunks of 115 and one of 80, and the end.
  EXPECT_EQ(m_session->Record().Tx().count, 10u);
  // Counted, never shown: the record with the sent side holds none of it.
  std::vector<std::uint8_t> shown;
  m_session->Record().Tail(true, 1'000'000, shown);
  EXPECT_FALSE(Holds(shown, ">>"));

  // The file is gone from the disk; the one in hand goes again from its
  // first byte.
  std::filesystem::remove(path);
  ASSERT_EQ(m_session->SendFile(), FileSend::Go::kStarted);
  ASSERT_TRUE(WaitFor([&] { return m_events.TransferEnds().size() == 2; }));
  EXPECT_EQ(m_events.TransferEnds()[1].end, TransferEnd::Finished);
  Bytes twice = bytes;
  twice.insert(twice.end(), bytes.begin(), bytes.end());
  ASSERT_TRUE(WaitFor([&] { return m_module->received() == twice; }));
  EXPECT_EQ(m_session->Record().Tx().count, 20u);
}

TEST_F(SessionTest, ADetectionStopsTheActivitiesAsItBegins) {
  Plug(230400);  // answers no rate of the list: the detection lasts
  SessionOptions options = Options();
  options.baudSearchWaits = {5000ms, 5000ms};
  Make(options);
  m_session->Start("", "", 0);
  m_session->Open({m_link, "230400", 0});
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
  ASSERT_EQ(m_session->StartTimedSend(BytesOf("tick;"), 2, "230400"), TimedSend::Result::kStarted);
  ASSERT_EQ(m_session->StartCycle({{"cycle", false}}, "\r\n", 2), Cycle::Result::kStarted);
  ASSERT_TRUE(m_session->Detect(m_link, 0, {"Auto", "9600", "19200"}));
  // The probes own the port: at the first rate tried nothing else runs.
  ASSERT_TRUE(WaitFor([&] { return m_module->terminalRate() == 9600; }));
  EXPECT_TRUE(IsLast(Connection::Detecting));
  EXPECT_FALSE(m_events.Last().timedSend);
  EXPECT_FALSE(m_events.Last().cycle);
}

TEST_F(SessionTest, ShutdownEndsAllThreeActivitiesPromptlyInTheClosingOrder) {
  Plug(115200);
  const int threadsBefore = ThreadCount();
  RecordingEvents events;
  auto session = std::make_unique<Session>(events, Options());
  session->Start("", "", 0);
  session->Open({m_link, "115200", 0});
  ASSERT_TRUE(WaitFor([&] { return events.Last().connection == Connection::Open; }));
  StartALongTransfer(*session, events);
  ASSERT_EQ(session->StartCycle({{"cycle", false}}, "\r\n", 2), Cycle::Result::kStarted);
  ASSERT_EQ(session->StartTimedSend(BytesOf("tick;"), 2, "115200"), TimedSend::Result::kStarted);
  ASSERT_TRUE(WaitFor([&] {
    const std::vector<std::uint8_t> received = m_module->received();
    return Holds(received, "tick;") && Holds(received, "cycle\r\n");
  }));
  const std::size_t statesBefore = events.States().size();

  const auto before = std::chrono::steady_clock::now();
  session->Shutdown();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1500ms);
  ASSERT_EQ(events.TransferEnds().size(), 1u);
  EXPECT_EQ(events.TransferEnds()[0].end, TransferEnd::Stopped);
  // The transfer ended first, then the cycle, then the timed send.
  const std::vector<SessionState> states = events.States();
  auto firstAfter = [&](auto ended) {
    return std::find_if(states.begin() + std::ptrdiff_t(statesBefore), states.end(), ended) -
           states.begin();
  };
  const auto transferEnd =
      firstAfter([](const SessionState& s) { return s.transfer == Transfer::Idle; });
  const auto cycleEnd = firstAfter([](const SessionState& s) { return !s.cycle; });
  const auto timedEnd = firstAfter([](const SessionState& s) { return !s.timedSend; });
  EXPECT_LT(transferEnd, cycleEnd);
  EXPECT_LT(cycleEnd, timedEnd);
  EXPECT_LT(timedEnd, std::ptrdiff_t(states.size()));

  session.reset();
  m_module.reset();
  // Every thread the session and its activities started has ended.
  EXPECT_EQ(ThreadCount(), threadsBefore - 1);  // the module's thread is gone too
}

// A pseudo-terminal has no modem lines: all six read as refused with its
// errno, a set changes nothing else, a break is taken; closing clears them.
TEST_F(SessionTest, APseudoTerminalsModemLinesReadAsRefusedUntilItCloses) {
  OpenReadingLines();
  ModemLines refused;
  refused.read = true;
  refused.refused.fill(ENOTTY);
  EXPECT_EQ(m_events.Last().lines, refused);
  m_session->SetModemLine(ModemLine::Dtr, false);
  m_session->SendBreak();
  PassTheSendWorker();
  EXPECT_EQ(m_events.Last().lines, refused);
  EXPECT_TRUE(m_events.BreakRefusals().empty());

  m_session->Close();
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  // Cleared as soon as the connection left Open.
  for (const SessionState& state : m_events.States())
    if (state.connection != Connection::Open) {
      EXPECT_EQ(state.lines, ModemLines{});
    }
}

TEST_F(SessionTest, ModemLinesAreReadSetAndRefusedLineByLine) {
  FakeModemCalls fake(TIOCM_DTR | TIOCM_RTS | TIOCM_CTS | TIOCM_RNG);
  OpenReadingLines();
  auto last = [&] { return m_events.Last().lines; };
  using On = std::array<bool, kModemLineCount>;
  EXPECT_EQ(last().on, (On{true, true, true, false, false, true}));
  EXPECT_EQ(last().refused, (std::array<int, kModemLineCount>{}));

  // An input changes: the next reading shows it.
  fake.SetLines(TIOCM_DTR | TIOCM_RTS | TIOCM_CAR);
  ASSERT_TRUE(WaitFor([&] { return last().on == On{true, true, false, false, true, false}; }));

  // DTR off and on again: one request each, the level shown at once.
  m_session->SetModemLine(ModemLine::Dtr, false);
  ASSERT_TRUE(WaitFor([&] { return !last().on[0]; }));
  m_session->SetModemLine(ModemLine::Dtr, true);
  ASSERT_TRUE(WaitFor([&] { return last().on[0]; }));
  EXPECT_EQ(fake.CallsOf(TIOCMBIC), (std::vector<FakeModemCalls::Call>{{TIOCMBIC, TIOCM_DTR}}));
  EXPECT_EQ(fake.CallsOf(TIOCMBIS).back(), (FakeModemCalls::Call{TIOCMBIS, TIOCM_DTR}));

  // RTS refused: that line alone, kept across the readings that follow,
  // until a set of it is taken.
  fake.RefuseLine(TIOCM_RTS, EPERM);
  m_session->SetModemLine(ModemLine::Rts, false);
  ASSERT_TRUE(WaitFor([&] { return last().refused[1] == EPERM; }));
  const std::size_t reads = fake.CallsOf(TIOCMGET).size();
  ASSERT_TRUE(WaitFor([&] { return fake.CallsOf(TIOCMGET).size() > reads + 3; }));
  EXPECT_EQ(last().refused, (std::array<int, kModemLineCount>{0, EPERM, 0, 0, 0, 0}));
  EXPECT_EQ(last().on, (On{true, true, false, false, true, false}));
  fake.RefuseLine(TIOCM_RTS, 0);
  m_session->SetModemLine(ModemLine::Rts, false);
  ASSERT_TRUE(WaitFor([&] { return last().refused[1] == 0 && !last().on[1]; }));

  // A refused reading marks all six, and is reported once however many
  // readings refuse the same.
  fake.RefuseRequest(TIOCMGET, EIO);
  ASSERT_TRUE(WaitFor([&] { return last().refused[2] == EIO; }));
  const std::size_t states = m_events.States().size();
  const std::size_t refusedReads = fake.CallsOf(TIOCMGET).size();
  ASSERT_TRUE(WaitFor([&] { return fake.CallsOf(TIOCMGET).size() > refusedReads + 5; }));
  EXPECT_EQ(m_events.States().size(), states);
  ModemLines allRefused;
  allRefused.read = true;
  allRefused.refused.fill(EIO);
  EXPECT_EQ(last(), allRefused);

  // A refused break is told, with the device's errno.
  fake.RefuseRequest(TCSBRK, ENODEV);
  m_session->SendBreak();
  ASSERT_TRUE(WaitFor([&] { return !m_events.BreakRefusals().empty(); }));
  EXPECT_EQ(m_events.BreakRefusals(), std::vector<int>{ENODEV});

  m_session->Close();
  ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
  EXPECT_EQ(last(), ModemLines{});
  m_session.reset();  // no reading reaches the fake once it is gone
}

// With CTS flow control on, RTS belongs to it: a set of RTS is ignored.
// Nothing is set while the port is not open.
TEST_F(SessionTest, RtsIsLeftToTheFlowControlAndNothingIsSetWhileClosed) {
  for (const int flow : {0, 1}) {
    SCOPED_TRACE(flow);
    FakeModemCalls fake;
    OpenReadingLines(flow);
    m_session->SetModemLine(ModemLine::Rts, false);
    m_session->SetModemLine(ModemLine::Cts, false);  // an input: never set
    m_session->SetModemLine(ModemLine::Dtr, false);
    ASSERT_TRUE(WaitFor([&] { return !fake.CallsOf(TIOCMBIC).empty(); }));
    PassTheSendWorker();
    std::vector<FakeModemCalls::Call> cleared{{TIOCMBIC, TIOCM_DTR}};
    if (flow == 0) cleared.insert(cleared.begin(), {TIOCMBIC, TIOCM_RTS});
    EXPECT_EQ(fake.CallsOf(TIOCMBIC), cleared);

    m_session->Close();
    ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Closed); }));
    const std::size_t calls = fake.Calls().size();
    m_session->SetModemLine(ModemLine::Dtr, true);
    m_session->SendBreak();
    m_session->Open({m_link, "9600", flow});
    ASSERT_TRUE(WaitFor([&] { return IsLast(Connection::Open); }));
    // The open's own assertion of DTR and RTS comes first of what follows.
    ASSERT_GT(fake.Calls().size(), calls);
    EXPECT_EQ(fake.Calls()[calls], (FakeModemCalls::Call{TIOCMBIS, TIOCM_DTR | TIOCM_RTS}));
    m_session.reset();
    m_events.Forget();
  }
}

}  // namespace
}  // namespace zephyn
