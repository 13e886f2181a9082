#include "app/close_on_signal.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <csignal>

#include "dialogs/prompt_service.h"

namespace zephyn {
namespace {

int g_signalFds[2] = {-1, -1};

// A dialog told to close returns from its exec() as soon as the window's
// thread gets back to that dialog's event loop; a dialog that is kept rather
// than destroyed after its exec() is waited for this long at most.
constexpr int kUnwindMs = 500;
constexpr int kStepMs = 10;

void OnSignal(int) {
  const int saved = errno;
  const char byte = 1;
  [[maybe_unused]] ssize_t written = ::write(g_signalFds[0], &byte, 1);
  errno = saved;
}

}  // namespace

CloseOnSignal::CloseOnSignal(QWidget* window) : m_window(window) {
  if (g_signalFds[0] < 0 &&
      ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, g_signalFds) != 0)
    return;  // no pipe: the signals keep their default effect
  m_steps = new QTimer(this);
  m_steps->setInterval(kStepMs);
  connect(m_steps, &QTimer::timeout, this, [this] { Step(); });
  m_notifier = new QSocketNotifier(g_signalFds[1], QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] { OnSignal(); });
  struct sigaction action = {};
  action.sa_handler = &zephyn::OnSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  ::sigaction(SIGINT, &action, nullptr);
  ::sigaction(SIGTERM, &action, nullptr);
}

CloseOnSignal::~CloseOnSignal() {
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGTERM, SIG_DFL);
}

void CloseOnSignal::OnSignal() {
  char buffer[16];
  while (::read(g_signalFds[1], buffer, sizeof buffer) > 0) {
  }
  // Boxes shown from here on (the closing order's own, a box a worker had
  // posted) close at once; the ones open now are cancelled here.
  SetPromptsCancelled(true);
  CancelDialogs();
  // A signal that comes while the steps run does not put the end off.
  if (!m_steps->isActive()) m_unwound.setRemainingTime(kUnwindMs);
  // The window is not closed from inside a dialog's event loop: the code
  // after that dialog would go on against a closed window. The steps run
  // once the loops have returned.
  m_steps->start();
}

void CloseOnSignal::CancelDialogs() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (dialog == nullptr || dialog == m_window || !dialog->isVisible()) continue;
    m_cancelled.emplace_back(dialog);
    dialog->reject();
  }
}

void CloseOnSignal::Step() {
  // A dialog opened after the signal (one that does not go through the
  // prompt service) is cancelled too.
  CancelDialogs();
  // The boxes and choosers live on the stack of the code that shows them:
  // one that is gone has returned from its exec().
  m_cancelled.erase(std::remove_if(m_cancelled.begin(), m_cancelled.end(),
                                   [](const QPointer<QDialog>& d) { return d.isNull(); }),
                    m_cancelled.end());
  if (!m_cancelled.empty() && !m_unwound.hasExpired()) return;
  m_cancelled.clear();
  if (m_window->isVisible()) {
    m_steps->stop();
    m_window->close();
    return;
  }
  // A window not shown yet (a signal during start-up) is closed once it
  // shows; one that has closed already needs nothing more.
  if (m_window->testAttribute(Qt::WA_WState_ExplicitShowHide)) m_steps->stop();
}

}  // namespace zephyn
