// The application: prepares the toolkit, picks the language of the run and
// runs the main window modally; the process ends when it closes.
#pragma once

#include <QApplication>

#include "terminal/zephyn_dlg.h"

namespace zephyn {

class CZephynApp : public QApplication {
  Q_OBJECT

 public:
  CZephynApp(int& argc, char** argv);

  // Runs the main window until it closes. Always false: there is no event
  // loop to enter afterwards.
  bool InitInstance();

  // The program's options: "--port PATH" (repeatable) lists a device that
  // the system's list does not show.
  static StartOptions ParseOptions(const QStringList& arguments);
};

}  // namespace zephyn
