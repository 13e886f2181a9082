// Message boxes and file and folder choosers go through one service so that
// tests can replace it and never block on a modal window. Window thread only;
// a worker that needs a box posts it through its dialog's Controls.
#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace zephyn {

class PromptService {
 public:
  virtual ~PromptService() = default;

  // Shows a message box; returns the button that closed it.
  virtual QMessageBox::StandardButton messageBox(QWidget* owner, const QString& text,
                                                 const QString& caption,
                                                 QMessageBox::StandardButtons buttons,
                                                 QMessageBox::Icon icon) = 0;
  // The chosen file, or an empty string when the user cancelled.
  virtual QString openFile(QWidget* owner, const QString& title, const QString& filter) = 0;
  // The chosen folder, or an empty string when the user cancelled.
  virtual QString browseForFolder(QWidget* owner, const QString& title) = 0;
  // Opens a web address in the user's browser; what becomes of it is not
  // looked at.
  virtual void openUrl(const QString& address) = 0;
  // A file to write to, new or existing (it is appended to, so choosing an
  // existing one asks nothing), or an empty string when the user cancelled.
  // `proposed`: a file name offered in the folder the chooser opens (none
  // when empty).
  virtual QString saveFile(QWidget* owner, const QString& title, const QString& filter,
                           const QString& proposed) = 0;
};

// The application's title: the caption of the boxes that have none of their
// own (a refused input, a file that cannot be written).
QString AppTitle();

// While cancelled (the program is ending on a signal), the real service
// shows nothing: a message box returns Cancel at once and its text goes to
// standard error, so it is not lost; a chooser returns an empty string, as
// if the user had cancelled it. A box open when this is set, once closed,
// answers the same. Window thread.
void SetPromptsCancelled(bool cancelled);

// The service in use: the real boxes unless a test set its own.
PromptService& Prompts();
// nullptr restores the real boxes. The service must outlive its use.
void SetPrompts(PromptService* service);

}  // namespace zephyn
