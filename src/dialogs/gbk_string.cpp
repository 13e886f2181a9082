#include "dialogs/gbk_string.h"

#include "common/code_page.h"
#include "common/texts.h"

namespace zephyn {

QString FromGbk(std::string_view gbk) {
  return QString::fromStdString(GbkToUtf8(gbk));
}

std::string ToGbk(const QString& text) {
  return Utf8ToGbkString(text.toStdString());
}

QString Text(int id) {
  return Text(id, CurrentLanguage());
}

QString Text(int id, Language language) {
  if (id < 0 || id > 0xFFFF) return QString();
  return QString::fromStdString(LoadTextUtf8(std::uint16_t(id), language));
}

}  // namespace zephyn
