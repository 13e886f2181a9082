// A prompt service for window tests: records every box instead of showing it
// and answers with what the test chose, so no test blocks on a modal window.
#pragma once

#include <QStringList>
#include <functional>

#include "dialogs/prompt_service.h"

namespace zephyn {

class RecordingPrompts : public PromptService {
 public:
  struct Box {
    QString text;
    QString caption;
  };

  RecordingPrompts() { SetPrompts(this); }
  ~RecordingPrompts() override { SetPrompts(nullptr); }

  // Forgets what was recorded and chosen, and is the prompt service again.
  void Reset() {
    SetPrompts(this);
    boxes.clear();
    titles.clear();
    answer = QMessageBox::Ok;
    whileOpen = nullptr;
    chosenFile.clear();
    chosenFolder.clear();
    openedUrls.clear();
    chosenSaveFile.clear();
    proposedNames.clear();
  }

  QMessageBox::StandardButton messageBox(QWidget*, const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons, QMessageBox::Icon) override {
    boxes.push_back({text, caption});
    // A box the test keeps open: it runs on the window's thread, as long as
    // a user would leave the box there.
    if (whileOpen) whileOpen();
    return answer;
  }
  QString openFile(QWidget*, const QString& title, const QString&) override {
    titles << title;
    return chosenFile;
  }
  QString browseForFolder(QWidget*, const QString& title) override {
    titles << title;
    return chosenFolder;
  }
  void openUrl(const QString& address) override { openedUrls << address; }
  QString saveFile(QWidget*, const QString& title, const QString&,
                   const QString& proposed) override {
    titles << title;
    proposedNames << proposed;
    return chosenSaveFile;
  }

  QList<Box> boxes;
  QStringList titles;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  std::function<void()> whileOpen;
  QString chosenFile;
  QString chosenFolder;
  QStringList openedUrls;  // the web addresses the window asked to open
  QString chosenSaveFile;
  QStringList proposedNames;  // the names the file choosers proposed
};

}  // namespace zephyn
