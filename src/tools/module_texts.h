// What zephyn-module writes to its user, in Simplified Chinese and English
// (UTF-8), and the language it writes in.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "common/texts.h"

namespace zephyn {

enum class ModuleTextId {
  kUsage,
  kUnknownOption,        // %1: the option
  kMissingValue,         // %1: the option
  kBadRate,              // %1: the value given
  kUnexpectedArgument,   // %1: the argument
  kTryHelp,
  kNoPseudoTerminal,     // %1: the system's reason
  kLinkFailed,           // %1: the link's path, %2: the system's reason
};

// The text of `id` in `language` with %1, %2 filled in from `args`.
std::string ModuleText(ModuleTextId id, Language language,
                       std::initializer_list<std::string_view> args = {});

// The language for a user whose LANGUAGE variable is `languageList` (a list
// separated by ':', possibly empty) and whose messages locale is
// `messagesLocale` (LC_ALL, else LC_MESSAGES, else LANG): Simplified Chinese
// when the first choice is, English otherwise. As with the system's own
// messages, the list counts only outside the "C" locale.
Language ModuleLanguageFor(std::string_view languageList, std::string_view messagesLocale);

// The language for this process's environment. Chinese needs a UTF-8
// terminal: with another character set the texts are English. Call after
// setlocale(LC_ALL, "").
Language ModuleLanguage();

}  // namespace zephyn
