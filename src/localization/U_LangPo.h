#pragma once
// Language files as gettext PO files, for translators: every text of every
// component group becomes an entry whose context is the component path and
// the text's kind ("main.splitgo_btn|caption", "|hint", "|items"); the
// header (revision, language, title, heading, detail, notes, flag, program
// version, input method, font, character set, minimum size) travels in
// "X-Vandrel-" fields of the PO header; the record tags travel in extracted
// comments. A translated text (msgstr not empty, not fuzzy) is written back
// with the translated flag; an untranslated one without.
//
// A language file turned into PO and back, with nothing edited, comes back
// byte for byte.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// One record of a record file.
struct TLangRecord {
  std::int32_t Tag = 0;
  std::string Data;
  bool operator==(const TLangRecord&) const = default;
};
using TLangRecords = std::vector<TLangRecord>;

/// Reads every record of a language file. False with error ("<file>: ...")
/// when it is missing, no language file, or damaged.
bool ReadLanguageRecords(const WideString& file_name, TLangRecords& records, std::string& error);
/// Writes a language file of these records (replacing the file). False with
/// error when it cannot be written.
bool WriteLanguageRecords(const WideString& file_name, const TLangRecords& records,
                          std::string& error);

/// The PO text of a language file of revision 1 to 4. english: the
/// template's records, which give the English msgid of translated texts
/// (null: the translation stands in). False with error for revision 0 or
/// above 4, and for texts that are not valid in the file's code page.
bool LanguageFileToPo(const TLangRecords& file, const TLangRecords* english, std::string& po,
                      std::string& error);
/// A language file from PO text. With a template, its groups and their
/// order are the template's (what the PO does not translate keeps the
/// template's English); without, the PO's own entries give them. False with
/// error on a PO syntax error, a missing header, or a text that has no
/// encoding in the character set's code page.
bool PoToLanguageFile(const std::string& po, const TLangRecords* templ, TLangRecords& file,
                      std::string& error);

/// The language code a PO file's header names (X-Vandrel-Variant in the
/// high 16 bits, X-Vandrel-LangId in the low); 0 when absent.
std::uint32_t PoLanguageCode(const std::string& po);

} // namespace vandrel
