// The message shown when a periodic timer refuses the interval it was asked
// for, worded once for the two senders that repeat on a timer (the timed
// send and the stored-strings cycle).
#pragma once

#include <QString>

#include "common/texts.h"

namespace zephyn {

// Names the accepted range, kMinTimerPeriodMs to kMaxTimerPeriodMs.
QString TimerRefusedText(Language language);

}  // namespace zephyn
