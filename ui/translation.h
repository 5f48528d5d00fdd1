#pragma once
// The language of the windows. Japanese is the program's own language, in
// which every text is written; English comes from the catalogue
// translations/tintloom_en.ts, built into the program. Qt's own dialogs and
// buttons follow the same choice through Qt's shipped translations.

#include <QString>
#include <string>

#include "core/base/user_text.h"

namespace tintloom {

enum class TLanguage { Japanese, English };

// The language kept in the user's settings; Japanese when none is kept.
TLanguage ChosenLanguage();
void RememberLanguage(TLanguage language);

// Makes `language` the application's: the windows built from now on show
// it. Replaces what an earlier call installed.
void InstallLanguage(TLanguage language);
// The language installed last; Japanese before any.
TLanguage InstalledLanguage();

// A text the core produced (a message, a tone or preset name) in the user's
// language. Each line is looked up as it is, then with its numbers put back
// to %1, %2, ...; a line the catalogue does not hold (a file name) stays as
// it is.
QString UserText(const std::string& text);

}  // namespace tintloom
