// Saving what was received: the capture file, the blocks waiting in memory
// and the receive log become one "RX data.bin" in a folder the user picks.
// The file is written on a worker behind a progress box with Cancel; the
// window goes on showing the traffic meanwhile.
#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <cstring>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

namespace {

constexpr int kProgressSteps = 1000;

QString Number(std::uint64_t n) {
  return QString::number(qulonglong(n));
}

}  // namespace

QString CZephynDlg::BudgetText() const {
  const std::uint64_t bytes = record().MemoryBudget();
  if (bytes < (std::uint64_t(1) << 20))
    return Text(TextId::kByteAmount, m_language).arg(Number(bytes));
  return Number(bytes >> 20) + QStringLiteral(" MB");
}

void CZephynDlg::KeepCapturesOfEndedRuns(const std::vector<std::string>& kept) {
  if (kept.empty()) return;
  QStringList paths;
  for (const std::string& path : kept) paths << QString::fromStdString(path);
  const QString text = Text(TextId::kCapturesKept, m_language).arg(paths.join(QLatin1Char('\n')));
  // Queued rather than shown here, so that start-up does not wait for the
  // box; it opens once the window's event loop runs.
  QMetaObject::invokeMethod(
      this,
      [this, text] {
        Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Information);
      },
      Qt::QueuedConnection);
}

void CZephynDlg::OnSave() {
  if (m_saveJob.Active()) return;  // one save at a time
  const QString folder = Prompts().browseForFolder(this, Text(TextId::kSaveFolderTitle));
  // Cancelled: nothing saved, nothing said. A folder chosen after the window
  // closed (a signal arrived meanwhile) saves nothing either: the capture is
  // gone.
  if (folder.isEmpty() || m_closingRuns > 0) return;
  m_saveFolder = folder;
  m_saveJob.Start(record().TakeSaveSource(), folder.toStdString(),
                  [this] { m_controls.post([this] { FinishSave(); }); });

  const QString label = Text(TextId::kSavingTo, m_language).arg(folder);
  auto* progress =
      new QProgressDialog(label, Text(TextId::kSaveCancel, m_language), 0, kProgressSteps, this);
  progress->setObjectName(QStringLiteral("SaveProgress"));
  progress->setWindowTitle(AppTitle());
  progress->setAccessibleName(label);
  if (auto* bar = progress->findChild<QProgressBar*>()) bar->setAccessibleName(label);
  if (auto* cancel = progress->findChild<QPushButton*>()) {
    cancel->setObjectName(QStringLiteral("SaveCancel"));
    cancel->setAccessibleName(cancel->text());
  }
  // The box stays until the worker is done; a short save never shows it.
  progress->setWindowModality(Qt::WindowModal);
  progress->setAutoClose(false);
  progress->setAutoReset(false);
  progress->setMinimumDuration(300);
  progress->setValue(0);
  connect(progress, &QProgressDialog::canceled, this, [this] { m_saveJob.Cancel(); });
  auto* timer = new QTimer(progress);
  connect(timer, &QTimer::timeout, progress, [this, progress] {
    const std::uint64_t total = m_saveJob.Total();
    const std::uint64_t done = m_saveJob.Done();
    if (total > 0 && !progress->wasCanceled())
      progress->setValue(int(done * kProgressSteps / total));
  });
  timer->start(100);
  m_saveProgress = progress;
}

void CZephynDlg::CancelSave() {
  // The closing order: a save under way stops and removes its partial file.
  m_saveJob.Cancel();
  m_saveJob.Join();
  delete m_saveProgress.data();
}

void CZephynDlg::FinishSave() {
  // Already joined by the closing order, or a late notice of a done job.
  if (!m_saveJob.Active()) return;
  const SaveResult result = m_saveJob.Join();
  delete m_saveProgress.data();
  switch (result.status) {
    case SaveStatus::kCancelled:
      return;  // the user's own choice: the partial file is gone, nothing to say
    case SaveStatus::kFailed:
      ShowFileError(result.path, result.error);
      return;
    case SaveStatus::kSaved:
      break;
  }
  const CaptureLoss& loss = m_saveJob.Loss();
  if (loss.bytes == 0) {
    Prompts().messageBox(this, m_saveFolder, Text(TextId::kSaveFinished), QMessageBox::Ok,
                         QMessageBox::Information);
    return;
  }
  // Bytes are missing: the file is saved, but never passed off as whole.
  // Positions are shown counting from 1, as a user counts bytes.
  const QString bytes = Number(loss.bytes);
  const QString from = Number(loss.firstFrom + 1);
  const QString to = Number(loss.firstTo);
  const QString text =
      loss.gaps > 1 ? Text(TextId::kSaveMissingGaps, m_language)
                          .arg(m_saveFolder, bytes, from, to, Number(loss.gaps - 1))
                    : Text(TextId::kSaveMissing, m_language).arg(m_saveFolder, bytes, from, to);
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

void CZephynDlg::OnDropped(std::uint64_t dropped) {
  const QString budget = BudgetText();
  const QString text = Text(TextId::kReceivedDropped, m_language).arg(budget, Number(dropped));
  PostWarning(text, QString());
}

void CZephynDlg::ShowFileError(const std::string& path, int error) {
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString text = Text(TextId::kFileWriteFailed, m_language).arg(file, reason);
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace zephyn
