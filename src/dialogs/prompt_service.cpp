#include "dialogs/prompt_service.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>
#include <cstdio>

#include "dialogs/window_thread.h"

namespace zephyn {
namespace {

bool g_cancelled = false;

class QtPromptService final : public PromptService {
 public:
  QMessageBox::StandardButton messageBox(QWidget* owner, const QString& text,
                                         const QString& caption,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon) override {
    CheckWindowThread("PromptService::messageBox");
    if (g_cancelled) {
      std::fprintf(stderr, "zephyn: %s: %s\n", caption.toLocal8Bit().constData(),
                   text.toLocal8Bit().constData());
      return QMessageBox::Cancel;
    }
    QMessageBox box(icon, caption, text, buttons, owner);
    const auto answer = QMessageBox::StandardButton(box.exec());
    return g_cancelled ? QMessageBox::Cancel : answer;
  }

  QString openFile(QWidget* owner, const QString& title, const QString& filter) override {
    CheckWindowThread("PromptService::openFile");
    if (g_cancelled) return {};
    const QString path = QFileDialog::getOpenFileName(owner, title, QString(), filter);
    return g_cancelled ? QString() : path;
  }

  QString browseForFolder(QWidget* owner, const QString& title) override {
    CheckWindowThread("PromptService::browseForFolder");
    if (g_cancelled) return {};
    const QString folder = QFileDialog::getExistingDirectory(owner, title);
    return g_cancelled ? QString() : folder;
  }

  void openUrl(const QString& address) override {
    CheckWindowThread("PromptService::openUrl");
    QDesktopServices::openUrl(QUrl(address));
  }

  QString saveFile(QWidget* owner, const QString& title, const QString& filter,
                   const QString& proposed) override {
    CheckWindowThread("PromptService::saveFile");
    if (g_cancelled) return {};
    // As the toolkit's own save chooser, opened where it would open anyway
    // (the folder last visited, else the working folder), with the proposed
    // name filled in.
    QFileDialog dialog(owner, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!proposed.isEmpty()) dialog.selectFile(proposed);
    if (dialog.exec() != QDialog::Accepted || g_cancelled) return {};
    return dialog.selectedFiles().value(0);
  }
};

QtPromptService g_qtPrompts;
PromptService* g_prompts = &g_qtPrompts;

}  // namespace

QString AppTitle() {
  return QStringLiteral("Zephyn");
}

void SetPromptsCancelled(bool cancelled) {
  CheckWindowThread("SetPromptsCancelled");
  g_cancelled = cancelled;
}

PromptService& Prompts() {
  return *g_prompts;
}

void SetPrompts(PromptService* service) {
  g_prompts = service != nullptr ? service : &g_qtPrompts;
}

}  // namespace zephyn
