// The receive pane's text kept in step with the traffic record by the
// refresh thread. The pane shows the newest 100,000 bytes of its source; as
// bytes come, an update converts only the new ones and drops from the front
// the text of the bytes that left, so neither the conversion nor the pane's
// layout ever redoes the whole text at the pace of the traffic. A change of
// source, mode or hex width, a Clear, or more new bytes than the pane holds
// rebuild the text whole. Either way the text is what PaneText makes of the
// same bytes, with the time stamps and reopen lines of the record's marks
// put between them (PaneInserts), which do not depend on how the bytes were
// cut into runs.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "storage/traffic_record.h"

namespace zephyn {

// What the pane shows: which buffer (the display buffer with both
// directions, or the received bytes alone), how, and the hex view's width.
struct PaneView {
  bool echo = false;
  bool hex = false;
  bool utf8 = false;
  int hexBytesPerLine = 16;
  bool stamps = false;  // time stamps before received lines and direction changes
  int reopenLines = 0;  // reopen lines so far: a new one is drawn at once
  bool operator==(const PaneView&) const = default;
};

// One change of the pane's text: the whole text (`back`), or the first
// `removeFront` characters replaced with `front` and the last `removeBack`
// with `back`. Neither cut falls between a CR and its LF.
struct PaneEdit {
  bool whole = false;
  int removeFront = 0;
  QString front;
  int removeBack = 0;
  QString back;

  bool Empty() const {
    return !whole && removeFront == 0 && front.isEmpty() && removeBack == 0 && back.isEmpty();
  }
};

class ReceivePane {
 public:
  static constexpr std::size_t kPaneBytes = 100'000;

  // The edit that turns the text the previous edits left into the text of
  // the newest kPaneBytes of `view`'s source. The first call gives the whole
  // text. The refresh thread's.
  PaneEdit Update(const TrafficRecord& record, PaneView view);

 private:
  // A run of the shown bytes, [begin, end) in stream positions, and the
  // number of characters its text has in the pane. Runs end where the
  // conversion can start afresh, so the text of the pane is the texts of its
  // runs one after another; the last run may end in the middle of a
  // character and is converted again with the bytes that follow it.
  struct Run {
    std::uint64_t begin = 0;
    std::uint64_t end = 0;
    int chars = 0;
  };

  PaneEdit Rebuild();
  // Cuts [from, to) into runs, appended to m_runs, and returns their text.
  QString AppendRuns(std::uint64_t from, std::uint64_t to);
  // The text of [begin, end) where it stands in the pane.
  QString Convert(std::uint64_t begin, std::uint64_t end) const;
  // The last position in (from, to] where the conversion can start afresh,
  // or `from` when there is none.
  std::uint64_t LastCut(std::uint64_t from, std::uint64_t to) const;

  PaneView m_view;
  // The record of the update under way: the marks of a range are read as
  // the range is converted.
  const TrafficRecord* m_record = nullptr;
  bool m_built = false;
  std::vector<std::uint8_t> m_bytes;  // the source's tail, as last read
  TrafficRecord::TailPosition m_tail;
  std::deque<Run> m_runs;  // what the pane shows, in order; never empty once built
};

}  // namespace zephyn
