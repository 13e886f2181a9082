// The window test program: `zephyn_window_tests <class> [QTest options]`
// runs one test class, named by its class name or its source file's name
// (connection_test for ConnectionTest in connection_test.cpp), with the
// application set up as QTEST_MAIN sets it up for a widgets test.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "support/qtest_class.h"

namespace zephyn::testing {
namespace {

std::vector<QTestClass>& Classes() {
  static std::vector<QTestClass> classes;
  return classes;
}

// "terminal/connection_test.cpp" -> "connection_test".
std::string_view FileStem(std::string_view path) {
  const auto slash = path.find_last_of('/');
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return path.substr(0, path.find('.'));
}

const QTestClass* Find(std::string_view wanted) {
  for (const QTestClass& c : Classes())
    if (wanted == c.name || wanted == FileStem(c.file)) return &c;
  return nullptr;
}

void ListClasses(std::FILE* to) {
  for (const QTestClass& c : Classes()) {
    const std::string_view stem = FileStem(c.file);
    std::fprintf(to, "  %.*s (%s)\n", int(stem.size()), stem.data(), c.name);
  }
}

}  // namespace

bool RegisterQTestClass(const QTestClass& testClass) {
  Classes().push_back(testClass);
  return true;
}

}  // namespace zephyn::testing

int main(int argc, char** argv) {
  using namespace zephyn::testing;
  if (argc < 2 || std::strcmp(argv[1], "--list") == 0) {
    std::printf("usage: %s <test class> [QTest options]\n", argv[0]);
    ListClasses(stdout);
    return argc < 2 ? 2 : 0;
  }
  const QTestClass* testClass = Find(argv[1]);
  if (testClass == nullptr) {
    std::fprintf(stderr, "no test class %s; the classes:\n", argv[1]);
    ListClasses(stderr);
    return 2;
  }
  // The class's own command line: the program's name and the QTest options.
  std::vector<char*> args{argv[0]};
  args.insert(args.end(), argv + 2, argv + argc);
  args.push_back(nullptr);
  int count = argc - 1;

  testClass->initMain();
  QApplication app(count, args.data());
  app.setAttribute(Qt::AA_Use96Dpi, true);
  QTEST_DISABLE_KEYPAD_NAVIGATION
  return testClass->run(count, args.data());
}
