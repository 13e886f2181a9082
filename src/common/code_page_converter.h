// The system's converter between the program's code page (GBK) and UTF-8,
// under the conversions of code_page.h, which decide what a refused
// position becomes. Each system has its own (code_page_linux.cpp).
#pragma once

#include <cstddef>

namespace zephyn {

enum class Conversion { GbkToUtf8, Utf8ToGbk };

enum class ConvertStop {
  Done,         // the input is used up
  OutputFull,   // the output has no room for the next character
  Refused,      // the input at the position reached is invalid, incomplete or unmappable
  Unavailable,  // the system has no such converter, or it failed: nothing more converts
};

// Converts from `in` into `out`, moving both pointers and counts on past
// what it converted, until it stops. Any thread.
ConvertStop ConvertStep(Conversion conversion, const char*& in, std::size_t& inLeft, char*& out,
                        std::size_t& outLeft);

}  // namespace zephyn
