// The advanced settings of the terminal: the multi-instruction mode with the
// delay before each next instruction (as typed, in the program's code page;
// its leading digits are the milliseconds), and the UTF-8 view of received
// text.
#pragma once

#include <string>

namespace zephyn {

struct AdvancedSettings {
  bool multiInstruction = false;
  std::string instructionDelay = "150";
  bool utf8 = false;
};

}  // namespace zephyn
