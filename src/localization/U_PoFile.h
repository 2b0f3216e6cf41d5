#pragma once
// Reading and writing gettext PO files: the entries with their comments,
// context, message and translation. Plural forms are not used by language
// files and are refused.

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vandrel {

struct TPoEntry {
  std::vector<std::string> TranslatorComments; ///< "# " lines, without the marker
  std::vector<std::string> ExtractedComments;  ///< "#." lines
  std::vector<std::string> References;         ///< "#:" lines
  std::vector<std::string> Flags;              ///< words of "#," lines
  std::optional<std::string> Context;          ///< msgctxt
  std::string Id;                              ///< msgid (unescaped, UTF-8)
  std::string Text;                            ///< msgstr
  bool Obsolete = false;                       ///< "#~" entries

  /// True when a "fuzzy" flag is set.
  bool Fuzzy() const;
  /// The header entry: empty msgid and no context.
  bool IsHeader() const { return Id.empty() && !Context; }
};

/// Parses PO text. On a syntax error returns false with error set to
/// "line N: what is wrong".
bool ParsePo(std::string_view text, std::vector<TPoEntry>& entries, std::string& error);
/// Formats entries as PO text; texts holding line breaks are split after
/// each "\n", as gettext's tools do.
std::string FormatPo(const std::vector<TPoEntry>& entries);
/// FormatPo straight into a stream, without the whole text in memory.
void WritePo(std::ostream& out, const std::vector<TPoEntry>& entries);
/// One entry as WritePo writes it (a blank line goes between entries), with
/// msgstr taken from text, so an entry whose translation is its msgid need
/// not hold the text twice.
void WritePoEntry(std::ostream& out, const TPoEntry& entry, const std::string& text);

/// Bytes as base64 text (RFC 4648, with padding), for binary data in a PO
/// file.
std::string PoBase64(std::string_view bytes);
/// PoBase64 appended to out.
void AppendPoBase64(std::string& out, std::string_view bytes);
/// Base64 text back to bytes; false for characters outside the alphabet or
/// a length that no encoding gives.
bool PoFromBase64(std::string_view text, std::string& bytes);

/// The value of a "Name: value" line of a header entry's text; empty when
/// absent.
std::optional<std::string> PoHeaderField(const std::string& header, std::string_view name);

} // namespace vandrel
