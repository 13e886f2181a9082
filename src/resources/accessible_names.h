// What a control without a caption is for, in the window's language: the
// accessible name that screen readers and outside test tools find it by.
#pragma once

#include <string>

#include "common/texts.h"

namespace zephyn {

// UTF-8; empty when the control has a caption of its own to go by.
std::string ControlPurpose(int templateId, int controlId, Language language);

}  // namespace zephyn
