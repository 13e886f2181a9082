// The command line of zephyn-module, the virtual module as a program of its
// own: what it reads from its arguments, or why it could not.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zephyn {

struct ModuleOptions {
  enum class Action { kRun, kHelp, kVersion };
  Action action = Action::kRun;
  std::uint32_t rate = 115200;  // the rate the module answers at
  std::string link;             // a symbolic link to make to the device; empty: none
};

struct OptionProblem {
  enum class Kind { kUnknownOption, kMissingValue, kBadRate, kUnexpectedArgument };
  Kind kind = Kind::kUnknownOption;
  std::string argument;  // the option or argument at fault, as given
};

// Reads `arguments` (the program's name left out): --rate N, --link PATH
// (either also as --rate=N, --link=PATH), -h/--help, -v/--version. A later
// --rate or --link replaces an earlier one; help and version win over the
// rest. False with `problem` filled in at the first argument it cannot take.
bool ParseModuleOptions(const std::vector<std::string>& arguments, ModuleOptions* options,
                        OptionProblem* problem);

}  // namespace zephyn
