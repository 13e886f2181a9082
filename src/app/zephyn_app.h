// The application: prepares the toolkit, picks the language of the run and
// runs the main window modally; the process ends when it closes.
#pragma once

#include <QApplication>
#include <optional>

#include "terminal/zephyn_dlg.h"

namespace zephyn {

struct ProgramOptions {
  StartOptions start;
  bool demo = false;  // run a virtual module and list it as a port
};

class CZephynApp : public QApplication {
  Q_OBJECT

 public:
  CZephynApp(int& argc, char** argv);

  // The program's name and version, for the version line and the boxes.
  static void SetIdentity();

  // Answers --help and --version on standard output with no window system
  // needed (a shell without a display, a packaging check): the exit status,
  // or nothing when the command line asks for the window. Before any
  // application object exists.
  static std::optional<int> AnswerWithoutWindow(int& argc, char** argv);

  // Runs the main window until it closes. Always false: there is no event
  // loop to enter afterwards.
  bool InitInstance();

  // The program's options: "--port PATH" (repeatable) lists a device that
  // the system's list does not show; "--demo" runs a virtual module.
  static ProgramOptions ParseOptions(const QStringList& arguments);

  // One line for each of `paths` that does not exist, in the run's
  // language; InitInstance writes them to standard error.
  static QStringList MissingPortMessages(const std::vector<std::string>& paths);
};

}  // namespace zephyn
