// Why an open failed, told in the user's words: the text of a box for an
// open the user asked for, or of a pane line for one of the program's own.
#pragma once

#include <string>

#include "common/texts.h"
#include "session/session_events.h"

namespace zephyn {

// The reason for `failure` in `language` (UTF-8): the device's path, what
// went wrong and, where the user can do something about it, what.
std::string OpenFailureText(const OpenFailure& failure, Language language);

// Why the open of `path` was refused and what the user can do about it:
// which group to join, or how to give the device a group when only its
// owner may open it.
std::string PermissionAdvice(const std::string& path, Language language);

}  // namespace zephyn
