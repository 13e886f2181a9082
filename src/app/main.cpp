#include "app/zephyn_app.h"

int main(int argc, char** argv) {
  if (const auto status = zephyn::CZephynApp::AnswerWithoutWindow(argc, argv)) return *status;
  zephyn::CZephynApp app(argc, argv);
  return app.InitInstance() ? app.exec() : 0;
}
