#include "common/line_end.h"

namespace zephyn {

namespace {

struct LineEndEntry {
  LineEnd end;
  std::string_view name;
  std::string_view bytes;
};

constexpr LineEndEntry kLineEnds[] = {
    {LineEnd::kCrLf, "CRLF", "\r\n"},
    {LineEnd::kCr, "CR", "\r"},
    {LineEnd::kLf, "LF", "\n"},
};

const LineEndEntry& EntryOf(LineEnd end) {
  for (const LineEndEntry& entry : kLineEnds)
    if (entry.end == end) return entry;
  return kLineEnds[0];
}

}  // namespace

std::string_view LineEndBytes(LineEnd end) {
  return EntryOf(end).bytes;
}

std::string_view LineEndName(LineEnd end) {
  return EntryOf(end).name;
}

std::optional<LineEnd> LineEndOfName(std::string_view name) {
  for (const LineEndEntry& entry : kLineEnds)
    if (entry.name == name) return entry.end;
  return std::nullopt;
}

}  // namespace zephyn
