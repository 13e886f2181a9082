#include "app/zephyn_app.h"

int main(int argc, char** argv) {
  zephyn::CZephynApp app(argc, argv);
  return app.InitInstance() ? app.exec() : 0;
}
