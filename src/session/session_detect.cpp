// The rate detection (the steps are in serial/baud_search.h). It runs as a
// request of the connection worker, so it never overlaps an open or a close,
// and it opens and closes the port itself; the state's rate shows each entry
// as it is tried. It ends in an ordinary open at the rate found, or in a
// close.
#include <algorithm>
#include <chrono>
#include <utility>

#include "common/instructions.h"
#include "serial/port_list.h"
#include "session/session.h"

namespace zephyn {

using std::chrono::milliseconds;

namespace {

// How often a wait for the probe's answer looks at the reply.
constexpr milliseconds kAnswerPoll{10};

}  // namespace

bool Session::Detect(std::string port, int flow, std::vector<std::string> rates) {
  // One at a time: a second one while one runs is ignored.
  if (m_detecting.exchange(1) != 0) return false;
  Request(Connection::Detecting,
          [this, choice = PortChoice{std::move(port), {}, flow}, rates = std::move(rates)] {
            const Connection outcome = DetectNow(choice, rates);
            m_detecting = 0;
            return outcome;
          });
  return true;
}

Connection Session::DetectNow(const PortChoice& choice, const std::vector<std::string>& rates) {
  // The probes own the port while they run.
  StopActivities();
  // An answer to the first probe belongs to the rate the port has now.
  const bool startOpen = m_port.IsOpen();
  const std::string startRate = m_openedRate;
  auto entry = [&rates](int position) {
    return position >= 0 && std::size_t(position) < rates.size() ? rates[std::size_t(position)]
                                                                  : std::string();
  };

  BaudSearchSteps steps;
  steps.answered = [this] {
    std::lock_guard lock(m_probeLock);
    return !m_probeReply.empty();
  };
  steps.forgetAnswer = [this] {
    std::lock_guard lock(m_probeLock);
    m_probeReply.clear();
  };
  steps.sendProbe = [this] {
    return SendRecorded(reinterpret_cast<const std::uint8_t*>(kBaudProbe.data()),
                        std::int32_t(kBaudProbe.size()));
  };
  steps.select = [this, &entry](int position) {
    ChangeState([&](SessionState& state) { state.rate = entry(position); });
  };
  steps.reopen = [this, &choice, &entry](int position) {
    if (m_port.IsOpen()) m_port.Close();
    if (!Listed(choice.port)) return;
    // No entry (and the automatic one) reads 0, which no device accepts.
    const auto baud = std::uint32_t(std::max(0, LeadingInt(entry(position))));
    m_port.Open(PortPath(choice.port), baud, 0, 8, 0, choice.flow);
  };
  steps.wait = [this, &steps](milliseconds duration, bool untilAnswer) {
    // Every wait ends at once in the closing order, so that it waits for
    // one step of the detection at most.
    const auto deadline = std::chrono::steady_clock::now() + duration;
    for (;;) {
      if (m_stopDetect != 0) return false;
      if (untilAnswer && steps.answered()) return true;
      const auto left =
          std::chrono::duration_cast<milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left <= milliseconds(0)) return true;
      if (m_stopWait.SleepUnless(m_stopDetect, untilAnswer ? std::min(left, kAnswerPoll) : left))
        return false;
    }
  };

  const BaudSearchResult result = RunBaudSearch(int(rates.size()), startOpen, m_probeIndex, steps,
                                                m_options.baudSearchWaits);
  switch (result.end) {
    case BaudSearchResult::End::Listed:
      return OpenNow(PortChoice{choice.port, entry(result.position), choice.flow}, OpenBy::User)
                 ? Connection::Open
                 : Connection::Closed;
    case BaudSearchResult::End::StartRate:
      return OpenNow(PortChoice{choice.port, startRate, choice.flow}, OpenBy::User)
                 ? Connection::Open
                 : Connection::Closed;
    case BaudSearchResult::End::Exhausted:
      // The rate stays empty, so a later open waits for a rate to be chosen.
      StopActivities();
      CloseNow();
      ChangeState([](SessionState& state) { state.rate.clear(); });
      return Connection::Closed;
    case BaudSearchResult::End::Stopped:
      break;
  }
  return m_port.IsOpen() ? Connection::Open : Connection::Closed;
}

}  // namespace zephyn
