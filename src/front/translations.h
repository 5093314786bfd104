#pragma once

#include <QLocale>

namespace ctrlprog {

// Installs the translation of this project's own texts for `locale` (the system's, by default),
// where there is one; English needs none. Returns whether one was installed.
bool InstallTranslations(const QLocale& locale = QLocale());

}  // namespace ctrlprog
