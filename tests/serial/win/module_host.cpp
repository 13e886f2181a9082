// A virtual module on a pseudo-terminal for the Windows serial tests run
// under Wine: prints the path to map a COM port to, answers until it gets
// SIGTERM or SIGINT, then prints the rate the other side had set.
#include <signal.h>

#include <cstdio>
#include <cstdlib>

#include "sim/virtual_module.h"

int main(int argc, char** argv) {
  const unsigned long rate = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 115200;
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  // Blocked before the module's thread starts, so only sigwait sees them.
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  zephyn::VirtualModule module(static_cast<std::uint32_t>(rate));
  if (!module.ok()) {
    std::fprintf(stderr, "no pseudo-terminal\n");
    return 1;
  }
  std::printf("%s\n", module.path().c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&stop, &signal);
  std::printf("terminal rate %u, received %zu bytes\n", module.terminalRate(),
              module.received().size());
  return 0;
}
