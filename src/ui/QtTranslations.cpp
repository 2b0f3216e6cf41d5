#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <clocale>
#include <memory>

#include "platform/Session.h"

namespace vandrel {

namespace {

// The one translator of Qt's texts; replaced at every switch, so only the
// current language's texts are installed.
std::unique_ptr<QTranslator>& Installed() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

} // namespace

QString QtTranslationsFolder() {
  return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
}

bool LoadQtTranslations(std::uint16_t lang_id, const QString& folder) {
  std::unique_ptr<QTranslator>& installed = Installed();
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  const std::string locale = platform::LocaleOfLangId(lang_id);
  // English is what Qt says without a file.
  if (locale.empty() || (lang_id & 0x3FF) == 0x09) {
    return false;
  }
  auto translator = std::make_unique<QTranslator>();
  // "qtbase_fr_CA" falls back to "qtbase_fr"; a modifier ("@latin") is
  // not part of Qt's file names.
  const QString name = QString::fromStdString(locale.substr(0, locale.find('@')));
  if (!translator->load(QStringLiteral("qtbase_") + name,
                        folder.isEmpty() ? QtTranslationsFolder() : folder)) {
    return false;
  }
  QCoreApplication::installTranslator(translator.get());
  installed = std::move(translator);
  return true;
}

void KeepSystemMessagesInEnglish() {
  std::setlocale(LC_MESSAGES, "C");
}

} // namespace vandrel
