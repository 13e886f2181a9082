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
  const std::uint64_t bytes = m_record.MemoryBudget();
  const bool zh = m_language == Language::ZhCN;
  if (bytes < (std::uint64_t(1) << 20))
    return Number(bytes) + (zh ? QStringLiteral(" 字节") : QStringLiteral(" bytes"));
  return Number(bytes >> 20) + QStringLiteral(" MB");
}

void CZephynDlg::KeepCapturesOfEndedRuns() {
  const std::vector<std::string> kept = m_record.RecoverStaleCaptures();
  if (kept.empty()) return;
  QStringList paths;
  for (const std::string& path : kept) paths << QString::fromStdString(path);
  const QString text =
      m_language == Language::ZhCN
          ? QStringLiteral(
                "之前的运行未正常结束，它接收的数据保存在：\n%1\n"
                "本程序不会删除这些文件，不再需要时请自行删除。")
                .arg(paths.join(QLatin1Char('\n')))
          : QStringLiteral(
                "An earlier run ended without closing. The data it received is kept "
                "in:\n%1\nZephyn does not delete these files; remove them when you "
                "no longer need them.")
                .arg(paths.join(QLatin1Char('\n')));
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
  m_saveJob.Start(m_record.TakeSaveSource(), folder.toStdString(),
                  [this] { m_controls.post([this] { FinishSave(); }); });

  const bool zh = m_language == Language::ZhCN;
  const QString label =
      zh ? QStringLiteral("正在保存到 %1").arg(folder) : QStringLiteral("Saving to %1").arg(folder);
  auto* progress = new QProgressDialog(
      label, zh ? QStringLiteral("取消") : QStringLiteral("Cancel"), 0, kProgressSteps, this);
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
  const bool zh = m_language == Language::ZhCN;
  QString text = zh ? QStringLiteral(
                          "已保存到 %1，但其中缺少接收到的 %2 字节：接收数据文件无法写入，"
                          "且为接收数据保留的内存已满。缺少的是接收数据的第 %3 至第 %4 字节")
                          .arg(m_saveFolder, Number(loss.bytes), Number(loss.firstFrom + 1),
                               Number(loss.firstTo))
                    : QStringLiteral(
                          "Saved to %1, but %2 received bytes are missing from it: the "
                          "received-data file could not be written and the memory set aside "
                          "for received data was full. Missing are bytes %3 to %4 of what was "
                          "received")
                          .arg(m_saveFolder, Number(loss.bytes), Number(loss.firstFrom + 1),
                               Number(loss.firstTo));
  if (loss.gaps > 1) {
    text += zh ? QStringLiteral("，其后另有 %1 处缺失").arg(Number(loss.gaps - 1))
               : QStringLiteral(", and %1 more gaps after them").arg(Number(loss.gaps - 1));
  }
  text += zh ? QStringLiteral("。") : QStringLiteral(".");
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Warning);
}

void CZephynDlg::ReportDropped(std::uint64_t dropped) {
  const QString budget = BudgetText();
  const QString text = m_language == Language::ZhCN
                           ? QStringLiteral(
                                 "为接收数据保留的内存（%1）已满，接收数据文件仍无法写入："
                                 "最早的 %2 字节已被丢弃。保存时会说明缺少哪些字节。")
                                 .arg(budget, Number(dropped))
                           : QStringLiteral(
                                 "The memory set aside for received data (%1) is full and the "
                                 "received-data file still cannot be written: the oldest %2 bytes "
                                 "were dropped. Save will say which bytes are missing.")
                                 .arg(budget, Number(dropped));
  PostWarning(text, QString());
}

void CZephynDlg::ShowFileError(const std::string& path, int error) {
  const QString file = QString::fromStdString(path);
  const QString reason = QString::fromLocal8Bit(std::strerror(error));
  const QString text = m_language == Language::ZhCN
                           ? QStringLiteral("无法写入文件 %1：%2").arg(file, reason)
                           : QStringLiteral("Cannot write the file %1: %2").arg(file, reason);
  Prompts().messageBox(this, text, AppTitle(), QMessageBox::Ok, QMessageBox::Critical);
}

}  // namespace zephyn
