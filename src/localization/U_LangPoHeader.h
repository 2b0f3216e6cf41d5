#pragma once
// The header of a language file as the "X-Vandrel-" fields of a PO header,
// and the texts of a language file as PO text.
//
// A field is written as the program reads it (numbers, texts in UTF-8, the
// flag in base64). A record that this form cannot give back exactly (a tag
// the program ignores but the file holds, an integer record of another
// length than 4 bytes, bytes that are no text in the file's code page) is
// also kept whole in an "X-Vandrel-Record-<field>" field, and used again as
// long as the field still reads the same. A header cut short is noted in
// "X-Vandrel-HeaderRecords".

#include <cstdint>
#include <string>

#include "localization/Lang_FileCodec.h"

namespace vandrel {

/// The code page of the texts of a file of this revision and character set
/// (revision 0 and revisions above 4 have the default character set 1).
unsigned LangCodePage(std::uint16_t revision, std::int32_t charset);
/// The code page of a file's texts.
unsigned LangCodePage(const TLangFile& file);

/// Bytes in code_page as UTF-8 text. exact: the text turns back into the
/// same bytes; otherwise the text is the lossy form and the caller keeps
/// the bytes themselves.
std::string BytesToPoText(const std::string& bytes, unsigned code_page, bool& exact);
/// UTF-8 text as bytes in code_page: kept (when given) if the text still
/// reads as those bytes do; otherwise the strict conversion. False when the
/// text has characters the code page cannot hold.
bool PoTextToBytes(const std::string& text, const std::string* kept, unsigned code_page,
                   std::string& bytes);

/// Parses a number as the fields write them: decimal (with an optional
/// "-") or "0x" and hexadecimal digits. False for anything else.
bool ParsePoNumber(const std::string& text, std::int64_t& value);

/// The header text (without the entry's comments) for a file's header.
std::string LanguageHeaderToPo(const TLangFile& file);

/// Header records from a PO header text. base: the file whose header gives
/// the fields the PO does not name (a template), or null for the program's
/// defaults. Applies the program's rules: a revision of 0 to 4, a language
/// identifier of 16 bits, 32-bit numbers, a flag that is empty or a BMP
/// image. False with error naming the field otherwise.
bool PoToLanguageHeader(const std::string& po_header, const TLangFile* base, TLangRecords& header,
                        std::string& error);

} // namespace vandrel
