#pragma once
// The layout of a language file, coded once: the header fields and their
// tags by revision, the revision rules, the records of a component group and
// the integer records. A language file is read into its header and groups
// and written back from them; the program, the language list and
// vandrel-lang all go through here, so they agree on what a language file is.
//
// Reading is as lenient as the program is: a header or a last group cut
// short, integer records of any length and tags the program ignores are all
// accepted, and kept as they stand, so writing the value back gives the same
// bytes. What the program refuses is refused here, with the same reason.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// The signature of every language file.
inline constexpr char kLanguageFileSignature[] = "QIV LANGUAGE FILE";

/// Text-record tags: the kind in the low 4 bits, the show-hint flag and the
/// translated flag above.
inline constexpr std::int32_t kTagCaption = 1;
inline constexpr std::int32_t kTagHint = 2;
inline constexpr std::int32_t kTagList = 3;
inline constexpr std::int32_t kTagShowHint = 0x10;
inline constexpr std::int32_t kTagTranslated = 0x20;
inline constexpr std::int32_t kTagPath = 0x210;
inline constexpr std::int32_t kTagLayout = 0x300;

/// The newest revision the program reads.
inline constexpr std::uint16_t kLangNewestRevision = 4;
/// A file holding fewer records is no language file.
inline constexpr std::int32_t kLangMinimumRecords = 6;
/// Language files are small: a file counting more records is none, and
/// reading it whole would only cost memory.
inline constexpr std::int32_t kLangMaximumRecords = 1 << 20;

/// One record as it stands in the file.
struct TLangRecord {
  std::int32_t Tag = 0;
  std::string Data;
  bool operator==(const TLangRecord&) const = default;
};
using TLangRecords = std::vector<TLangRecord>;

/// The header fields, in the order of a revision-4 file.
enum class TLangField {
  Head, // (revision << 16) + LangId; revision 0: the 2-byte LangId
  Title,
  Heading,
  Detail,
  Notes,
  Flag,
  ProgramVersion,
  ExtraByte,
  ExtraText1,
  ExtraText2,
  ImeName,
  FontName,
  Charset,
  MinFontSize,
};

/// The header fields of a revision, in file order: records 0 to 5 for
/// revision 0 (and for the unsupported revisions above 4), up to 14 for 4.
const std::vector<TLangField>& LangHeaderFields(std::uint16_t revision);
/// The position of a field in the header of a revision; -1 when that
/// revision has no such field.
int LangFieldIndex(std::uint16_t revision, TLangField field);
/// The tag the program writes for a field (ignored on reading).
std::int32_t LangFieldTag(TLangField field);
/// True for the fields held as 4-byte integers (Head included).
bool LangFieldIsInteger(TLangField field);

/// The program's reading of an integer record: the first 4 bytes,
/// little-endian; a shorter record gives the bytes it has, the rest 0.
std::int32_t LangInteger(const std::string& data);
/// The 4 bytes of value, little-endian.
std::string LangIntegerBytes(std::int32_t value);

/// What a record after a group's path holds.
enum class TLangSlot { Layout, Caption, Hint, List };
/// The records that follow the path record of a group: layout, caption,
/// hint, list in revisions 3 and 4; caption, hint, list in 1 and 2; in
/// revision 0 they depend on the kind the path's tag gives.
const std::vector<TLangSlot>& LangGroupSlots(std::uint16_t revision, std::int32_t path_tag);

/// One component group: the path record, then the records of its slots.
/// Only the last group of a file may hold fewer.
struct TLangGroup {
  TLangRecords Records;
  bool operator==(const TLangGroup&) const = default;
};

/// A language file: the header records and the groups after them.
struct TLangFile {
  TLangRecords Header;
  std::vector<TLangGroup> Groups;
  bool operator==(const TLangFile&) const = default;

  /// The revision record 0 gives: its high 16 bits when it holds 4 bytes
  /// or more, otherwise 0.
  std::uint16_t Revision() const;
  std::uint16_t LangId() const;
  /// The record of a field; null when the header does not hold it.
  const TLangRecord* Field(TLangField field) const;
  /// A field's bytes; empty when absent.
  const std::string& Text(TLangField field) const;
  /// A field's integer; absent when the header does not hold it.
  std::int32_t Integer(TLangField field, std::int32_t absent = 0) const;
};

/// The header fields as values; texts are bytes in the file's code page.
struct TLangHeaderValues {
  std::uint16_t Revision = kLangNewestRevision;
  std::uint16_t LangId = 0;
  std::string Title, Heading, Detail, Notes, Flag;
  std::int32_t ProgramVersion = 0;
  std::int32_t ExtraByte = 0;
  std::string ExtraText1, ExtraText2, ImeName, FontName;
  std::int32_t Charset = 1;
  std::int32_t MinFontSize = 8;
};
/// The header records the program writes for these values.
TLangRecords MakeLanguageHeader(const TLangHeaderValues& values);
/// The record the program writes for one field of these values.
TLangRecord MakeLanguageField(const TLangHeaderValues& values, TLangField field);

/// How reading a language file ended; every status but Read is a refusal,
/// in the order the program meets them.
enum class TLangFileStatus {
  Read,
  Missing,
  NotLanguageFile, // cannot be opened, another signature
  TooFewRecords,   // the header counts fewer than 6 records
  TooManyRecords,  // more than any language file holds
  Damaged,         // a record breaks the framing, or the count is wrong
  InvalidFlag,     // record 5 is neither empty nor a BMP image
  UnsupportedRevision,
};

/// Splits records into header and groups and checks them as the program
/// does (record count, flag, revision). With InvalidFlag and
/// UnsupportedRevision the header holds at least records 0 to 5.
TLangFileStatus DecodeLanguageFile(TLangRecords records, TLangFile& file);
/// Reads and decodes a language file. message: the reason of a refusal,
/// the program's own text where it has one ("Bitmap image is not valid",
/// "Format not supported in this revision").
TLangFileStatus ReadLanguageFile(const WideString& file_name, TLangFile& file,
                                 std::string* message = nullptr);
/// The reason for a status, as ReadLanguageFile gives it.
std::string LangFileStatusText(TLangFileStatus status);

/// The records of a file in file order: the header, then every group.
TLangRecords LanguageFileRecords(const TLangFile& file);

/// Writes the file (an existing one is deleted first). False when it
/// cannot be created or a write fails. Raises EStorefileError when the
/// existing file cannot be deleted and opens only for reading.
bool WriteLanguageFile(const WideString& file_name, const TLangFile& file);

} // namespace vandrel
