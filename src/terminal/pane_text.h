// What the receive pane shows of a run of bytes: hexadecimal "XX " groups in
// lines as wide as the pane, or the bytes as GBK text (zero bytes dropped),
// converted from UTF-8 first in UTF-8 mode.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>

class QPlainTextEdit;

namespace zephyn {

QString PaneText(const std::uint8_t* bytes, std::size_t count, bool hex, bool utf8,
                 int hexBytesPerLine);

// How many whole "XX " groups fit on one line of `pane` when its viewport is
// `viewportWidth` pixels wide. Window thread.
int HexBytesPerLine(const QPlainTextEdit& pane, int viewportWidth);

}  // namespace zephyn
