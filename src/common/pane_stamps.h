// What the receive pane adds to the bytes it shows: the time stamps of the
// received lines and of every change of direction, and the line that marks
// where a lost port was reopened. Both are display only: they are kept beside
// a byte stream as marks at stream positions (counted since the last Clear)
// and put into the text where it is drawn, so the recorded bytes stay as
// they came.
//
// Where a stamp goes depends only on the marks and the byte before it, never
// on what was drawn before, so a pane that converts its bytes in pieces shows
// the same as one that converts them whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/time_stamp.h"

namespace zephyn {

class StreamMarks {
 public:
  enum class Kind : std::uint8_t {
    Received,  // a received block starts here
    Sent,      // a sent block (its echo) starts here
    Marker,    // a direction marker ("<<" or ">>") starts here
    Gap,       // the reopen line goes before this position
  };
  struct Mark {
    std::uint64_t position = 0;
    WallClock::time_point when;
    Kind kind = Kind::Received;
    std::string text;  // a Gap's line
  };

  // Marks older than this many bytes behind the newest position may go: the
  // pane never shows more than this much of a stream.
  explicit StreamMarks(std::uint64_t keep) : m_keep(keep) {}

  // A mark at `position`, at or after every earlier one.
  void Add(std::uint64_t position, WallClock::time_point when, Kind kind, std::string text = {});
  void Clear() { m_marks.clear(); }
  // The marks that bear on [from, to): the block `from` lies in, those
  // inside, a gap line right after the last byte, and a direction marker
  // whose CR LF the range ends with. A gap line at `from` (when `from` is
  // not 0) is shown at the end of the range before.
  std::vector<Mark> Between(std::uint64_t from, std::uint64_t to) const;

 private:
  std::uint64_t m_keep;
  std::deque<Mark> m_marks;
};

// A text to put before the byte at `position`.
struct PaneInsert {
  std::uint64_t position = 0;
  std::string text;
};

// The inserts for the bytes [begin, end) of a stream, `bytes` holding them,
// given `marks` from StreamMarks::Between(begin, end). `previous` is the
// byte at begin - 1, or -1 when it is not known (the pane's first byte, or
// the stream's). Stamps, when `stamps`: the text view stamps every
// direction marker and every received line (the first byte of a received
// block after an LF or at the start of the stream, and every byte after an
// LF inside received bytes); the hex view stamps every received block and
// direction marker. Gap lines always, on a line of their own.
std::vector<PaneInsert> PaneInserts(const std::uint8_t* bytes, std::uint64_t begin,
                                    std::uint64_t end, int previous,
                                    const std::vector<StreamMarks::Mark>& marks, bool hex,
                                    bool stamps);

}  // namespace zephyn
