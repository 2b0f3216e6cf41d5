#include <unistd.h>

#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/Session.h"

namespace vandrel::platform {

namespace {

struct LocaleEntry {
  const char* locale; ///< "ll_CC" or "ll_CC@modifier"
  std::uint16_t lang_id;
};

// Every identifier of the language list's table that has a locale. The
// first entry of a language is its main identifier.
constexpr LocaleEntry kLocales[] = {
    {"af_ZA", 0x0436},       {"sq_AL", 0x041C},          {"ar_SA", 0x0401}, {"ar_IQ", 0x0801},
    {"ar_EG", 0x0C01},       {"ar_LY", 0x1001},          {"ar_DZ", 0x1401}, {"ar_MA", 0x1801},
    {"ar_TN", 0x1C01},       {"ar_OM", 0x2001},          {"ar_YE", 0x2401}, {"ar_SY", 0x2801},
    {"ar_JO", 0x2C01},       {"ar_LB", 0x3001},          {"ar_KW", 0x3401}, {"ar_AE", 0x3801},
    {"ar_BH", 0x3C01},       {"ar_QA", 0x4001},          {"hy_AM", 0x042B}, {"as_IN", 0x044D},
    {"az_AZ", 0x042C},       {"az_AZ@cyrillic", 0x082C}, {"eu_ES", 0x042D}, {"be_BY", 0x0423},
    {"bn_IN", 0x0445},       {"bg_BG", 0x0402},          {"my_MM", 0x0455}, {"ca_ES", 0x0403},
    {"zh_TW", 0x0404},       {"zh_CN", 0x0804},          {"zh_HK", 0x0C04}, {"zh_SG", 0x1004},
    {"zh_MO", 0x1404},       {"hr_HR", 0x041A},          {"cs_CZ", 0x0405}, {"da_DK", 0x0406},
    {"nl_NL", 0x0413},       {"nl_BE", 0x0813},          {"en_US", 0x0409}, {"en_GB", 0x0809},
    {"en_AU", 0x0C09},       {"en_CA", 0x1009},          {"en_NZ", 0x1409}, {"en_IE", 0x1809},
    {"en_ZA", 0x1C09},       {"en_JM", 0x2009},          {"en_AG", 0x2409}, {"en_BZ", 0x2809},
    {"en_TT", 0x2C09},       {"en_ZW", 0x3009},          {"en_PH", 0x3409}, {"et_EE", 0x0425},
    {"fo_FO", 0x0438},       {"fa_IR", 0x0429},          {"fi_FI", 0x040B}, {"fr_FR", 0x040C},
    {"fr_BE", 0x080C},       {"fr_CA", 0x0C0C},          {"fr_CH", 0x100C}, {"fr_LU", 0x140C},
    {"fr_MC", 0x180C},       {"gl_ES", 0x0456},          {"ka_GE", 0x0437}, {"de_DE", 0x0407},
    {"de_CH", 0x0807},       {"de_AT", 0x0C07},          {"de_LU", 0x1007}, {"de_LI", 0x1407},
    {"el_GR", 0x0408},       {"gu_IN", 0x0447},          {"he_IL", 0x040D}, {"hi_IN", 0x0439},
    {"hu_HU", 0x040E},       {"is_IS", 0x040F},          {"id_ID", 0x0421}, {"it_IT", 0x0410},
    {"it_CH", 0x0810},       {"ja_JP", 0x0411},          {"kn_IN", 0x044B}, {"ks_IN", 0x0860},
    {"kk_KZ", 0x043F},       {"kok_IN", 0x0457},         {"ko_KR", 0x0412}, {"lv_LV", 0x0426},
    {"lt_LT", 0x0427},       {"mk_MK", 0x042F},          {"ms_MY", 0x043E}, {"ms_BN", 0x083E},
    {"ml_IN", 0x044C},       {"mni_IN", 0x0458},         {"mr_IN", 0x044E}, {"ne_IN", 0x0861},
    {"nb_NO", 0x0414},       {"no_NO", 0x0414},          {"nn_NO", 0x0814}, {"or_IN", 0x0448},
    {"pl_PL", 0x0415},       {"pt_BR", 0x0416},          {"pt_PT", 0x0816}, {"pa_IN", 0x0446},
    {"ro_RO", 0x0418},       {"ru_RU", 0x0419},          {"sa_IN", 0x044F}, {"sr_RS", 0x0C1A},
    {"sr_RS@latin", 0x081A}, {"sr_ME", 0x0C1A},          {"sd_IN", 0x0459}, {"sk_SK", 0x041B},
    {"sl_SI", 0x0424},       {"es_ES", 0x0C0A},          {"es_MX", 0x080A}, {"es_GT", 0x100A},
    {"es_CR", 0x140A},       {"es_PA", 0x180A},          {"es_DO", 0x1C0A}, {"es_VE", 0x200A},
    {"es_CO", 0x240A},       {"es_PE", 0x280A},          {"es_AR", 0x2C0A}, {"es_EC", 0x300A},
    {"es_CL", 0x340A},       {"es_UY", 0x380A},          {"es_PY", 0x3C0A}, {"es_BO", 0x400A},
    {"es_SV", 0x440A},       {"es_HN", 0x480A},          {"es_NI", 0x4C0A}, {"es_PR", 0x500A},
    {"st_ZA", 0x0430},       {"sw_KE", 0x0441},          {"sv_SE", 0x041D}, {"sv_FI", 0x081D},
    {"ta_IN", 0x0449},       {"tt_RU", 0x0444},          {"te_IN", 0x044A}, {"th_TH", 0x041E},
    {"tr_TR", 0x041F},       {"uk_UA", 0x0422},          {"ur_PK", 0x0420}, {"ur_IN", 0x0820},
    {"uz_UZ", 0x0443},       {"uz_UZ@cyrillic", 0x0843}, {"vi_VN", 0x042A},
};

std::string LanguagePart(std::string_view key) {
  return std::string(key.substr(0, key.find('_')));
}

std::mutex beep_mutex;
std::function<void(unsigned, unsigned)>& BeepHandler() {
  static std::function<void(unsigned, unsigned)> handler;
  return handler;
}

} // namespace

std::uint16_t LangIdOfLocale(std::string_view locale) {
  // ll[_CC][.charset][@modifier]
  std::string name(locale);
  std::string modifier;
  if (const size_t at = name.find('@'); at != std::string::npos) {
    modifier = name.substr(at);
    name.erase(at);
  }
  if (const size_t dot = name.find('.'); dot != std::string::npos) {
    name.erase(dot);
  }
  for (char& c : name) {
    if (c == '-') {
      c = '_';
    }
  }
  if (name.empty() || name == "C" || name == "POSIX") {
    return 0;
  }
  const std::string with_modifier = name + modifier;
  for (const LocaleEntry& e : kLocales) {
    if (with_modifier == e.locale) {
      return e.lang_id;
    }
  }
  for (const LocaleEntry& e : kLocales) {
    if (name == e.locale) {
      return e.lang_id;
    }
  }
  const std::string language = LanguagePart(name);
  for (const LocaleEntry& e : kLocales) {
    if (language == LanguagePart(e.locale)) {
      return e.lang_id;
    }
  }
  return 0;
}

std::string LocaleOfLangId(std::uint16_t lang_id) {
  for (const LocaleEntry& e : kLocales) {
    if (e.lang_id == lang_id) {
      return e.locale;
    }
  }
  for (const LocaleEntry& e : kLocales) {
    if ((e.lang_id & 0x3FF) == (lang_id & 0x3FF)) {
      return e.locale;
    }
  }
  return {};
}

std::uint16_t UserDefaultLangId() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      const std::uint16_t id = LangIdOfLocale(value);
      return id != 0 ? id : 0x0409;
    }
  }
  return 0x0409;
}

AnsiString DefaultInputMethodName() {
  for (const char* variable : {"QT_IM_MODULE", "GTK_IM_MODULE"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      return value;
    }
  }
  if (const char* x = std::getenv("XMODIFIERS")) {
    const std::string_view text(x);
    if (const size_t at = text.find("@im="); at != std::string_view::npos) {
      return AnsiString(text.substr(at + 4));
    }
  }
  return {};
}

void Beep(unsigned frequency_hz, unsigned duration_ms) {
  std::function<void(unsigned, unsigned)> handler;
  {
    std::lock_guard lock(beep_mutex);
    handler = BeepHandler();
  }
  if (handler) {
    handler(frequency_hz, duration_ms);
  } else if (isatty(STDERR_FILENO)) {
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, "\a", 1);
  }
}

void SetBeepHandler(std::function<void(unsigned, unsigned)> handler) {
  std::lock_guard lock(beep_mutex);
  BeepHandler() = std::move(handler);
}

} // namespace vandrel::platform
