// zephyn-module: the virtual Bluetooth module on a pseudo-terminal of its
// own, for trying the terminal, or any other serial tool, without a module.
// It prints the device's path on one line, answers until SIGINT, SIGTERM or
// SIGHUP and then takes the device away, as an unplugged adapter's goes.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_ids.h"
#include "common/texts.h"
#include "sim/virtual_module.h"
#include "tools/module_language.h"
#include "tools/module_options.h"

namespace zephyn {
namespace {

// A real module answers a few milliseconds after the command; so does the
// one the window's --demo starts.
constexpr int kAnswerDelayMs = 20;

// A line on standard error: the text `id` in the program's language, UTF-8,
// with %1, %2 filled in from `args`.
void Say(std::uint16_t id, std::initializer_list<std::string_view> args = {}) {
  std::fprintf(stderr, "%s\n", FillText(LoadTextUtf8(id), args).c_str());
}

int Refuse(const OptionProblem& problem) {
  std::uint16_t id = TextId::kModuleUnknownOption;
  switch (problem.kind) {
    case OptionProblem::Kind::kUnknownOption:
      id = TextId::kModuleUnknownOption;
      break;
    case OptionProblem::Kind::kMissingValue:
      id = TextId::kModuleMissingValue;
      break;
    case OptionProblem::Kind::kBadRate:
      id = TextId::kModuleBadRate;
      break;
    case OptionProblem::Kind::kUnexpectedArgument:
      id = TextId::kModuleUnexpectedArgument;
      break;
  }
  Say(id, {problem.argument});
  Say(TextId::kModuleTryHelp);
  return 2;
}

// The device the module's path leads to (the module hands out a link of its
// own), for the user's link to name directly.
std::string DevicePath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path target = std::filesystem::read_symlink(path, error);
  return error ? path : target.string();
}

// Removes the user's link at exit, unless something else has taken its
// place meanwhile: only what this program made is deleted.
void RemoveLink(const std::string& link, const std::string& device) {
  std::error_code error;
  if (std::filesystem::read_symlink(link, error).string() == device && !error)
    ::unlink(link.c_str());
}

int Run(const ModuleOptions& options) {
  // The signals that end the program are taken by sigwait below; blocked
  // before the module starts its thread, so that thread inherits the mask.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (const int number : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, number);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  // A reader that went away must not end the program before it cleans up.
  std::signal(SIGPIPE, SIG_IGN);

  errno = 0;
  VirtualModule module(options.rate);
  if (!module.ok()) {
    Say(TextId::kModuleNoPseudoTerminal, {std::strerror(errno)});
    return 1;
  }
  module.setAnswerDelay(kAnswerDelayMs);
  const std::string device = DevicePath(module.path());
  // symlink() never replaces what exists: an existing file stays as it is.
  if (!options.link.empty() && ::symlink(device.c_str(), options.link.c_str()) != 0) {
    Say(TextId::kModuleLinkFailed, {options.link, std::strerror(errno)});
    return 1;
  }
  std::printf("%s\n", module.path().c_str());
  std::fflush(stdout);

  int received = 0;
  while (sigwait(&stopSignals, &received) != 0) {
  }
  if (!options.link.empty()) RemoveLink(options.link, device);
  module.unplug();
  return 0;
}

}  // namespace
}  // namespace zephyn

int main(int argc, char** argv) {
  using namespace zephyn;
  std::setlocale(LC_ALL, "");
  SetLanguage(ModuleLanguage());
  ModuleOptions options;
  OptionProblem problem;
  if (!ParseModuleOptions(std::vector<std::string>(argv + 1, argv + argc), &options, &problem))
    return Refuse(problem);
  switch (options.action) {
    case ModuleOptions::Action::kHelp:
      std::fputs(LoadTextUtf8(TextId::kModuleUsage).c_str(), stdout);
      return 0;
    case ModuleOptions::Action::kVersion:
      std::printf("zephyn-module %s\n", ZEPHYN_VERSION);
      return 0;
    case ModuleOptions::Action::kRun:
      break;
  }
  return Run(options);
}
