#include "dialogs/window_thread.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

namespace zephyn {
namespace {

void DefaultViolationHandler(const char* where) {
#ifndef NDEBUG
  qFatal("widget touched off the window thread: %s", where);
#else
  static std::atomic<bool> reported{false};
  if (!reported.exchange(true)) qCritical("widget touched off the window thread: %s", where);
#endif
}

std::atomic<ThreadViolationHandler> g_handler{&DefaultViolationHandler};

}  // namespace

bool IsWindowThread() {
  const QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

void CheckWindowThread(const char* where) {
  if (!IsWindowThread()) g_handler.load()(where);
}

ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler) {
  return g_handler.exchange(handler != nullptr ? handler : &DefaultViolationHandler);
}

}  // namespace zephyn
