#include "common/code_page.h"

#include <algorithm>
#include <cstddef>

#include "common/code_page_converter.h"

namespace zephyn {

namespace {

constexpr std::string_view kUtf8Replacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr std::string_view kGbkReplacement = "?";

// What to do with the input at a position the converter refused: the
// replacement to write and how many input bytes it stands for (at least 1).
struct Refusal {
  std::string_view replacement;
  std::size_t skip;
};

// Runs the system's converter over `in`, writing a replacement for every
// position it refuses and carrying on after it, so the conversion never
// fails and never stops early. `refuse` decides the replacement and the
// bytes to skip from the input left at the refused position. Without a
// converter (the system lacks the conversion) ASCII is copied and every
// other byte is refused.
template <typename Refuse>
std::string Convert(Conversion conversion, std::string_view in, std::size_t initialCapacity,
                    Refuse refuse) {
  std::string out(initialCapacity, '\0');
  std::size_t written = 0;
  const char* inPtr = in.data();
  std::size_t inLeft = in.size();
  bool haveConverter = true;

  while (inLeft > 0) {
    ConvertStop stop = ConvertStop::Done;
    if (haveConverter) {
      char* outPtr = out.data() + written;
      std::size_t outLeft = out.size() - written;
      stop = ConvertStep(conversion, inPtr, inLeft, outPtr, outLeft);
      written = static_cast<std::size_t>(outPtr - out.data());
      if (stop == ConvertStop::Done) break;
      if (stop == ConvertStop::Unavailable) {
        haveConverter = false;
        continue;
      }
    } else {
      while (inLeft > 0 && static_cast<unsigned char>(*inPtr) < 0x80 && written < out.size()) {
        out[written++] = *inPtr++;
        --inLeft;
      }
      if (inLeft == 0) break;
      stop = written < out.size() ? ConvertStop::Refused : ConvertStop::OutputFull;
    }

    if (stop == ConvertStop::Refused) {
      const Refusal r = refuse(reinterpret_cast<const unsigned char*>(inPtr), inLeft);
      if (out.size() - written >= r.replacement.size()) {
        out.replace(written, r.replacement.size(), r.replacement);
        written += r.replacement.size();
        inPtr += r.skip;
        inLeft -= r.skip;
        continue;
      }
    }
    out.resize(out.size() * 2 + 8);
  }
  out.resize(written);
  return out;
}

// A GBK character is one byte up to 0x80 (0x80 being the euro sign), or a
// lead byte 0x81-0xFE followed by a trail byte 0x40-0xFE other than 0x7F. A
// refused well-formed pair is an unassigned code and is replaced as one
// character; otherwise only the lead byte is replaced, so that an ASCII byte
// after a stray lead byte survives.
Refusal RefuseGbk(const unsigned char* p, std::size_t left) {
  const bool lead = p[0] >= 0x81 && p[0] <= 0xFE;
  const bool trail = left >= 2 && p[1] >= 0x40 && p[1] <= 0xFE && p[1] != 0x7F;
  return {kUtf8Replacement, lead && trail ? 2u : 1u};
}

// The length of the UTF-8 sequence at `p` when it is well formed, otherwise
// the length of its maximal ill-formed subpart (the longest prefix that could
// still begin a well-formed sequence, at least 1), so that one replacement
// stands for each such piece.
std::size_t Utf8SequenceLength(const unsigned char* p, std::size_t left) {
  const unsigned char b = p[0];
  std::size_t trailing = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    trailing = 1;
  } else if (b == 0xE0) {
    trailing = 2;
    low = 0xA0;  // no overlong forms
  } else if (b == 0xED) {
    trailing = 2;
    high = 0x9F;  // no surrogates
  } else if (b >= 0xE1 && b <= 0xEF) {
    trailing = 2;
  } else if (b == 0xF0) {
    trailing = 3;
    low = 0x90;  // no overlong forms
  } else if (b >= 0xF1 && b <= 0xF3) {
    trailing = 3;
  } else if (b == 0xF4) {
    trailing = 3;
    high = 0x8F;  // nothing above U+10FFFF
  } else {
    return 1;  // ASCII, or a byte that never begins a sequence
  }
  for (std::size_t i = 1; i <= trailing; ++i) {
    const unsigned char lo = i == 1 ? low : 0x80;
    const unsigned char hi = i == 1 ? high : 0xBF;
    if (i >= left || p[i] < lo || p[i] > hi) return i;
  }
  return trailing + 1;
}

// A refused well-formed character is one GBK cannot hold and is skipped whole;
// ill-formed input is skipped one maximal subpart at a time.
Refusal RefuseUtf8(const unsigned char* p, std::size_t left) {
  return {kGbkReplacement, Utf8SequenceLength(p, left)};
}

}  // namespace

std::string GbkToUtf8(std::string_view gbk) {
  // Plain ASCII reads the same in both, and it is most of what a module
  // sends: it skips the converter, which the receive pane would otherwise
  // run on every new line.
  if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return (unsigned char)c < 0x80; }))
    return std::string(gbk);
  // A two-byte GBK character becomes at most three UTF-8 bytes; Convert grows
  // the buffer for input that is mostly replacements.
  return Convert(Conversion::GbkToUtf8, gbk, gbk.size() + gbk.size() / 2 + 8, RefuseGbk);
}

std::string Utf8ToGbkString(std::string_view utf8) {
  // GBK never needs more bytes than UTF-8 for the same text.
  return Convert(Conversion::Utf8ToGbk, utf8, utf8.size() + 8, RefuseUtf8);
}

void Utf8ToGbk(std::string& text) {
  text = Utf8ToGbkString(std::string_view(text.c_str()));
}

}  // namespace zephyn
