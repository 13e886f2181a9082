#include "tools/module_language.h"

#include <langinfo.h>

#include <cstdlib>
#include <cstring>

namespace zephyn {

namespace {

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

Language ModuleLanguageFor(std::string_view languageList, std::string_view messagesLocale) {
  std::string_view first = messagesLocale;
  if (!messagesLocale.empty() && messagesLocale != "C" && messagesLocale != "POSIX") {
    const std::string_view listed = languageList.substr(0, languageList.find(':'));
    if (!listed.empty()) first = listed;
  }
  if (first.substr(0, 2) != "zh" || (first.size() > 2 && first[2] != '_' && first[2] != '-' &&
                                     first[2] != '.' && first[2] != '@'))
    return Language::EnUS;
  // Traditional Chinese (Taiwan, Hong Kong, Macao, or the script named)
  // gets the English texts, as in the window.
  for (const std::string_view traditional : {"TW", "HK", "MO", "Hant"}) {
    if (first.find(traditional) != std::string_view::npos) return Language::EnUS;
  }
  return Language::ZhCN;
}

Language ModuleLanguage() {
  if (std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) return Language::EnUS;
  const char* locale = Variable("LC_ALL");
  if (*locale == '\0') locale = Variable("LC_MESSAGES");
  if (*locale == '\0') locale = Variable("LANG");
  return ModuleLanguageFor(Variable("LANGUAGE"), locale);
}

}  // namespace zephyn
