#include "tools/module_texts.h"

#include <langinfo.h>

#include <array>
#include <cstdlib>
#include <cstring>

namespace zephyn {

namespace {

struct Texts {
  const char* zh;
  const char* en;
};

constexpr std::array<Texts, 8> kTexts = {{
    {"用法：zephyn-module [--rate 速率] [--link 路径]\n"
     "在伪终端上模拟一个蓝牙串口模块：输出设备路径，以给定的波特率应答 AT 指令，\n"
     "一直运行到收到 SIGINT 或 SIGTERM 为止，随后设备消失。\n"
     "\n"
     "  --rate 速率     以该波特率应答（默认 115200）\n"
     "  --link 路径     另建一个指向设备的符号链接，退出时删除；\n"
     "                  该路径已存在时不覆盖，程序结束\n"
     "  -h, --help      显示本帮助并退出\n"
     "  -v, --version   显示版本并退出\n",
     "Usage: zephyn-module [--rate N] [--link PATH]\n"
     "A virtual Bluetooth serial module on a pseudo-terminal: prints the device's\n"
     "path, answers AT commands at the given rate and runs until SIGINT or SIGTERM,\n"
     "when the device goes away.\n"
     "\n"
     "  --rate N        answer at N bit/s (default 115200)\n"
     "  --link PATH     also make a symbolic link PATH to the device, removed at\n"
     "                  exit; an existing PATH is left alone and the program ends\n"
     "  -h, --help      show this help and exit\n"
     "  -v, --version   show the version and exit\n"},
    {"zephyn-module：未知选项“%1”", "zephyn-module: unknown option '%1'"},
    {"zephyn-module：选项“%1”需要一个值", "zephyn-module: option '%1' needs a value"},
    {"zephyn-module：“%1”不是波特率（应为 1 到 4294967295 的整数）",
     "zephyn-module: '%1' is not a baud rate (a whole number from 1 to 4294967295)"},
    {"zephyn-module：多余的参数“%1”", "zephyn-module: unexpected argument '%1'"},
    {"请运行“zephyn-module --help”查看用法。", "Try 'zephyn-module --help'."},
    {"zephyn-module：无法创建伪终端：%1", "zephyn-module: cannot create a pseudo-terminal: %1"},
    {"zephyn-module：无法创建链接“%1”：%2", "zephyn-module: cannot make the link '%1': %2"},
}};

const char* Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

std::string ModuleText(ModuleTextId id, Language language,
                       std::initializer_list<std::string_view> args) {
  const Texts& texts = kTexts[static_cast<std::size_t>(id)];
  return FillText(language == Language::ZhCN ? texts.zh : texts.en, args);
}

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
