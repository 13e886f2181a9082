#include "terminal/save_controller.h"

#include <QLabel>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <cstring>

#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"

namespace zephyn {

namespace {

constexpr int kProgressSteps = 1000;

QString Number(std::uint64_t n) {
  return QString::number(qulonglong(n));
}

}  // namespace

SaveController::SaveController(QWidget& window, Controls& controls, TrafficRecord& record,
                               Language language)
    : m_window(window), m_controls(controls), m_record(record), m_language(language) {}

SaveController::~SaveController() {
  Close();
}

void SaveController::OnSave() {
  if (m_job.Active()) return;  // one save at a time
  const QString folder = Prompts().browseForFolder(&m_window, Text(TextId::kSaveFolderTitle));
  // Cancelled: nothing saved, nothing said. A folder chosen after the window
  // closed (a signal arrived meanwhile) saves nothing either: the capture is
  // gone.
  if (folder.isEmpty() || m_closed) return;
  m_folder = folder;
  m_job.Start(m_record.TakeSaveSource(), folder.toStdString(),
              [this] { m_controls.post([this] { Finish(); }); });
  ShowProgress(folder);
}

void SaveController::ShowProgress(const QString& folder) {
  const QString label = Text(TextId::kSavingTo, m_language).arg(folder);
  auto* progress = new QProgressDialog(label, Text(TextId::kSaveCancel, m_language), 0,
                                       kProgressSteps, &m_window);
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
  QObject::connect(progress, &QProgressDialog::canceled, progress, [this] { m_job.Cancel(); });
  auto* timer = new QTimer(progress);
  QObject::connect(timer, &QTimer::timeout, progress, [this, progress] {
    const std::uint64_t total = m_job.Total();
    const std::uint64_t done = m_job.Done();
    if (total > 0 && !progress->wasCanceled())
      progress->setValue(int(done * kProgressSteps / total));
  });
  timer->start(100);
  m_progress = progress;
}

void SaveController::Close() {
  m_closed = true;
  m_job.Cancel();
  m_job.Join();
  delete m_progress.data();
}

void SaveController::Finish() {
  // Already joined by the closing order, or a late notice of a done job.
  if (!m_job.Active()) return;
  const SaveResult result = m_job.Join();
  delete m_progress.data();
  switch (result.status) {
    case SaveStatus::kCancelled:
      return;  // the user's own choice: the partial file is gone, nothing to say
    case SaveStatus::kFailed:
      ShowFileError(result.path, result.error);
      return;
    case SaveStatus::kSaved:
      break;
  }
  const CaptureLoss& loss = m_job.Loss();
  if (loss.bytes == 0) {
    Prompts().messageBox(&m_window, m_folder, Text(TextId::kSaveFinished), QMessageBox::Ok,
                         QMessageBox::Information);
    return;
  }
  // Bytes are missing: the file is saved, but never passed off as whole.
  // Positions are shown counting from 1, as a user counts bytes.
  const QString bytes = Number(loss.bytes);
  const QString from = Number(loss.firstFrom + 1);
  const QString to = Number(loss.firstTo);
  const QString text = loss.gaps > 1
                           ? Text(TextId::kSaveMissingGaps, m_language)
                                 .arg(m_folder, bytes, from, to, Number(loss.gaps - 1))
                           : Text(TextId::kSaveMissing, m_language).arg(m_folder, bytes, from, to);
  Prompts().messageBox(&m_window, text, AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

void SaveController::ShowFileError(const std::string& path, int error) {
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString text = Text(TextId::kFileWriteFailed, m_language).arg(file, reason);
  Prompts().messageBox(&m_window, text, AppTitle(), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace zephyn
