#include "dialogs/timer_refused.h"

#include "common/periodic_timer.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"

namespace zephyn {

QString TimerRefusedText(Language language) {
  return Text(TextId::kTimerRefused, language)
      .arg(QString::number(kMinTimerPeriodMs), QString::number(kMaxTimerPeriodMs));
}

}  // namespace zephyn
