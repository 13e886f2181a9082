#include "terminal/pane_text.h"

#include <QFontMetricsF>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <string>

#include "common/code_page.h"
#include "common/codecs.h"
#include "dialogs/gbk_string.h"

namespace zephyn {
namespace {

// The hex view broken into lines of whole "XX " groups, as many as fill the
// pane's width: it looks like wrapping, and the pane lays short lines out far
// faster than one line of 300,000 characters. A line starts at every
// position that is a multiple of the width.
QString HexLines(const std::uint8_t* bytes, std::size_t count, int bytesPerLine,
                 std::uint64_t position, bool first) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  const auto perLine = std::uint64_t(std::max(1, bytesPerLine));
  QString lines(qsizetype(count * 3 + count / perLine + 1), Qt::Uninitialized);
  QChar* out = lines.data();
  // Bytes left before the next line starts.
  std::uint64_t left = position % perLine == 0 ? 0 : perLine - position % perLine;
  for (std::size_t i = 0; i < count; ++i, --left) {
    if (left == 0) {
      if (!(first && i == 0)) *out++ = QLatin1Char('\n');
      left = perLine;
    }
    *out++ = QLatin1Char(kDigits[bytes[i] >> 4]);
    *out++ = QLatin1Char(kDigits[bytes[i] & 0x0F]);
    *out++ = QLatin1Char(' ');
  }
  lines.truncate(out - lines.data());
  return lines;
}

}  // namespace

QString PaneText(const std::uint8_t* bytes, std::size_t count, bool hex, bool utf8,
                 int hexBytesPerLine, std::uint64_t position, bool first) {
  if (hex) return HexLines(bytes, count, hexBytesPerLine, position, first);
  std::string text = BytesToText(bytes, count);
  if (utf8) Utf8ToGbk(text);
  return FromGbk(text);
}

int HexBytesPerLine(const QPlainTextEdit& pane, int viewportWidth) {
  // The pane's face need not have digits of one width: a group is taken as
  // wide as the widest digits make it, so no line ever wraps.
  const QFontMetricsF metrics(pane.font());
  qreal digit = 0;
  for (QChar c : QStringLiteral("0123456789ABCDEF"))
    digit = std::max(digit, metrics.horizontalAdvance(c));
  const qreal group = 2 * digit + metrics.horizontalAdvance(QLatin1Char(' '));
  const qreal usable = viewportWidth - 2 * pane.document()->documentMargin() - 2;
  return std::max(1, int(usable / std::max<qreal>(1, group)));
}

}  // namespace zephyn
