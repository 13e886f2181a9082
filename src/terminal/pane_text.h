// What the receive pane shows of a run of bytes: hexadecimal "XX " groups in
// lines as wide as the pane, or the bytes as GBK text (zero bytes dropped),
// converted from UTF-8 first in UTF-8 mode.
//
// The hex view's lines break at fixed places in the stream: before every
// byte whose position (counted from the last Clear) is a multiple of the
// line's width. So a line that is shown never changes as bytes are added or
// the oldest leave the pane; only the pane's first line may be shorter.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

class QPlainTextEdit;

namespace zephyn {

// The text of `count` bytes that sit at stream position `position`; `first`:
// they begin the pane, so no line break comes before them.
QString PaneText(const std::uint8_t* bytes, std::size_t count, bool hex, bool utf8,
                 int hexBytesPerLine, std::uint64_t position = 0, bool first = true);

// How many whole "XX " groups fit on one line of `pane` when its viewport is
// `viewportWidth` pixels wide. Window thread.
int HexBytesPerLine(const QPlainTextEdit& pane, int viewportWidth);

}  // namespace zephyn
