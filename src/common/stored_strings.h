// The stored strings of the side panel's second page: what a row sends, how
// its hex check box rewrites it, and the cycle that sends every non-empty row
// in turn on a periodic timer. Row texts are the program's 8-bit text (GBK).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/codecs.h"
#include "common/periodic_timer.h"

namespace zephyn {

// The bytes a row sends: a hexadecimal row the bytes of its digits
// (HexToBytes: blanks, CR and LF skipped, an odd last digit as 0x), a text
// row its own bytes; with `newLine`, CR LF follows either. CR LF is added as
// bytes, after the row's digits were read, so an odd digit count never pairs
// its last digit with the line end.
Bytes StoredStringBytes(std::string_view text, bool hex, bool newLine);

// A row's new text when its hex check box is checked: "%02X " per byte, the
// last blank included.
std::string StoredStringToHex(std::string_view text);

// A row's new text when its hex check box is unchecked: the bytes of its
// digits, zero bytes dropped.
std::string StoredStringFromHex(std::string_view hex);

struct StoredString {
  std::string text;
  bool hex = false;
};

// The endless cycle: a snapshot of the non-empty rows, taken at the start,
// sent one item per tick of a periodic timer, in row order, forever. Edits
// of the rows after the start change nothing that is sent.
class StringCycle {
 public:
  // Called on the timer's thread with each item in turn.
  using Send = std::function<void(const Bytes&)>;

  enum class Start {
    kStarted,
    kNoRows,        // every row empty: nothing runs
    kTimerRefused,  // period outside the timer's range, or no timer: nothing runs
  };

  explicit StringCycle(Send send);
  ~StringCycle();
  StringCycle(const StringCycle&) = delete;
  StringCycle& operator=(const StringCycle&) = delete;

  // Stops a cycle that runs, takes the rows that are not empty (each as
  // StoredStringBytes with `newLine`) and starts the timer: the first item
  // goes out one period from now. Any thread.
  Start Begin(const std::vector<StoredString>& rows, bool newLine, std::int64_t periodMs);

  // Stops the cycle; a tick that is sending finishes first (unless End is
  // called from that tick). True when a cycle was running. Any thread.
  bool End();

  bool Running() const { return m_timer.load() != 0; }

 private:
  void Tick();

  const Send m_send;
  // Serialises Begin and End: the snapshot changes only while no timer runs,
  // so the ticks read it without a lock.
  std::mutex m_lock;
  std::atomic<TimerId> m_timer{0};
  std::vector<Bytes> m_items;
  std::size_t m_index = 0;  // the next item; the ticks' own
};

}  // namespace zephyn
