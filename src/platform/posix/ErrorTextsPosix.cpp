#include <locale.h>
#include <string.h>

#include <map>
#include <mutex>
#include <string>

#include "platform/ErrorTexts.h"
#include "platform/Session.h"

namespace vandrel::platform {

namespace {

// The messages and the characters of a locale: without LC_CTYPE the
// catalogue's accented letters would come out as "?".
locale_t NewMessagesLocale(const std::string& name) {
  if (name.empty()) {
    return static_cast<locale_t>(0);
  }
  return newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, (name + ".UTF-8").c_str(),
                   static_cast<locale_t>(0));
}

// newlocale reads files: each language's locale is made once and kept for
// the run (a handful at most). The table is never destroyed, so the
// locales stay reachable until the process ends.
locale_t MessagesLocale(std::uint16_t lang_id) {
  static std::mutex mutex;
  static auto& made = *new std::map<std::uint16_t, locale_t>;
  std::lock_guard lock(mutex);
  if (const auto found = made.find(lang_id); found != made.end()) {
    return found->second;
  }
  locale_t locale = static_cast<locale_t>(0);
  if ((lang_id & 0x3FF) != 0x09 && lang_id != 0) {
    locale = NewMessagesLocale(LocaleOfLangId(lang_id));
    if (locale == static_cast<locale_t>(0)) {
      locale = NewMessagesLocale(LocaleOfLangId(lang_id & 0x3FF));
    }
  }
  if (locale == static_cast<locale_t>(0)) {
    // The C locale's texts are the English ones, whatever the process's
    // LC_MESSAGES is.
    locale = newlocale(LC_MESSAGES_MASK | LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
  }
  made.emplace(lang_id, locale);
  return locale;
}

} // namespace

AnsiString ErrorTextInLanguage(int error, std::uint16_t lang_id) {
  const locale_t locale = MessagesLocale(lang_id);
  if (locale == static_cast<locale_t>(0)) {
    return "Unknown error " + std::to_string(error);
  }
  // strerror_l's buffer may be reused by the next call in this thread.
  return strerror_l(error, locale);
}

} // namespace vandrel::platform
