#include "app/ui_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

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

bool LoadToolkitTranslations(Language language) {
  static QPointer<QTranslator> loaded;
  if (loaded) {
    QCoreApplication::removeTranslator(loaded);
    delete loaded;
  }
  if (language != Language::ZhCN) return true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  loaded = translator;
  return true;
}

}  // namespace zephyn
