#include "front/translations.h"

#include <QCoreApplication>
#include <QTranslator>

namespace ctrlprog {

bool InstallTranslations(const QLocale& locale) {
  static QTranslator translator;  // lives as long as the program
  QCoreApplication::removeTranslator(&translator);
  if (!translator.load(locale, "ctrlprog", "_", ":/i18n")) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace ctrlprog
