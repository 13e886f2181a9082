// Which controls are enabled, shown and checked, and what the captions that
// tell the state say: one pure function of the session's state. The window
// draws its result (terminal/apply_control_states.h) and keeps no rule of
// its own about which control may be used when.
//
// The rule, in words:
// - The connection row (port, rate, flow, Open/Close) can be used while the
//   port is closed or lost, and while it is open with nothing running; the
//   rate, flow and Open/Close need a listed port besides. While an open, a
//   close or a rate detection is under way the row waits for it to end.
// - Sending (input, Send, Timing, File, the side panel) needs the open port.
//   A timed send keeps the connection row, the interval and the file
//   controls off, and the cycle box of the strings page. A string cycle keeps
//   the connection row, the other senders and the file controls off, and its
//   own page's interval, new-line box and row buttons. A file transfer, sent
//   or paused, takes the input, Send, Timing and the side panel away and
//   gives Stop; while paused another file may be chosen.
// - Outside the open state no activity holds a control: the port cannot
//   carry anything, and the session ends what ran. What still runs is told
//   by the Timing and cycle boxes, the Send file caption and Stop.
// - Save needs a listed port, whatever the connection does.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "session/session_state.h"

namespace zephyn {

// The windows whose controls follow the state: the main window and the
// stored-strings page of its side panel.
enum class Dialog { Main, StringsPage };

struct ControlKey {
  Dialog dialog = Dialog::Main;
  int id = 0;  // MainIds / StringsPageIds
  bool operator==(const ControlKey&) const = default;
};

// What the state decides of one control. Only the aspects a control's look
// tells the state by are set; the window leaves the others as they are.
struct ControlState {
  std::optional<bool> enabled;
  std::optional<bool> visible;
  std::optional<bool> checked;
  std::optional<std::uint16_t> caption;  // a TextId
  bool operator==(const ControlState&) const = default;
};

struct GovernedControl {
  ControlKey key;
  ControlState state;
};

struct ControlStates {
  // One entry per governed control, in the order of GovernedControls().
  std::vector<GovernedControl> controls;

  // The state of a governed control; nullptr for a control not governed.
  const ControlState* Find(Dialog dialog, int id) const;
};

// Every control the state governs, in one list. The main window's Open/Close
// button comes last: its caption says whether the port is open, and drawn
// last it finds every other control already in the look it tells.
const std::vector<ControlKey>& GovernedControls();

ControlStates Enablement(const SessionState& state);

}  // namespace zephyn
