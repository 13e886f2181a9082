// The stored strings of the side panel's second page: what a row sends and
// how its hex check box rewrites it (the session's Cycle sends them in turn).
// Row texts are the program's 8-bit text (GBK).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/codecs.h"

namespace zephyn {

// The bytes a row sends: a hexadecimal row the bytes of its digits
// (HexToBytes: blanks, CR and LF skipped, an odd last digit as 0x), a text
// row its own bytes; `lineEnd` (empty when New line is off) follows either.
// The line end is added as bytes, after the row's digits were read, so an
// odd digit count never pairs its last digit with it.
Bytes StoredStringBytes(std::string_view text, bool hex, std::string_view lineEnd);

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

}  // namespace zephyn
