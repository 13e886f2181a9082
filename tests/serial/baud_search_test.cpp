// The baud search against a simulated module and port: which rate it ends
// on, at which step, in which order it probes, reopens and waits, and how
// it stops.
#include "serial/baud_search.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zephyn {
namespace {

constexpr int kEntries = 9;     // the automatic entry and eight rates
constexpr int kStartRate = 99;  // the rate the port had before the search
constexpr int kClosed = -1;

// A port and a module: the module answers a probe sent at its rate.
struct Simulation {
  int moduleAt = kClosed;  // list position of the module's rate, kStartRate, or none
  int port = kClosed;      // the rate the port is open at
  int selected = -1;
  bool answer = false;
  int strayAtSettle = 0;  // text arrives unasked during the settle of this step
  int stopAtWait = 0;     // the owner stops the search at this wait (1-based)
  int waits = 0;
  std::atomic<std::int32_t> index{0};
  std::vector<std::string> log;

  BaudSearchSteps steps() {
    BaudSearchSteps s;
    s.answered = [this] { return answer; };
    s.forgetAnswer = [this] { answer = false; };
    s.sendProbe = [this] {
      EXPECT_GT(index.load(), 0) << "the receive path must know a search runs";
      if (port == kClosed) return false;
      log.push_back("probe@" + std::to_string(port));
      if (port == moduleAt) answer = true;
      return true;
    };
    s.select = [this](int position) {
      selected = position;
      log.push_back("select " + std::to_string(position));
    };
    s.reopen = [this](int position) {
      EXPECT_EQ(position, selected) << "the port opens at the rate just selected";
      port = position;  // no selection: the empty rate fails to open
      log.push_back("reopen");
    };
    s.wait = [this](std::chrono::milliseconds duration, bool untilAnswer) {
      if (++waits == stopAtWait) return false;
      if (!untilAnswer && index.load() - 1 == strayAtSettle) answer = true;
      log.push_back((untilAnswer ? "await " : "settle ") + std::to_string(duration.count()));
      return true;
    };
    return s;
  }

  BaudSearchResult run(bool startOpen, BaudSearchWaits waits = {}) {
    if (startOpen) port = kStartRate;
    return RunBaudSearch(kEntries, startOpen, index, steps(), waits);
  }
};

using End = BaudSearchResult::End;

TEST(BaudSearchTest, EndsOnTheRateThatAnswered) {
  struct Case {
    const char* name;
    bool startOpen;
    int moduleAt;
    End end;
    int position;
    int judgedAt;
  };
  const Case cases[] = {
      {"9600, port closed before", false, 1, End::Listed, 1, 3},
      {"57600, port closed before", false, 4, End::Listed, 4, 6},
      {"921600, judged at the last step", false, 8, End::Listed, 8, 10},
      {"9600, port open elsewhere before", true, 1, End::Listed, 1, 3},
      {"the rate the port had before", true, kStartRate, End::StartRate, -1, 2},
      {"no module, port closed before", false, kClosed, End::Exhausted, -1, 10},
      {"no module, port open before", true, kClosed, End::Exhausted, -1, 10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Simulation sim;
    sim.moduleAt = c.moduleAt;
    const BaudSearchResult result = sim.run(c.startOpen);
    EXPECT_EQ(result.end, c.end);
    EXPECT_EQ(result.position, c.position);
    EXPECT_EQ(result.judgedAt, c.judgedAt);
    EXPECT_EQ(sim.index.load(), 0);
    // The search never ends on the automatic entry.
    EXPECT_NE(result.position, 0);
  }
}

TEST(BaudSearchTest, ProbesReopensAndWaitsInOrder) {
  // The real waits unless the owner gives others.
  const struct {
    std::optional<BaudSearchWaits> waits;
    std::string await;
    std::string settle;
  } cases[] = {{std::nullopt, "await 150", "settle 80"},
               {BaudSearchWaits{std::chrono::milliseconds(30), std::chrono::milliseconds(5)},
                "await 30", "settle 5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.await);
    Simulation sim;
    const BaudSearchResult result = c.waits ? sim.run(true, *c.waits) : sim.run(true);
    EXPECT_EQ(result.end, End::Exhausted);
    std::vector<std::string> expected = {"select 1", "probe@99", c.await};
    for (int i = 1; i <= 8; ++i) {
      expected.insert(expected.end(), {"select " + std::to_string(i), "reopen", c.settle,
                                       "probe@" + std::to_string(i), c.await});
    }
    // Past the last rate: no selection, the open fails, the last probe finds
    // the port closed.
    expected.insert(expected.end(), {"select -1", "reopen", c.settle});
    EXPECT_EQ(sim.log, expected);
    EXPECT_EQ(sim.selected, -1);
  }
}

TEST(BaudSearchTest, TextBeforeAnyProbeAnswersNothing) {
  // The port was closed, so the first step sent nothing; text that comes
  // while 9600 settles is forgotten rather than taken for "Auto".
  Simulation sim;
  sim.moduleAt = 2;
  sim.strayAtSettle = 1;
  const BaudSearchResult result = sim.run(false);
  EXPECT_EQ(result.end, End::Listed);
  EXPECT_EQ(result.position, 2);
}

TEST(BaudSearchTest, StopsAtTheNextWait) {
  for (int stopAt : {1, 2, 5}) {
    SCOPED_TRACE(stopAt);
    Simulation sim;
    sim.stopAtWait = stopAt;
    const BaudSearchResult result = sim.run(true);
    EXPECT_EQ(result.end, End::Stopped);
    EXPECT_EQ(sim.index.load(), 0);
    EXPECT_EQ(sim.waits, stopAt);  // nothing more after the stop
  }
}

}  // namespace
}  // namespace zephyn
