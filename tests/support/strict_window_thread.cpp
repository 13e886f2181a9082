// Linked into every window test program: a widget touched off the window's
// thread ends the test program at once, in every build type, so such a
// fault cannot pass unnoticed in a release build.
#include <QtGlobal>

#include "dialogs/window_thread.h"

namespace {

void StopAtViolation(const char* where) {
  qFatal("widget touched off the window thread: %s", where);
}

[[maybe_unused]] const bool g_installed = [] {
  zephyn::SetThreadViolationHandler(&StopAtViolation);
  return true;
}();

}  // namespace
