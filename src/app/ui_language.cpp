#include "app/ui_language.h"

#include <QLocale>

namespace zephyn {

Language LanguageFor(const QStringList& uiLanguages) {
  if (uiLanguages.isEmpty()) return Language::EnUS;
  const QLocale first(uiLanguages.first());
  if (first.language() != QLocale::Chinese) return Language::EnUS;
  // "zh" alone, "zh-CN", "zh-SG" and "zh-Hans-*" are Simplified Chinese;
  // Traditional Chinese gets the English texts.
  return first.script() == QLocale::TraditionalChineseScript ? Language::EnUS : Language::ZhCN;
}

Language SystemUiLanguage() {
  return LanguageFor(QLocale::system().uiLanguages());
}

}  // namespace zephyn
