// Automatic baud detection: the search for the rate at which the attached
// module answers. It steps through the rate list from the top, reopening
// the port at each rate and sending the module's query "AT+BAUD\r\n"; any
// text received counts as an answer.
//
// Each step, for index = 1, 2, ..., first looks for an answer: one seen now
// answers the probe of the step before, the one sent at list position
// index - 2 (at index 2: at the rate the port had when the search began),
// and the search ends there. Otherwise the probe goes out on the port as it
// is and the step waits a short while for its answer at that rate. Past the
// last entry (index > entries) the list is exhausted. Otherwise the entry at
// `index` is selected (past the last one: none, an empty rate), the port is
// reopened at it, index grows by one and the port settles.
// So the probe at position p goes out in the step with index p + 1 and is
// judged at the top of the step with index p + 2. The step with index
// `entries` opens with an empty rate (which fails) so that the answer at the
// last rate can still be judged, at index entries + 1.
//
// The answer is awaited at the rate the probe went out at: one that came in
// after the reopen would be lost to the input flush of the open, or arrive
// garbled into bytes that do not count.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string_view>

namespace zephyn {

inline constexpr std::string_view kBaudProbe = "AT+BAUD\r\n";
// How long a step waits for the probe's answer at the rate it went out at:
// a module at 9600 bit/s takes about 50 ms to take the probe in and answer.
inline constexpr std::chrono::milliseconds kProbeAnswerWait{150};
// How long the port settles after each reopen.
inline constexpr std::chrono::milliseconds kReopenSettle{80};

// The two waits of a step; a module that answers at once (the virtual one)
// allows shorter ones.
struct BaudSearchWaits {
  std::chrono::milliseconds answer = kProbeAnswerWait;
  std::chrono::milliseconds settle = kReopenSettle;
};

// What the search does to the port and the rate list; supplied by its owner.
struct BaudSearchSteps {
  // Any text received since the search began or since ForgetAnswer.
  std::function<bool()> answered;
  std::function<void()> forgetAnswer;
  // Sends the probe on the port as it is; false when nothing went out (the
  // port is closed), and then no answer is awaited.
  std::function<bool()> sendProbe;
  // Selects a list position; -1 leaves no selection and an empty rate.
  std::function<void(int position)> select;
  // Closes the port if open and opens it at the rate of list position
  // `position`, the one just selected (-1: no rate, and the open fails); a
  // failed open leaves it closed. The rate comes from the list, not from
  // what the rate box shows, which the user may change meanwhile.
  std::function<void(int position)> reopen;
  // Waits `duration`, less when an answer arrives and `untilAnswer` is set.
  // False when the search must end at once (its owner is going away).
  std::function<bool(std::chrono::milliseconds duration, bool untilAnswer)> wait;
};

struct BaudSearchResult {
  enum class End {
    Listed,     // the module answered at list position `position`
    StartRate,  // it answered at the rate the port had when the search began
    Exhausted,  // no rate of the list drew an answer
    Stopped,    // the owner ended the search
  };
  End end = End::Exhausted;
  int position = -1;  // for Listed
  int judgedAt = 0;   // the step index at whose top the search ended
};

// Runs the search over a list of `entries` entries (position 0 is the
// automatic entry itself, never chosen). `startOpen`: the port was open when
// the search began, so the first probe goes out at its rate. `index` is the
// step index while the search runs (the receive path treats every block as
// a possible answer while it is above 0) and 0 once it has ended.
BaudSearchResult RunBaudSearch(int entries, bool startOpen, std::atomic<std::int32_t>& index,
                               const BaudSearchSteps& steps, BaudSearchWaits waits = {});

}  // namespace zephyn
