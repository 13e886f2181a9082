// The program's 8-bit code page is GBK (CP936) on every platform: the input
// box's text becomes GBK bytes when sent, received bytes are shown as GBK text
// and the settings file is GBK. These are the conversions between that code
// page and UTF-8, done with the system's converter (code_page_converter.h).
// Invalid or unmappable input never fails and never truncates: it becomes a
// replacement character.
#pragma once

#include <string>
#include <string_view>

namespace zephyn {

// GBK bytes to UTF-8. An invalid or incomplete sequence becomes U+FFFD.
std::string GbkToUtf8(std::string_view gbk);

// UTF-8 to GBK. An invalid UTF-8 sequence, or a character that GBK cannot
// represent, becomes "?" (GBK has no U+FFFD).
std::string Utf8ToGbkString(std::string_view utf8);

// Receive-pane UTF-8 mode: the string, read as zero-terminated UTF-8 (the
// conversion stops at the first zero byte), is replaced by its GBK form.
void Utf8ToGbk(std::string& text);

}  // namespace zephyn
