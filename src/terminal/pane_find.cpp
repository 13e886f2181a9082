#include "terminal/pane_find.h"

#include <string>

#include "terminal/pane_text.h"

namespace zephyn {

namespace {

int HexDigit(QChar c) {
  if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) return c.unicode() - '0';
  if (c >= QLatin1Char('A') && c <= QLatin1Char('F')) return c.unicode() - 'A' + 10;
  if (c >= QLatin1Char('a') && c <= QLatin1Char('f')) return c.unicode() - 'a' + 10;
  return -1;
}

std::optional<std::string> HexQueryBytes(const QString& query) {
  std::string bytes;
  int high = -1;
  for (QChar c : query) {
    if (c.isSpace()) {
      if (high >= 0) return std::nullopt;  // a blank inside a pair
      continue;
    }
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(char(high * 16 + digit));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

std::vector<PaneMatch> FindText(const QString& shown, const QString& query) {
  std::vector<PaneMatch> matches;
  if (query.isEmpty()) return matches;
  for (qsizetype at = shown.indexOf(query, 0, Qt::CaseInsensitive); at >= 0;
       at = shown.indexOf(query, at + query.size(), Qt::CaseInsensitive))
    matches.push_back({int(at), int(query.size())});
  return matches;
}

// The byte groups of the hex view: each whitespace-separated word of two hex
// digits is one byte; other words are skipped.
struct ShownByte {
  int start;
  std::uint8_t value;
};

std::vector<ShownByte> ShownBytes(const QString& shown) {
  std::vector<ShownByte> bytes;
  const int n = int(shown.size());
  for (int i = 0; i < n;) {
    if (shown[i].isSpace()) {
      ++i;
      continue;
    }
    int end = i;
    while (end < n && !shown[end].isSpace()) ++end;
    if (end - i == 2 && HexDigit(shown[i]) >= 0 && HexDigit(shown[i + 1]) >= 0)
      bytes.push_back({i, std::uint8_t(HexDigit(shown[i]) * 16 + HexDigit(shown[i + 1]))});
    i = end;
  }
  return bytes;
}

std::vector<PaneMatch> FindHexBytes(const QString& shown, const std::string& wanted) {
  std::vector<PaneMatch> matches;
  if (wanted.empty()) return matches;
  const std::vector<ShownByte> bytes = ShownBytes(shown);
  const std::size_t m = wanted.size();
  for (std::size_t i = 0; i + m <= bytes.size();) {
    std::size_t k = 0;
    while (k < m && bytes[i + k].value == std::uint8_t(wanted[k])) ++k;
    if (k < m) {
      ++i;
      continue;
    }
    const int start = bytes[i].start;
    matches.push_back({start, bytes[i + m - 1].start + 2 - start});
    i += m;
  }
  return matches;
}

}  // namespace

std::optional<std::vector<PaneMatch>> FindInPane(const QString& shown, const QString& query,
                                                 bool hexQuery, bool hexView, bool utf8) {
  if (!hexQuery) return FindText(shown, query);
  const std::optional<std::string> bytes = HexQueryBytes(query);
  if (!bytes) return std::nullopt;
  if (hexView) return FindHexBytes(shown, *bytes);
  // The text those bytes show as, converted as the pane converts them.
  QString text = PaneText(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size(),
                          false, utf8, 0);
  // The pane breaks lines at CR LF, LF and CR alike, and shows each break
  // as one LF.
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  std::vector<PaneMatch> matches;
  if (text.isEmpty()) return matches;
  for (qsizetype at = shown.indexOf(text); at >= 0; at = shown.indexOf(text, at + text.size()))
    matches.push_back({int(at), int(text.size())});
  return matches;
}

}  // namespace zephyn
