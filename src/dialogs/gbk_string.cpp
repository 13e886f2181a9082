#include "dialogs/gbk_string.h"

#include <algorithm>

#include "common/code_page.h"
#include "common/texts.h"

namespace zephyn {

QString FromGbk(std::string_view gbk) {
  // Plain ASCII reads the same in GBK, and it is most of what a module
  // sends: it skips the converter, which the receive pane would otherwise
  // run on every new line.
  if (std::all_of(gbk.begin(), gbk.end(), [](char c) { return (unsigned char)c < 0x80; }))
    return QString::fromLatin1(gbk.data(), qsizetype(gbk.size()));
  return QString::fromStdString(GbkToUtf8(gbk));
}

std::string ToGbk(const QString& text) {
  return Utf8ToGbkString(text.toStdString());
}

QString Text(int id) {
  if (id < 0 || id > 0xFFFF) return QString();
  return QString::fromStdString(LoadTextUtf8(std::uint16_t(id)));
}

}  // namespace zephyn
