#include "tools/module_options.h"

#include <charconv>
#include <optional>

namespace zephyn {

namespace {

// A rate given as decimal digits only, positive and within 32 bits.
std::optional<std::uint32_t> ParseRate(const std::string& text) {
  std::uint32_t value = 0;
  const char* last = text.data() + text.size();
  const auto [end, ec] = std::from_chars(text.data(), last, value);
  if (text.empty() || ec != std::errc() || end != last || value == 0) return std::nullopt;
  return value;
}

}  // namespace

bool ParseModuleOptions(const std::vector<std::string>& arguments, ModuleOptions* options,
                        OptionProblem* problem) {
  ModuleOptions read;
  bool help = false;
  bool version = false;
  const auto fail = [problem](OptionProblem::Kind kind, const std::string& argument) {
    *problem = {kind, argument};
    return false;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument == "-h" || argument == "--help") {
      help = true;
      continue;
    }
    if (argument == "-v" || argument == "--version") {
      version = true;
      continue;
    }
    if (argument.rfind('-', 0) != 0 || argument == "-")
      return fail(OptionProblem::Kind::kUnexpectedArgument, argument);
    // An option with a value: the value follows after '=' or as the next
    // argument.
    const std::size_t eq = argument.find('=');
    const std::string name = argument.substr(0, eq);
    if (name != "--rate" && name != "--link")
      return fail(OptionProblem::Kind::kUnknownOption, name);
    std::string value;
    if (eq != std::string::npos) {
      value = argument.substr(eq + 1);
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return fail(OptionProblem::Kind::kMissingValue, name);
    }
    if (value.empty()) return fail(OptionProblem::Kind::kMissingValue, name);
    if (name == "--link") {
      read.link = value;
      continue;
    }
    const std::optional<std::uint32_t> rate = ParseRate(value);
    if (!rate) return fail(OptionProblem::Kind::kBadRate, value);
    read.rate = *rate;
  }
  if (help) {
    read.action = ModuleOptions::Action::kHelp;
  } else if (version) {
    read.action = ModuleOptions::Action::kVersion;
  }
  *options = read;
  return true;
}

}  // namespace zephyn
