// The window's strings are QStrings; the program's bytes are GBK. These two
// carry text across: what the user types becomes GBK bytes, received GBK
// bytes become text to show.
#pragma once

#include <QString>
#include <string>
#include <string_view>

#include "common/texts.h"

namespace zephyn {

QString FromGbk(std::string_view gbk);
std::string ToGbk(const QString& text);

// A text of the table in the current language, as the window shows it.
QString Text(int id);
// The same in a given language: for a control built for its own language.
QString Text(int id, Language language);

}  // namespace zephyn
