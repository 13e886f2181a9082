// Windows: code page 936 through MultiByteToWideChar and
// WideCharToMultiByte, one character at a time, with the UTF-8 side read
// and written here. Going by character lets a refusal stop at the exact
// position, as the caller needs, and keeps the system from replacing a
// character on its own (a default character or a best-fit look-alike).
//
// The system's code page 936 gives the private-use area to GBK's
// user-defined codes (and to a few bytes no GBK character begins with);
// those are refused here both ways, as the other systems' GBK does.
#include <windows.h>

#include "common/code_page_converter.h"

namespace zephyn {

namespace {

constexpr UINT kGbkCodePage = 936;

bool PrivateUse(char32_t c) {
  return c >= 0xE000 && c <= 0xF8FF;
}

bool HaveGbk() {
  static const bool have = ::IsValidCodePage(kGbkCodePage) != FALSE;
  return have;
}

std::size_t Utf8Length(char32_t c) {
  return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
}

void PutUtf8(char32_t c, char*& out) {
  const std::size_t length = Utf8Length(c);
  if (length == 1) {
    *out++ = char(c);
    return;
  }
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  const int shift = int(6 * (length - 1));
  *out++ = char(kLead[length] | (c >> shift));
  for (int s = shift - 6; s >= 0; s -= 6) *out++ = char(0x80 | ((c >> s) & 0x3F));
}

// The well-formed UTF-8 character at `p`: no overlong forms, no surrogates,
// nothing above U+10FFFF. False when `p` holds none.
bool ReadUtf8(const unsigned char* p, std::size_t left, char32_t& c, std::size_t& length) {
  const unsigned char b = p[0];
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    length = 2;
    c = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    length = 3;
    c = b & 0x0F;
    if (b == 0xE0) low = 0xA0;
    if (b == 0xED) high = 0x9F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    length = 4;
    c = b & 0x07;
    if (b == 0xF0) low = 0x90;
    if (b == 0xF4) high = 0x8F;
  } else {
    return false;
  }
  if (left < length) return false;
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char lo = i == 1 ? low : 0x80;
    const unsigned char hi = i == 1 ? high : 0xBF;
    if (p[i] < lo || p[i] > hi) return false;
    c = (c << 6) | (p[i] & 0x3F);
  }
  return true;
}

ConvertStop GbkToUtf8Step(const char*& in, std::size_t& inLeft, char*& out,
                          std::size_t& outLeft) {
  while (inLeft > 0) {
    const auto lead = static_cast<unsigned char>(in[0]);
    if (lead < 0x80) {
      if (outLeft == 0) return ConvertStop::OutputFull;
      *out++ = *in++;
      --outLeft;
      --inLeft;
      continue;
    }
    // A lead byte needs its trail byte; 0x80 and 0xFF stand alone.
    std::size_t length = 1;
    if (lead >= 0x81 && lead <= 0xFE) {
      if (inLeft < 2) return ConvertStop::Refused;
      const auto trail = static_cast<unsigned char>(in[1]);
      if (trail < 0x40 || trail > 0xFE || trail == 0x7F) return ConvertStop::Refused;
      length = 2;
    }
    wchar_t wide[2] = {};
    const int count =
        ::MultiByteToWideChar(kGbkCodePage, MB_ERR_INVALID_CHARS, in, int(length), wide, 2);
    if (count == 0 && ::GetLastError() != ERROR_NO_UNICODE_TRANSLATION)
      return ConvertStop::Unavailable;
    if (count != 1 || PrivateUse(wide[0])) return ConvertStop::Refused;
    const char32_t c = char32_t(wide[0]);
    if (outLeft < Utf8Length(c)) return ConvertStop::OutputFull;
    PutUtf8(c, out);
    outLeft -= Utf8Length(c);
    in += length;
    inLeft -= length;
  }
  return ConvertStop::Done;
}

ConvertStop Utf8ToGbkStep(const char*& in, std::size_t& inLeft, char*& out,
                          std::size_t& outLeft) {
  while (inLeft > 0) {
    const auto* p = reinterpret_cast<const unsigned char*>(in);
    if (p[0] < 0x80) {
      if (outLeft == 0) return ConvertStop::OutputFull;
      *out++ = *in++;
      --outLeft;
      --inLeft;
      continue;
    }
    char32_t c = 0;
    std::size_t length = 0;
    if (!ReadUtf8(p, inLeft, c, length) || PrivateUse(c)) return ConvertStop::Refused;
    wchar_t wide[2] = {};
    int wideCount = 1;
    if (c < 0x10000) {
      wide[0] = wchar_t(c);
    } else {
      wide[0] = wchar_t(0xD800 + ((c - 0x10000) >> 10));
      wide[1] = wchar_t(0xDC00 + ((c - 0x10000) & 0x3FF));
      wideCount = 2;
    }
    char gbk[4];
    BOOL usedDefault = FALSE;
    const int count = ::WideCharToMultiByte(kGbkCodePage, WC_NO_BEST_FIT_CHARS, wide, wideCount,
                                            gbk, int(sizeof gbk), nullptr, &usedDefault);
    if (count <= 0 || usedDefault) return ConvertStop::Refused;
    if (outLeft < std::size_t(count)) return ConvertStop::OutputFull;
    for (int i = 0; i < count; ++i) *out++ = gbk[i];
    outLeft -= std::size_t(count);
    in += length;
    inLeft -= length;
  }
  return ConvertStop::Done;
}

}  // namespace

ConvertStop ConvertStep(Conversion conversion, const char*& in, std::size_t& inLeft, char*& out,
                        std::size_t& outLeft) {
  if (!HaveGbk()) return ConvertStop::Unavailable;
  return conversion == Conversion::GbkToUtf8 ? GbkToUtf8Step(in, inLeft, out, outLeft)
                                             : Utf8ToGbkStep(in, inLeft, out, outLeft);
}

}  // namespace zephyn
