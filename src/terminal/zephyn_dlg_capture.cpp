// The capture's warnings: the memory budget, dropped blocks, and the
// captures that ended runs left behind.
#include "common/text_ids.h"
#include "dialogs/gbk_string.h"
#include "dialogs/prompt_service.h"
#include "terminal/zephyn_dlg.h"

namespace zephyn {

namespace {

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

void CZephynDlg::OnDropped(std::uint64_t dropped) {
  const QString budget = BudgetText();
  const QString text = Text(TextId::kReceivedDropped, m_language).arg(budget, Number(dropped));
  PostWarning(text, QString());
}

}  // namespace zephyn
