#pragma once

#include <QLocale>

namespace ctrlprog {

// Installs the translation of this project's own texts for `locale` (the system's, by default),
// where there is one; English needs none. Returns whether one was installed.
// With `qtToo`, Qt's own words as well (its dialogs'); Qt also words some system errors with
// them, so a program whose output a script reads leaves them out.
bool InstallTranslations(const QLocale& locale = QLocale(), bool qtToo = true);

// Texts for a person made below the front end (messages, the console's lines) in the language
// installed above; off, they stay English, as a script reading them wants.
void TranslateMessages(bool on);

}  // namespace ctrlprog
