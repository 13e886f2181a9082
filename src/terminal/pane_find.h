// Searching what the receive pane shows. A text query matches the shown
// text, ignoring case. A hex query ("0D 0A", "0d0a": pairs of hex digits,
// blanks anywhere between pairs) matches bytes: in the hex view the "XX "
// groups that show them, across line breaks and past anything that is no
// byte group (a time stamp, a gap line); in the text view the text those
// bytes show as. Matches do not overlap.
#pragma once

#include <QString>
#include <optional>
#include <vector>

namespace zephyn {

struct PaneMatch {
  int start = 0;   // in the shown text
  int length = 0;  // characters
  bool operator==(const PaneMatch&) const = default;
};

// nullopt when a hex query is not pairs of hex digits. `utf8`: the text
// view reads bytes as UTF-8 rather than GBK.
std::optional<std::vector<PaneMatch>> FindInPane(const QString& shown, const QString& query,
                                                 bool hexQuery, bool hexView, bool utf8);

}  // namespace zephyn
