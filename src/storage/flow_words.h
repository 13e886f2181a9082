// The flow-control word the settings file stores: the text of the selected
// entry of the flow-control list, in the language of the run that wrote it.
#pragma once

#include <optional>
#include <string_view>

namespace zephyn {

// The flow-control list's entry (0: no flow control, 1: CTS) that a stored
// word (GBK) stands for, whichever language reads it. The list is sorted, so
// each word keeps the position it had where it was written: in Chinese "无"
// is entry 0 and "有" entry 1, in English "Have" is entry 0 and "No" entry 1.
// nullopt for any other word.
std::optional<int> FlowEntryOfWord(std::string_view gbkValue);

}  // namespace zephyn
