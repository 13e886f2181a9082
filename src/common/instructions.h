// Text rules of the AT dialogue with the module: cutting the input box into
// the instructions of the multi-instruction mode, spotting the "OK" that
// releases the next one, taking the value out of a reply, and reading a
// number typed into an edit box the way the C library's atoi does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zephyn {

enum class CutResult { Ok, TooMany };

// Cuts `text` into AT instructions. An instruction starts at "AT+" and ends
// before the next CR LF that lies more than four bytes after its start; a CR
// LF closer than that (as after "AT+X") leaves the start open, and the next
// "AT+" then replaces it. A second "AT+" right after a start does not open a
// new instruction ("AT+NAMEAT+VER" is one). Whatever follows the last start
// when the text ends is one instruction whatever its length, CR LF included.
// Text outside instructions is dropped. Instructions are kept whole, however
// long.
//
// `out` is cleared first. When more than `maxCount` instructions are found the
// result is TooMany and `out` is left empty, so that no later reply sends part
// of an input the user was told was refused.
CutResult CutInstructions(std::string_view text, std::size_t maxCount,
                          std::vector<std::string>& out);

// True when a byte 'O' is directly followed by a byte 'K' within this block.
// An "O" at the end of one block and a "K" at the start of the next do not
// count: each received block is judged alone.
bool ContainsOk(const std::uint8_t* bytes, std::size_t count);

// The value of a reply such as "+NAME=Sensor01\r\nOK\r\n": the text after the
// first "=" (all of it when there is none), cut before the first "OK" that
// follows. Without an "OK" the value is empty.
std::string AtReplyValue(std::string_view text);

// Leading blanks, an optional sign, then decimal digits; 0 when there are no
// digits. Values beyond the range of int are clamped to INT_MIN / INT_MAX.
int LeadingInt(std::string_view text);

// The multi-instruction mode: a list of AT instructions cut from the input
// box, the first sent at once by the window, each next one released by an
// "OK" from the module after the configured delay. The window's thread
// loads, the port's reader thread moves on; one lock guards the list, the
// position, the on/off switch and the delay text.
class InstructionSequence {
 public:
  static constexpr std::size_t kMaxInstructions = 20;

  // Empties the list and starts again at position 0.
  void Reset();

  // Resets, then cuts `text` into instructions (CutInstructions, at most
  // kMaxInstructions). On Ok the list holds them, position 0 is the one the
  // caller sends now, and `first` (when not null) receives it without CR
  // LF; an empty list leaves `first` empty. On TooMany the list stays empty.
  CutResult Load(std::string_view text, std::string* first);

  // The next step, for every received block: the position moves on by one;
  // when the block holds "OK" (ContainsOk) and the list has an instruction
  // at the new position, returns it with CR LF appended, and the delay in
  // milliseconds (LeadingInt of the delay text) to wait before sending it.
  // The caller sends it only if the mode is still on after the delay.
  struct Next {
    std::string bytes;
    int delayMs = 0;
  };
  std::optional<Next> OnBlock(const std::uint8_t* bytes, std::size_t count);

  // The advanced settings' part of the mode.
  void SetEnabled(bool on);
  bool Enabled() const;
  void SetDelay(std::string text);  // as typed, "150" by default
  std::string Delay() const;

  int Count() const;  // instructions in the list
  int Index() const;  // blocks seen since the list was loaded

 private:
  mutable std::mutex m_lock;  // everything below
  std::vector<std::string> m_cmds;
  int m_index = 0;
  bool m_enabled = false;
  std::string m_delay = "150";
};

}  // namespace zephyn
