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
// byte for byte: what the plain form cannot carry (tags the program ignores,
// integer records of other lengths, bytes that are no text, groups cut
// short) travels in extra words of the comments and in extra header fields.

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "localization/Lang_FileCodec.h"
#include "localization/U_PoFile.h"

namespace vandrel {

/// Reads every record of a language file, refusing what the program
/// refuses (ReadLanguageFile). False with error ("<file>: ...").
bool ReadLanguageRecords(const WideString& file_name, TLangRecords& records, std::string& error);
/// Writes a language file of these records (replacing the file). False with
/// error when it cannot be written.
bool WriteLanguageRecords(const WideString& file_name, const TLangRecords& records,
                          std::string& error);

/// The PO entries of a language file (header entry first). english: a
/// template, which gives the English msgid of translated texts (null: the
/// translation stands in). Without a template, the entries give the file
/// back byte for byte through PoToLanguageFile.
bool LanguageFileToPo(const TLangFile& file, const TLangFile* english,
                      std::vector<TPoEntry>& entries, std::string& error);
/// LanguageFileToPo written straight to a stream, one entry at a time, so a
/// large text is held once. Fails (writing nothing) only for a file whose
/// revision or header the program refuses.
bool WriteLanguageFilePo(const TLangFile& file, const TLangFile* english, std::ostream& out,
                         std::string& error);
/// A language file from PO entries. With a template, its groups and their
/// order are the template's (what the PO does not translate keeps the
/// template's English); without, the PO's own entries give them. False with
/// error on a missing header, a header field the program would refuse, or a
/// text that has no encoding in the character set's code page.
bool PoToLanguageFile(std::vector<TPoEntry> entries, const TLangFile* templ, TLangFile& file,
                      std::string& error);

/// The same on records and PO text. The records are checked as the program
/// checks a file; a refusal gives the program's reason.
bool LanguageFileToPo(const TLangRecords& file, const TLangRecords* english, std::string& po,
                      std::string& error);
bool PoToLanguageFile(const std::string& po, const TLangRecords* templ, TLangRecords& file,
                      std::string& error);

/// The language code a PO file's header names (X-Vandrel-Variant in the
/// high 16 bits, X-Vandrel-LangId in the low); 0 when absent.
std::uint32_t PoLanguageCode(const std::string& po);

} // namespace vandrel
