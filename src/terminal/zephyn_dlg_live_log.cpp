// The live log from the pane's menu: "Log to file..." asks for a file and
// starts logging what is received; "Stop logging", closing the port or a
// failed write ends it. A failure is told once, with the file and the reason,
// and disturbs nothing else: the port, the pane and the capture go on.
#include <cstring>

#include "dialogs/prompt_service.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnLogToFile() {
  const bool zh = m_language == Language::ZhCN;
  const QString path = Prompts().saveFile(
      this, zh ? QStringLiteral("记录到文件") : QStringLiteral("Log to file"),
      zh ? QStringLiteral("记录文件 (*.log *.txt *.bin);;所有文件 (*)")
         : QStringLiteral("Log files (*.log *.txt *.bin);;All files (*)"));
  if (path.isEmpty()) return;  // cancelled
  StartLiveLog(path);
}

bool CZephynDlg::StartLiveLog(const QString& path) {
  int error = 0;
  if (m_liveLog.Start(path.toStdString(), m_logTimestamps != 0, error)) return true;
  ReportLogFailure({path.toStdString(), error});
  return false;
}

void CZephynDlg::StopLiveLog() {
  m_liveLog.Stop();
}

void CZephynDlg::ReportLogFailure(const LogFailure& failure) {
  const QString file = QString::fromStdString(failure.path);
  const QString reason = QString::fromLocal8Bit(std::strerror(failure.error));
  const QString text =
      m_language == Language::ZhCN
          ? QStringLiteral("无法写入记录文件 %1：%2\n记录已停止。").arg(file, reason)
          : QStringLiteral("Cannot write the log file %1: %2\nLogging has stopped.")
                .arg(file, reason);
  PostWarning(text, QString());
}

}  // namespace zephyn
