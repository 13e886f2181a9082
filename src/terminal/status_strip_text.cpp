#include "terminal/status_strip_text.h"

#include <cstring>

#include "common/code_page.h"
#include "common/text_ids.h"

namespace zephyn {

namespace {

constexpr const char* kLineLabels[kModemLineCount] = {"DTR", "RTS", "CTS", "DSR", "DCD", "RI"};

std::string Fill(std::uint16_t id, Language language,
                 std::initializer_list<std::string_view> args) {
  return FillText(LoadTextUtf8(id, language), args);
}

std::uint16_t ConnectionText(const SessionState& state) {
  switch (state.connection) {
    case Connection::Closed:
      return TextId::kStripClosed;
    case Connection::Opening:
      return TextId::kStripOpening;
    case Connection::Open:
      return TextId::kStripOpen;
    case Connection::Closing:
      return TextId::kStripClosing;
    case Connection::Lost:
      return state.reopenPending ? TextId::kStripReopening : TextId::kStripLost;
    case Connection::Detecting:
      return TextId::kStripDetecting;
  }
  return TextId::kStripClosed;
}

// The rate and flow control the port is (being) opened with, while it is.
std::string LineText(const SessionState& state, Language language) {
  const bool inUse = state.connection == Connection::Open ||
                     state.connection == Connection::Opening ||
                     state.connection == Connection::Detecting;
  if (!inUse || state.rate.empty()) return "—";
  const std::uint16_t id = (state.flow & 1) ? TextId::kStripLineCtsFlow : TextId::kStripLineNoFlow;
  return Fill(id, language, {GbkToUtf8(state.rate)});
}

StripMark MarkOf(const SessionState& state, int index, Language language) {
  StripMark mark;
  mark.label = kLineLabels[index];
  const ModemLines& lines = state.lines;
  const bool open = state.connection == Connection::Open;
  if (open && lines.refused[std::size_t(index)] != 0) {
    mark.look = MarkLook::Unavailable;
    mark.tip = std::strerror(lines.refused[std::size_t(index)]);
  } else if (open && lines.read) {
    mark.on = lines.on[std::size_t(index)];
    mark.look = mark.on ? MarkLook::On : MarkLook::Off;
  }
  std::uint16_t name = TextId::kStripMarkUnknown;
  if (mark.look == MarkLook::On) name = TextId::kStripMarkOn;
  if (mark.look == MarkLook::Off) name = TextId::kStripMarkOff;
  if (mark.look == MarkLook::Unavailable) name = TextId::kStripMarkUnavailable;
  mark.name = Fill(name, language, {mark.label});

  // The outputs are switched from here; RTS belongs to CTS flow control.
  const bool output = index == int(ModemLine::Dtr) || index == int(ModemLine::Rts);
  if (!output || (mark.look != MarkLook::On && mark.look != MarkLook::Off)) return mark;
  if (index == int(ModemLine::Rts) && (state.flow & 1)) {
    mark.tip = LoadTextUtf8(TextId::kStripRtsFlow, language);
    return mark;
  }
  mark.offered = true;
  mark.tip = Fill(TextId::kStripMarkSwitch, language, {mark.label});
  return mark;
}

std::string SizeText(std::uint64_t bytes, Language language) {
  if (bytes < 1024) return Fill(TextId::kByteAmount, language, {std::to_string(bytes)});
  const char* units[] = {"KiB", "MiB", "GiB", "TiB"};
  double size = double(bytes) / 1024.0;
  int unit = 0;
  while (size >= 1024.0 && unit < 3) {
    size /= 1024.0;
    ++unit;
  }
  // One decimal, with a point whatever the locale.
  const auto tenths = std::uint64_t(size * 10.0 + 0.5);
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " " + units[unit];
}

}  // namespace

StripTexts StripTextsOf(const SessionState& state, Language language) {
  StripTexts texts;
  const std::string port =
      state.port.empty() ? LoadTextUtf8(TextId::kStripPortWord, language) : state.port;
  texts.port = Fill(TextId::kStripPortState, language,
                    {port, LoadTextUtf8(ConnectionText(state), language)});
  texts.line = LineText(state, language);
  texts.lineName = Fill(TextId::kStripPortState, language,
                        {LoadTextUtf8(TextId::kStripLinePurpose, language), texts.line});
  for (int i = 0; i < kModemLineCount; ++i)
    texts.marks[std::size_t(i)] = MarkOf(state, i, language);
  if (state.liveLog) texts.log = Fill(TextId::kStripLogging, language, {state.liveLogPath});
  return texts;
}

std::string CaptureText(std::uint64_t bytes, Language language) {
  return Fill(TextId::kStripCapture, language, {SizeText(bytes, language)});
}

}  // namespace zephyn
