// The language of the whole run: Simplified Chinese when the user's first
// interface language is, English otherwise.
#pragma once

#include <QStringList>

#include "common/texts.h"

namespace zephyn {

Language LanguageFor(const QStringList& uiLanguages);

// From the system's interface languages.
Language SystemUiLanguage();

// The toolkit's own texts (the standard context menus' Copy and Select All,
// the buttons of its boxes) in `language`, from the toolkit's installed
// translations; English leaves them as they are built in. Replaces what an
// earlier call loaded. False when the translations for Chinese are not
// installed: those texts then stay English. Window thread, after the
// application object exists.
bool LoadToolkitTranslations(Language language);

}  // namespace zephyn
