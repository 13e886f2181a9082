// The name the live log's file chooser proposes: the port's base name and
// the time the log starts, "ttyUSB0_20261211_143005.log".
#pragma once

#include <string>
#include <string_view>

#include "common/time_stamp.h"

namespace zephyn {

// `port`'s last path component (trailing slashes ignored) with every byte
// that is unsafe or awkward in a file name (control bytes, space, / \ : * ?
// " < > |) as '_' and a leading '.' as '_' (no hidden file), cut to a length
// every file system takes (never inside a UTF-8 character); then '_' and
// `start` in local time as YYYYMMDD_HHMMSS, and ".log". A port with no name
// left gives the time alone.
std::string ProposedLogName(std::string_view port, WallClock::time_point start);

}  // namespace zephyn
