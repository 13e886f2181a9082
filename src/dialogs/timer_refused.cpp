#include "dialogs/timer_refused.h"

#include "common/periodic_timer.h"

namespace zephyn {

QString TimerRefusedText(Language language) {
  const QString low = QString::number(kMinTimerPeriodMs);
  const QString high = QString::number(kMaxTimerPeriodMs);
  return language == Language::ZhCN
             ? QStringLiteral("定时器无法以此间隔运行：间隔须为 %1 到 %2 之间的整数毫秒。")
                   .arg(low, high)
             : QStringLiteral(
                   "The timer cannot run at this interval: the interval must be a whole "
                   "number of milliseconds from %1 to %2.")
                   .arg(low, high);
}

}  // namespace zephyn
