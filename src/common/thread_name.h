// Names the calling thread as `top`, `ps -L` and `perf` show it (at most 15
// characters), so a profile of the program tells its threads apart.
#pragma once

namespace zephyn {

void NameThisThread(const char* name);

}  // namespace zephyn
