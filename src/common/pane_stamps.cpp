#include "common/pane_stamps.h"

#include <algorithm>
#include <utility>

namespace zephyn {

void StreamMarks::Add(std::uint64_t position, WallClock::time_point when, Kind kind,
                      std::string text) {
  m_marks.push_back({position, when, kind, std::move(text)});
  // Keep the last mark before the window too: it tells which block the
  // window's first byte belongs to.
  const std::uint64_t oldest = position > m_keep ? position - m_keep : 0;
  while (m_marks.size() > 1 && m_marks[1].position < oldest) m_marks.pop_front();
}

std::vector<StreamMarks::Mark> StreamMarks::Between(std::uint64_t from, std::uint64_t to) const {
  auto first = std::lower_bound(m_marks.begin(), m_marks.end(), from,
                                [](const Mark& m, std::uint64_t p) { return m.position < p; });
  // Back to the block that `from` lies in.
  while (first != m_marks.begin()) {
    --first;
    if (first->kind != Kind::Gap) break;
  }
  std::vector<Mark> out;
  // A gap line right after the last byte belongs to this range too, and a
  // direction marker right after it tells that the range ends with the
  // marker's CR LF.
  for (auto it = first; it != m_marks.end() && it->position <= to + 2; ++it)
    if (it->position <= to || it->kind == Kind::Marker) out.push_back(*it);
  return out;
}

std::vector<PaneInsert> PaneInserts(const std::uint8_t* bytes, std::uint64_t begin,
                                    std::uint64_t end, int previous,
                                    const std::vector<StreamMarks::Mark>& marks, bool hex,
                                    bool stamps) {
  using Kind = StreamMarks::Kind;
  std::vector<PaneInsert> inserts;
  auto byteBefore = [&](std::uint64_t p) -> int {
    return p == begin ? (p == 0 ? '\n' : previous) : bytes[p - 1 - begin];
  };
  auto stamp = [](const StreamMarks::Mark& m) { return ClockText(m.when) + ' '; };
  // The block each byte lies in: the last non-gap mark at or before it.
  const StreamMarks::Mark* block = nullptr;
  std::size_t next = 0;
  std::uint64_t p = begin;
  while (true) {
    // Every mark at p, in the order they were made.
    bool stamped = false;
    bool gapHere = false;  // a gap line ends here: the next byte starts a line
    while (next < marks.size() && marks[next].position <= p &&
           (p < end || marks[next].kind == Kind::Gap)) {
      const StreamMarks::Mark& m = marks[next++];
      if (m.kind == Kind::Gap) {
        if (m.position < begin) continue;
        gapHere = true;
        // A line at the start of a range that does not start the stream was
        // shown at the end of the range before it.
        if (m.position == begin && begin != 0) continue;
        const int before = byteBefore(p);
        std::string line = (before == '\n' || before < 0) ? "" : "\n";
        inserts.push_back({p, line + m.text + "\n"});
        continue;
      }
      block = &m;
      if (!stamps || m.position < begin || stamped) continue;
      const bool stampsBlock =
          m.kind == Kind::Marker ||
          (m.kind == Kind::Received && (hex || gapHere || byteBefore(p) == '\n'));
      if (stampsBlock) {
        inserts.push_back({p, stamp(m)});
        stamped = true;
      }
    }
    if (p >= end) break;
    // Inside received bytes of the text view, every byte after an LF starts
    // a line.
    // The CR LF that a direction marker begins with is no line of its own.
    const bool markerFollows = next < marks.size() && marks[next].kind == Kind::Marker &&
                               marks[next].position == p + 2;
    if (stamps && !hex && !stamped && !markerFollows && block != nullptr &&
        block->kind == Kind::Received && block->position < p && byteBefore(p) == '\n')
      inserts.push_back({p, stamp(*block)});
    ++p;
  }
  return inserts;
}

}  // namespace zephyn
