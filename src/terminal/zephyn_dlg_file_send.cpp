// File send: File chooses the file, which the session reads whole into
// memory on its worker (the window never waits for the disk, nor for a file
// that is not a regular one: those are refused); Send file starts, pauses
// and resumes the session's transfer, Stop ends it. The end of a transfer
// (Stop, the last chunk, a lost port, the closing) is told with its
// statistics; once the box is closed the file is ready again from its first
// byte. The refresher shows the progress.
#include <QFile>

#include "common/text_ids.h"
#include "common/transfer_stats.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "storage/user_file.h"
#include "storage/whole_file.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

void CZephynDlg::OnChooseFile() {
  const QString path =
      Prompts().openFile(this, QString(), Text(TextId::kSendFileFilter, m_language));
  if (path.isEmpty()) return;
  // The chunk size follows the rate shown now; a later change of the rate
  // does not change it.
  m_session.LoadFile(QFile::encodeName(path).toStdString(), ToGbk(m_controls.text(kBaudRate)));
}

bool CZephynDlg::fileLoading() const {
  // From the session's start of the load until the window has drawn its end.
  // Why a file was refused is reported first, but its box may show after
  // the draw: a box never opens inside one.
  const FileStage stage = m_session.State().file;
  return stage == FileStage::Loading || m_state.file != stage;
}

void CZephynDlg::OnFileRefused(const std::string& path, const WholeFile& file) {
  const QString name = QFile::decodeName(QByteArray::fromStdString(path));
  QString text;
  switch (file.status) {
    case WholeFile::Status::TooLarge:
    case WholeFile::Status::NoMemory:
      // Refused before anything changed: the file in hand stays as it was.
      text = Text(TextId::kFileTooLarge, m_language)
                 .arg(name, QString::number(file.size), QString::number(kMaxWholeFileSize));
      break;
    case WholeFile::Status::OpenFailed:
    case WholeFile::Status::ReadFailed:
      text = Text(TextId::kFileOpenFailed) + QStringLiteral(": ") +
             QString::fromStdString(FileErrorReason(file.error, m_language));
      break;
    case WholeFile::Status::Empty:  // nothing to send, and nothing to say
    case WholeFile::Status::Ok:
      return;
  }
  PostWarning(text, QString());
}

void CZephynDlg::OnSendFile() {
  if (m_state.transfer == Transfer::Sending) {
    // Pause: the sender ends after the write it is doing; File may choose
    // another file meanwhile.
    m_session.PauseFile();
    return;
  }
  if (m_session.SendFile() == FileSend::Go::kNoFile) {
    Prompts().messageBox(this, Text(TextId::kNoFileChosen), Text(TextId::kNoFileCaption),
                         QMessageBox::Ok, QMessageBox::Information);
  }
}

void CZephynDlg::OnStopSend() {
  m_session.StopFile();
}

void CZephynDlg::OnTransferEnded(const TransferStats& stats, TransferEnd end) {
  const QString text = QString::fromStdString(TransferStatsText(stats, m_language));
  const std::uint16_t caption =
      end == TransferEnd::Finished ? TextId::kSendFinished : TextId::kSendStopped;
  PostBox([this, text, caption] {
    Prompts().messageBox(this, text, Text(caption), QMessageBox::Ok, QMessageBox::Information);
    // Ready to send the same file again from its first byte, without
    // reading it again.
    m_session.RewindFile();
  });
}

}  // namespace zephyn
