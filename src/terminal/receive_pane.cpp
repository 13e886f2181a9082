#include "terminal/receive_pane.h"

#include <algorithm>

#include "common/pane_stamps.h"
#include "terminal/pane_text.h"

namespace zephyn {
namespace {

// Runs are cut about this long, so that the run the front of the pane falls
// in, which is converted again, stays short.
constexpr std::uint64_t kRunBytes = 4096;

// True when the conversion of text may start afresh after `byte`. An ASCII
// byte is never the first byte of a GBK pair (those are 0x81 to 0xFE) nor
// any part of a UTF-8 sequence: whether it stood alone or ended a pair, the
// next character starts after it, whatever came before. A zero byte is
// dropped before the conversion, so it separates nothing, and a CR may be
// followed by its LF, which the pane takes together as one line break.
bool CutsText(std::uint8_t byte) {
  return byte != 0 && byte < 0x80 && byte != '\r';
}

}  // namespace

PaneEdit ReceivePane::Update(const TrafficRecord& record, PaneView view) {
  if (!view.hex) view.hexBytesPerLine = 0;  // the text view does not depend on it
  m_record = &record;
  const std::uint64_t generation = m_tail.generation;
  m_tail = record.Tail(view.echo, kPaneBytes, m_bytes);
  if (!m_built || !(view == m_view) || m_tail.generation != generation) {
    m_view = view;
    return Rebuild();
  }
  const std::uint64_t start = m_tail.start;
  const std::uint64_t oldStart = m_runs.front().begin;
  const Run last = m_runs.back();
  // The text follows only while the bytes it ends with are still in the
  // tail: more new bytes than the pane holds replace it whole.
  if (m_tail.end < last.end || start < oldStart || last.begin < start) return Rebuild();
  if (m_tail.end == last.end && start == oldStart) return {};

  PaneEdit edit;
  m_runs.pop_back();
  if (start != oldStart) {
    // The runs that left go; the one the new start falls in is converted
    // again from there (its first character may have been cut in two, and
    // a hex line break no longer comes before it).
    while (!m_runs.empty() && m_runs.front().end <= start) {
      edit.removeFront += m_runs.front().chars;
      m_runs.pop_front();
    }
    if (!m_runs.empty()) {
      Run& run = m_runs.front();
      edit.removeFront += run.chars;
      run.begin = start;
      edit.front = Convert(run.begin, run.end);
      run.chars = int(edit.front.size());
    }
  }
  // The last run is converted again with the bytes that came after it.
  edit.removeBack = last.chars;
  edit.back = AppendRuns(last.begin, m_tail.end);
  return edit;
}

PaneEdit ReceivePane::Rebuild() {
  m_built = true;
  m_runs.clear();
  PaneEdit edit;
  edit.whole = true;
  edit.back = AppendRuns(m_tail.start, m_tail.end);
  return edit;
}

QString ReceivePane::AppendRuns(std::uint64_t from, std::uint64_t to) {
  QString text;
  std::uint64_t at = from;
  for (;;) {
    std::uint64_t cut = LastCut(at, std::min(to, at + kRunBytes));
    if (cut == at && to > at + kRunBytes) cut = LastCut(at, to);
    if (cut == at) break;
    const QString part = Convert(at, cut);
    m_runs.push_back({at, cut, int(part.size())});
    text += part;
    at = cut;
  }
  const QString rest = Convert(at, to);
  m_runs.push_back({at, to, int(rest.size())});
  text += rest;
  return text;
}

QString ReceivePane::Convert(std::uint64_t begin, std::uint64_t end) const {
  // Stamps and reopen lines go between the texts of the bytes around them;
  // where they go depends only on the marks and the byte before, so runs
  // converted one by one show what the whole converted at once would.
  const std::vector<PaneInsert> inserts =
      m_record == nullptr
          ? std::vector<PaneInsert>{}
          : PaneInserts(m_bytes.data() + (begin - m_tail.start), begin, end,
                        begin == m_tail.start ? -1 : m_bytes[std::size_t(begin - 1 - m_tail.start)],
                        m_record->Marks(m_view.echo, begin, end), m_view.hex, m_view.stamps);
  QString text;
  std::uint64_t at = begin;
  bool lineStarted = false;  // a hex line break already stands before `at`
  auto bytesTo = [&](std::uint64_t to) {
    if (to > at)
      text += PaneText(m_bytes.data() + (at - m_tail.start), std::size_t(to - at), m_view.hex,
                       m_view.utf8, m_view.hexBytesPerLine, at,
                       at == m_tail.start || lineStarted);
    if (to > at) lineStarted = false;
    at = to;
  };
  for (const PaneInsert& insert : inserts) {
    bytesTo(insert.position);
    // In the hex view a line that starts at this byte starts before what
    // is put in front of it.
    const auto perLine = std::uint64_t(std::max(1, m_view.hexBytesPerLine));
    if (m_view.hex && !lineStarted && at != m_tail.start && at < end && at % perLine == 0) {
      text += QLatin1Char('\n');
      lineStarted = true;
    }
    text += QString::fromUtf8(insert.text.data(), qsizetype(insert.text.size()));
  }
  bytesTo(end);
  return text;
}

std::uint64_t ReceivePane::LastCut(std::uint64_t from, std::uint64_t to) const {
  // Hex groups stand alone: any byte ends a run.
  if (m_view.hex) return to;
  for (std::uint64_t at = to; at > from; --at)
    if (CutsText(m_bytes[std::size_t(at - 1 - m_tail.start)])) return at;
  return from;
}

}  // namespace zephyn
