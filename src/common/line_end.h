// What New line appends to a send: CR LF (the default), CR alone or LF
// alone, as the module at the other end expects its lines. The AT page and
// the multi-instruction mode always end with CR LF, which the module's
// command protocol needs.
#pragma once

#include <optional>
#include <string_view>

namespace zephyn {

enum class LineEnd { kCrLf, kCr, kLf };

// The bytes appended.
std::string_view LineEndBytes(LineEnd end);

// The name the choice is kept under ("CRLF", "CR", "LF"), and back: nullopt
// for any other text.
std::string_view LineEndName(LineEnd end);
std::optional<LineEnd> LineEndOfName(std::string_view name);

}  // namespace zephyn
