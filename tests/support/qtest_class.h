// The window test classes share one program, zephyn_window_tests, which runs
// the one class named on its command line. A test file ends with
// ZEPHYN_QTEST_CLASS(Class) where a program of its own would have
// QTEST_MAIN(Class): the class is entered in the program's list, and run as
// QTEST_MAIN would run it, in a process of its own.
#pragma once

#include <QTest>

namespace zephyn::testing {

struct QTestClass {
  const char* name;  // the class
  const char* file;  // its source file; the test is also named after it
  void (*initMain)();
  int (*run)(int argc, char** argv);
};

bool RegisterQTestClass(const QTestClass& testClass);

}  // namespace zephyn::testing

#define ZEPHYN_QTEST_CLASS(TestObject)                                                          \
  namespace {                                                                                   \
  [[maybe_unused]] const bool g_registered##TestObject = ::zephyn::testing::RegisterQTestClass( \
      {#TestObject, __FILE__, [] { QTest::Internal::callInitMain<TestObject>(); },              \
       [](int argc, char** argv) {                                                              \
         TestObject tc;                                                                         \
         QTEST_SET_MAIN_SOURCE_PATH                                                             \
         return QTest::qExec(&tc, argc, argv);                                                  \
       }});                                                                                     \
  }
