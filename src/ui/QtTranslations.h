#pragma once
// Qt's own texts (the standard buttons of message boxes, the file and
// folder dialogs) in the language the windows show.

#include <QString>

#include <cstdint>

namespace vandrel {

/// Qt's translations folder (Debian: /usr/share/qt6/translations, from the
/// package qt6-translations-l10n).
QString QtTranslationsFolder();

/// Puts Qt's texts in the language of a Windows language identifier:
/// qtbase_<ll_CC>.qm, else qtbase_<ll>.qm, from folder (Qt's own when
/// empty), replacing what an earlier call loaded. English, Qt's built-in
/// texts, for English and for a language Qt has no file of. Returns true
/// when a file was loaded. GUI thread, with the application object made.
bool LoadQtTranslations(std::uint16_t lang_id, const QString& folder = QString());

/// Qt hands the desktop's locale to the C library, LC_MESSAGES included,
/// which would put the system's reasons (strerror) in the desktop's
/// language into the log, whose texts are English, and into a window that
/// may show another language. Sets LC_MESSAGES back to "C": the window
/// asks for its own language explicitly (Tmain::SystemReason). Call right
/// after creating the application object.
void KeepSystemMessagesInEnglish();

} // namespace vandrel
