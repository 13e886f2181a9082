// SIGINT and SIGTERM close the main window through its normal closing order
// (settings saved, port closed, capture deleted) instead of killing the
// process midway, whatever is open at the time. The signal handler only
// writes a byte to a pipe; the window's thread reads it, closes every box,
// chooser and dialog that is open as Cancel (and makes any box shown later
// close at once), waits until their nested event loops have returned, and
// then closes the window. Every signal does this again, so a second one is
// never lost.
#pragma once

#include <QDeadlineTimer>
#include <QObject>
#include <QPointer>
#include <vector>

class QDialog;
class QSocketNotifier;
class QTimer;
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
  void OnSignal();
  // Cancels the dialogs that are open, other than the window.
  void CancelDialogs();
  // One step towards the end: the window closes once the cancelled dialogs
  // have returned from their event loops (or have had their time).
  void Step();

  QWidget* m_window;
  QSocketNotifier* m_notifier = nullptr;
  QTimer* m_steps = nullptr;
  std::vector<QPointer<QDialog>> m_cancelled;
  QDeadlineTimer m_unwound;  // how long the cancelled dialogs may take to return
};

}  // namespace zephyn
