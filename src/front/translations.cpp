#include "front/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include "model/say.h"

namespace ctrlprog {
namespace {

std::string TranslatedMessage(std::string_view english) {
  const std::string source(english);
  return QCoreApplication::translate("Message", source.c_str()).toStdString();
}

}  // namespace

void TranslateMessages(bool on) {
  SetTranslation(on ? &TranslatedMessage : nullptr);
}

bool InstallTranslations(const QLocale& locale, bool qtToo) {
  // Qt's own words (its dialogs' "Look in:", "Open", "Cancel"), from Qt's translations where
  // they are installed (Debian's qt6-translations-l10n); they live as long as the program.
  static QTranslator qt;
  QCoreApplication::removeTranslator(&qt);
  if (qtToo && qt.load(locale, "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QCoreApplication::installTranslator(&qt);
  }
  static QTranslator translator;
  QCoreApplication::removeTranslator(&translator);
  if (!translator.load(locale, "ctrlprog", "_", ":/i18n")) return false;
  return QCoreApplication::installTranslator(&translator);
}

}  // namespace ctrlprog
