#include "common/pane_stamps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zephyn {
namespace {

using namespace std::chrono;
using Kind = StreamMarks::Kind;

// A stream recorded block by block, each block a second after the one
// before, and what the pane shows of [begin, end) with the inserts put in.
class Stream {
 public:
  Stream() : m_marks(1'000'000) {}

  void Add(Kind kind, const std::string& bytes) {
    m_marks.Add(m_bytes.size(), T(m_blocks++), kind);
    m_bytes += bytes;
  }
  // As the display buffer marks a change of direction: CR LF after earlier
  // bytes, then the marker, stamped at the marker.
  void Change(Kind to) {
    if (!m_bytes.empty()) m_bytes += "\r\n";
    m_marks.Add(m_bytes.size(), T(m_blocks++), Kind::Marker);
    m_bytes += to == Kind::Sent ? ">>" : "<<";
  }
  void Gap(const std::string& line) {
    m_marks.Add(m_bytes.size(), T(m_blocks), Kind::Gap, line);
  }

  std::string Shown(bool hex, std::uint64_t begin = 0, std::uint64_t end = ~0ull,
                    bool previousKnown = true) const {
    end = std::min<std::uint64_t>(end, m_bytes.size());
    if (begin > end) return {};  // a cut past the stream's end shows nothing more
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_bytes.data());
    const int previous = begin == 0 || !previousKnown ? -1 : bytes[begin - 1];
    const auto inserts = PaneInserts(bytes + begin, begin, end, previous,
                                     m_marks.Between(begin, end), hex, true);
    std::string out;
    std::size_t next = 0;
    for (std::uint64_t p = begin; p <= end; ++p) {
      while (next < inserts.size() && inserts[next].position == p) out += inserts[next++].text;
      if (p < end) out += char(bytes[p]);
    }
    EXPECT_EQ(next, inserts.size());
    return out;
  }

  // The stamp of block n.
  static std::string S(int n) { return ClockText(T(n)) + ' '; }

 private:
  static WallClock::time_point T(int n) {
    return WallClock::time_point{seconds(1796904067 + n) + milliseconds(120)};
  }
  std::string m_bytes;
  StreamMarks m_marks;
  int m_blocks = 0;
};

TEST(PaneStampsTest, TextViewStampsReceivedLinesOnce) {
  Stream s;
  s.Add(Kind::Received, "+NAME=Zep");
  s.Add(Kind::Received, "hyn\r\nOK");
  s.Add(Kind::Received, "\r\n");
  s.Add(Kind::Received, "a\nb");
  EXPECT_EQ(s.Shown(false), Stream::S(0) + "+NAME=Zephyn\r\n" + Stream::S(1) + "OK\r\n" +
                                Stream::S(3) + "a\n" + Stream::S(3) + "b");
  // Hex: one stamp per block, where the block starts.
  EXPECT_EQ(s.Shown(true), Stream::S(0) + "+NAME=Zep" + Stream::S(1) + "hyn\r\nOK" +
                               Stream::S(2) + "\r\n" + Stream::S(3) + "a\nb");
}

TEST(PaneStampsTest, EveryDirectionChangeIsStampedOnce) {
  Stream s;
  s.Change(Kind::Sent);
  s.Add(Kind::Sent, "AT\r\n");
  s.Change(Kind::Received);
  s.Add(Kind::Received, "OK\r\n");
  s.Add(Kind::Received, "x\n");
  s.Change(Kind::Sent);
  s.Add(Kind::Sent, "y\nz");
  // The sent lines are not stamped, the markers are; the received block
  // right after its marker is not stamped again.
  EXPECT_EQ(s.Shown(false), Stream::S(0) + ">>AT\r\n\r\n" + Stream::S(2) + "<<OK\r\n" +
                                Stream::S(4) + "x\n\r\n" + Stream::S(5) + ">>y\nz");
}

TEST(PaneStampsTest, PiecesShowWhatTheWholeShows) {
  Stream s;
  s.Add(Kind::Received, "one\r\ntw");
  s.Add(Kind::Received, "o\r\n");
  s.Change(Kind::Sent);
  s.Add(Kind::Sent, "AT\r\n");
  s.Change(Kind::Received);
  s.Add(Kind::Received, "three\nfour\n");
  s.Gap("[disconnected 12:01:07.120, reopened 12:01:09.884]");
  s.Add(Kind::Received, "five");
  for (bool hex : {false, true}) {
    const std::string whole = s.Shown(hex);
    const std::size_t n = whole.size();  // larger than the stream: cuts cover every place
    for (std::uint64_t cut = 1; cut < n; ++cut) {
      const std::string pieces = s.Shown(hex, 0, cut) + s.Shown(hex, cut);
      if (pieces != whole) {
        ADD_FAILURE() << "hex " << hex << " cut at " << cut << ":\n" << pieces << "\n" << whole;
        break;
      }
    }
  }
}

TEST(PaneStampsTest, GapLineStandsOnItsOwnLine) {
  Stream first;  // a reopen before any byte came
  first.Gap("[gap]");
  first.Add(Kind::Received, "a");
  EXPECT_EQ(first.Shown(false), "[gap]\n" + Stream::S(0) + "a");
  Stream s;
  s.Add(Kind::Received, "partial");
  s.Gap("[gap]");
  s.Add(Kind::Received, "next\n");
  s.Gap("[gap2]");
  EXPECT_EQ(s.Shown(false), Stream::S(0) + "partial\n[gap]\n" + Stream::S(1) + "next\n[gap2]\n");
  // Cut at the first gap: it ends the first piece, and the second piece
  // still stamps the line after it.
  EXPECT_EQ(s.Shown(false, 0, 7) + s.Shown(false, 7), s.Shown(false));
}

TEST(PaneStampsTest, PaneFirstByteWithoutItsPredecessorIsNotStamped) {
  Stream s;
  s.Add(Kind::Received, "ab\ncd");
  // From "cd": the LF before it is known, or not.
  EXPECT_EQ(s.Shown(false, 3, ~0ull, true), Stream::S(0) + "cd");
  EXPECT_EQ(s.Shown(false, 3, ~0ull, false), "cd");
}

TEST(PaneStampsTest, OldMarksGoButTheBlockOfTheWindowStays) {
  StreamMarks marks(100);
  const WallClock::time_point t{};
  for (std::uint64_t p = 0; p < 1000; p += 10) marks.Add(p, t, Kind::Received);
  const auto kept = marks.Between(895, 1000);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(kept.front().position, 890u);
  EXPECT_EQ(kept.back().position, 990u);
  EXPECT_EQ(marks.Between(0, 1000).front().position, 880u);  // older ones have gone
}

}  // namespace
}  // namespace zephyn
