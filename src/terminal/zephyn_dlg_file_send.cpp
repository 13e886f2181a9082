// File send: the chosen file is read whole into memory (on a worker, so the
// window never waits for the disk or for a file that is not a regular one:
// those are refused) and the transfer's
// sender writes it to the port in chunks of about 10 ms of the line, counted
// in the TX counters but never shown in the pane. Send file starts, pauses
// and resumes; Stop, the last chunk, a lost port and the window's closing
// end the transfer with its statistics. The refresh thread shows the
// progress and the speed.
#include <QFile>
#include <memory>

#include "common/instructions.h"
#include "common/line_rate.h"
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "resources/control_ids.h"
#include "serial/com_port.h"
#include "storage/user_file.h"
#include "storage/whole_file.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

using namespace MainIds;

namespace {

QString TooLargeText(Language language, const QString& path, std::uint64_t size) {
  return Text(TextId::kFileTooLarge, language)
      .arg(path, QString::number(size), QString::number(kMaxWholeFileSize));
}

}  // namespace

void CZephynDlg::OnChooseFile() {
  const QString path =
      Prompts().openFile(this, QString(), Text(TextId::kSendFileFilter, m_language));
  if (path.isEmpty()) return;
  // Read on a worker: a large file or a slow disk does not stop the window.
  // Send file waits for the outcome.
  ++m_fileLoads;
  const bool sendable = m_controls.enabled(kSendFile);
  m_controls.setEnabled(kSendFile, false);
  m_fileLoader.Post([this, path, sendable] {
    auto file = std::make_shared<WholeFile>(ReadWholeFile(QFile::encodeName(path).toStdString()));
    m_controls.post(
        [this, path, file, sendable] { FinishChooseFile(path, std::move(*file), sendable); });
  });
}

void CZephynDlg::FinishChooseFile(const QString& path, WholeFile file, bool sendable) {
  --m_fileLoads;
  if (m_closingRuns != 0) return;
  if (file.status == WholeFile::Status::TooLarge || file.status == WholeFile::Status::NoMemory) {
    // Refused before anything changes: the file in hand stays as it was.
    if (m_fileLoads == 0) m_controls.setEnabled(kSendFile, sendable);
    Prompts().messageBox(this, TooLargeText(m_language, path, file.size), AppTitle(),
                         QMessageBox::Ok, QMessageBox::Warning);
    return;
  }

  // The chosen file replaces the one in hand even when it cannot be read. A
  // paused sender may still be writing from the old bytes: Unload waits for
  // it before they go.
  m_fileTransfer.Unload();
  {
    std::lock_guard lock(m_filePathLock);
    m_filePath = path.toStdString();
  }
  m_controls.setText(kFileLabel, path);
  m_controls.setEnabled(kFileLabel, true);
  // Send file waits for a file that was read.
  m_controls.setEnabled(kSendFile, false);
  switch (file.status) {
    case WholeFile::Status::OpenFailed:
    case WholeFile::Status::ReadFailed:
      Prompts().messageBox(this,
                           Text(TextId::kFileOpenFailed) + QStringLiteral(": ") +
                               QString::fromStdString(FileErrorReason(file.error, m_language)),
                           AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
      return;
    case WholeFile::Status::Empty:
      return;  // nothing to send, and nothing to say
    default:
      break;
  }

  // The chunk size follows the rate shown now; a later change of the rate
  // does not change it.
  const std::int32_t chunk = FileChunkSize(LeadingInt(ToGbk(m_controls.text(kBaudRate))));
  m_fileTransfer.Load(std::move(file.data), file.size, chunk);
  m_controls.setRange(kProgress, 0, 1000);
  m_controls.setEnabled(kSendFile, m_fileLoads == 0 && PortShownOpen());
}

void CZephynDlg::OnSendFile() {
  if (m_controls.text(kSendFile) == Text(TextId::kPauseCaption)) {
    // Pause: the sender ends after the write it is doing; File may choose
    // another file meanwhile.
    if (!m_fileTransfer.Pause()) return;
    m_controls.setText(kSendFile, Text(TextId::kSendFileCaption));
    m_controls.setEnabled(kChooseFile, true);
    return;
  }
  // The last transfer's statistics are still open, or a file chosen since
  // is being read.
  if (m_fileClosing != 0 || m_fileLoads != 0) return;
  if (!m_fileTransfer.Loaded()) {
    Prompts().messageBox(this, Text(TextId::kNoFileChosen), Text(TextId::kNoFileCaption),
                         QMessageBox::Ok, QMessageBox::Information);
    return;
  }

  // The transfer is under way before its sender starts: a file so short
  // that it ends at once still finds it so, and ends it.
  m_controls.setText(kSendFile, Text(TextId::kPauseCaption));
  EnableSendControls(0);
  m_fileTransferActive = 1;
  m_controls.setEnabled(kStopSend, true);
  for (int id : {kPortList, kBaudRate, kFlowControl, kOpenClose}) m_controls.setEnabled(id, false);
  // A resume goes on from the chunk where the pause stopped; it waits for
  // the paused sender to end first, so two never write at once.
  if (!m_fileTransfer.Start()) {
    m_fileTransferActive = 0;
    ShowFileReady();
  }
}

void CZephynDlg::OnStopSend() {
  FinishFileSend(TextId::kSendStopped);
}

void CZephynDlg::FinishFileSend(std::uint16_t captionId) {
  // Stop, the last chunk and a lost port may meet: whoever ends the
  // transfer runs the steps, once.
  if (m_fileTransferActive.exchange(0) == 0) return;
  m_fileClosing = 1;
  const TransferStats stats = m_fileTransfer.Finish();
  // The end of a transfer counts as one more send.
  ShowCounters(kTxCounters, m_record.CountSent(nullptr, 0));
  ShowFileReady();
  const QString text = QString::fromStdString(TransferStatsText(stats, m_language));
  m_controls.post([this, text, captionId] {
    Prompts().messageBox(this, text, Text(captionId), QMessageBox::Ok, QMessageBox::Information);
    // Ready to send the same file again from its first byte, without
    // reading it again.
    m_fileTransfer.Rewind();
    m_fileClosing = 0;
  });
}

void CZephynDlg::ShowFileReady() {
  m_controls.setText(kSendFile, Text(TextId::kSendFileCaption));
  // The send controls come back with the port: a transfer that ended
  // because the port went leaves them off.
  EnableSendControls(PortShownOpen() ? 1 : 0);
  m_controls.setEnabled(kStopSend, false);
  m_controls.setEnabled(kPortList, true);
  const bool port = !NoPortListed();
  for (int id : {kBaudRate, kFlowControl, kOpenClose}) m_controls.setEnabled(id, port);
}

bool CZephynDlg::WriteFileChunk(const std::uint8_t* bytes, std::int32_t count) {
  if (!g_comPort.Write(bytes, count)) return false;
  m_record.CountSent(bytes, count);
  return true;
}

}  // namespace zephyn
