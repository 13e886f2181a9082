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

// The hex view broken after whole "XX " groups, as many as fill the pane's
// width: it looks like wrapping, and the pane lays short lines out far
// faster than one line of 300,000 characters.
QString HexLines(const std::string& hex, int bytesPerLine) {
  const std::size_t perLine = std::size_t(std::max(1, bytesPerLine)) * 3;
  std::string lines;
  lines.reserve(hex.size() + hex.size() / perLine + 1);
  for (std::size_t i = 0; i < hex.size(); i += perLine) {
    if (i != 0) lines.push_back('\n');
    lines.append(hex, i, perLine);
  }
  return QString::fromLatin1(lines.data(), qsizetype(lines.size()));
}

}  // namespace

QString PaneText(const std::uint8_t* bytes, std::size_t count, bool hex, bool utf8,
                 int hexBytesPerLine) {
  if (hex) return HexLines(BytesToHex(bytes, count), hexBytesPerLine);
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
