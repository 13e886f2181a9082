// Widgets may be touched only on the window's thread. Every place that touches
// a widget calls CheckWindowThread first; a touch from any other thread is a
// fault that the handler reports (debug builds stop at once).
#pragma once

namespace zephyn {

// True on the thread that runs the application's event loop.
bool IsWindowThread();

using ThreadViolationHandler = void (*)(const char* where);

// Reports `where` through the handler when called off the window's thread.
void CheckWindowThread(const char* where);

// Replaces the handler (nullptr restores the default) and returns the one it
// replaced. Test programs stop at the first violation whatever the build
// type; a test that provokes one counts it instead.
ThreadViolationHandler SetThreadViolationHandler(ThreadViolationHandler handler);

}  // namespace zephyn
