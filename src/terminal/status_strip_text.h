// What the status strip along the bottom of the window says, as pure
// functions of the session's state, the size of this run's capture and the
// window's language. The strip's widget (status_strip.h) only draws it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/texts.h"
#include "session/session_state.h"

namespace zephyn {

// How a modem line's mark looks.
enum class MarkLook {
  Unknown,      // no port open, or the lines not read yet
  Off,          // read (or set) off
  On,           // read (or set) on: lit
  Unavailable,  // the device refused the line
};

struct StripMark {
  std::string label;  // "DTR", ...
  MarkLook look = MarkLook::Unknown;
  bool on = false;  // the line's level as the state has it (meaningful when On or Off)
  // DTR or RTS that a click switches: the port is open, the line was read
  // and not refused, and RTS is not the flow control's.
  bool offered = false;
  std::string name;  // accessible name: the label and what the line is
  // Tooltip and accessible description: why the line is unavailable, what
  // a click does, or why RTS is not offered; empty for none.
  std::string tip;
};

struct StripTexts {
  std::string port;      // the port (or "Port") and what its connection does
  std::string line;      // "115200 8N1, no flow control"; "—" with no port in use
  std::string lineName;  // the line part's accessible name
  std::array<StripMark, kModemLineCount> marks;
  std::string log;  // "Logging to FILE"; empty while no live log runs
};

// UTF-8 texts. The port, the rate and the log's path come as the state holds
// them (the rate as GBK, as typed into the rate box).
StripTexts StripTextsOf(const SessionState& state, Language language);

// "Capture: 1.5 MiB": the size of this run's capture.
std::string CaptureText(std::uint64_t bytes, Language language);

}  // namespace zephyn
