// The language zephyn-module writes in, read from the user's environment as
// the system's own programs read it (the window asks the toolkit instead).
#pragma once

#include <string_view>

#include "common/texts.h"

namespace zephyn {

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
