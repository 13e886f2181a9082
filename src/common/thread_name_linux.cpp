#include "common/thread_name.h"

#include <pthread.h>

#include <cstring>

namespace zephyn {

void NameThisThread(const char* name) {
  // The kernel refuses names of 16 bytes and more; the first 15 are kept.
  char shortName[16] = {};
  std::strncpy(shortName, name, sizeof shortName - 1);
  pthread_setname_np(pthread_self(), shortName);
}

}  // namespace zephyn
