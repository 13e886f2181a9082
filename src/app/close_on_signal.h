// SIGINT and SIGTERM close the main window through its normal closing order
// (settings saved, port closed, capture deleted) instead of killing the
// process midway. The signal handler only writes a byte to a pipe; the
// window's thread reads it and closes the window.
#pragma once

#include <QObject>

class QSocketNotifier;
class QWidget;

namespace zephyn {

class CloseOnSignal : public QObject {
  Q_OBJECT

 public:
  // Installs the handlers; `window` is closed when either signal arrives.
  explicit CloseOnSignal(QWidget* window);
  // Restores the default handlers.
  ~CloseOnSignal() override;

 private:
  QWidget* m_window;
  QSocketNotifier* m_notifier = nullptr;
};

}  // namespace zephyn
