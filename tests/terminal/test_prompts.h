// A prompt service for window tests: records every box instead of showing it
// and answers with what the test chose, so no test blocks on a modal window.
#pragma once

#include <QStringList>

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

  QMessageBox::StandardButton messageBox(QWidget*, const QString& text, const QString& caption,
                                         QMessageBox::StandardButtons, QMessageBox::Icon) override {
    boxes.push_back({text, caption});
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

  QList<Box> boxes;
  QStringList titles;
  QMessageBox::StandardButton answer = QMessageBox::Ok;
  QString chosenFile;
  QString chosenFolder;
};

}  // namespace zephyn
