// The language of the whole run: Simplified Chinese when the user's first
// interface language is, English otherwise.
#pragma once

#include <QStringList>

#include "common/texts.h"

namespace zephyn {

Language LanguageFor(const QStringList& uiLanguages);

// From the system's interface languages.
Language SystemUiLanguage();

}  // namespace zephyn
