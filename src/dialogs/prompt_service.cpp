#include "dialogs/prompt_service.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QUrl>

#include "dialogs/window_thread.h"

namespace zephyn {
namespace {

class QtPromptService final : public PromptService {
 public:
  QMessageBox::StandardButton messageBox(QWidget* owner, const QString& text,
                                         const QString& caption,
                                         QMessageBox::StandardButtons buttons,
                                         QMessageBox::Icon icon) override {
    CheckWindowThread("PromptService::messageBox");
    QMessageBox box(icon, caption, text, buttons, owner);
    return QMessageBox::StandardButton(box.exec());
  }

  QString openFile(QWidget* owner, const QString& title, const QString& filter) override {
    CheckWindowThread("PromptService::openFile");
    return QFileDialog::getOpenFileName(owner, title, QString(), filter);
  }

  QString browseForFolder(QWidget* owner, const QString& title) override {
    CheckWindowThread("PromptService::browseForFolder");
    return QFileDialog::getExistingDirectory(owner, title);
  }

  void openUrl(const QString& address) override {
    CheckWindowThread("PromptService::openUrl");
    QDesktopServices::openUrl(QUrl(address));
  }

  QString saveFile(QWidget* owner, const QString& title, const QString& filter) override {
    CheckWindowThread("PromptService::saveFile");
    return QFileDialog::getSaveFileName(owner, title, QString(), filter, nullptr,
                                        QFileDialog::DontConfirmOverwrite);
  }
};

QtPromptService g_qtPrompts;
PromptService* g_prompts = &g_qtPrompts;

}  // namespace

QString AppTitle() {
  return QStringLiteral("Zephyn");
}

PromptService& Prompts() {
  return *g_prompts;
}

void SetPrompts(PromptService* service) {
  g_prompts = service != nullptr ? service : &g_qtPrompts;
}

}  // namespace zephyn
