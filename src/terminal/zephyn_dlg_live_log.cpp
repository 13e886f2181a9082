// The live log from the pane's menu: "Log to file..." asks for a file,
// proposing one named after the port and the time, and starts logging what
// is received (and what is sent, with that choice on); "Stop logging",
// closing the port or a failed write ends it. A failure is told once, with the file and the reason,
// and disturbs nothing else: the port, the pane and the capture go on.
#include <QFile>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "storage/log_name.h"
#include "storage/user_file.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

void CZephynDlg::OnLogToFile() {
  const QString proposed =
      QFile::decodeName(QByteArray::fromStdString(ProposedLogName(m_state.port, WallClock::now())));
  const QString path = Prompts().saveFile(this, Text(TextId::kLogChooserTitle, m_language),
                                          Text(TextId::kLogFileFilter, m_language), proposed);
  if (path.isEmpty()) return;  // cancelled
  StartLiveLog(path);
}

void CZephynDlg::StartLiveLog(const QString& path) {
  // The log's own thread opens the file; a file it cannot open is told as a
  // failed write is.
  m_session.StartLiveLog(QFile::encodeName(path).toStdString(), m_paneOptions.logTimestamps,
                         m_paneOptions.logSent);
}

void CZephynDlg::StopLiveLog() {
  m_session.StopLiveLog();
}

void CZephynDlg::OnLogFailure(const LogFailure& failure) {
  const QString file = QFile::decodeName(QByteArray::fromStdString(failure.path));
  const QString reason = QString::fromStdString(FileErrorReason(failure.error, m_language));
  const QString text = Text(TextId::kLogWriteFailed, m_language).arg(file, reason);
  PostWarning(text, QString());
}

}  // namespace zephyn
