#include "localization/Lang_FileCodec.h"

#include "engine/U_UnicodeUtils.h"
#include "localization/Lang_Storageobj.h"
#include "localization/U_FlagBitmap.h"

namespace vandrel {

namespace {

using F = TLangField;

const std::vector<TLangField> kHeader0 = {F::Head,   F::Title, F::Heading,
                                          F::Detail, F::Notes, F::Flag};
const std::vector<TLangField> kHeader1 = {F::Head,     F::Title,  F::Heading,        F::Detail,
                                          F::Notes,    F::Flag,   F::ProgramVersion, F::ImeName,
                                          F::FontName, F::Charset};
const std::vector<TLangField> kHeader2 = {
    F::Head,    F::Title,          F::Heading,   F::Detail,     F::Notes,
    F::Flag,    F::ProgramVersion, F::ExtraByte, F::ExtraText1, F::ExtraText2,
    F::ImeName, F::FontName,       F::Charset};
const std::vector<TLangField> kHeader4 = {
    F::Head,    F::Title,          F::Heading,   F::Detail,     F::Notes,
    F::Flag,    F::ProgramVersion, F::ExtraByte, F::ExtraText1, F::ExtraText2,
    F::ImeName, F::FontName,       F::Charset,   F::MinFontSize};

using S = TLangSlot;
const std::vector<TLangSlot> kSlotsNone;
const std::vector<TLangSlot> kSlots1 = {S::Caption, S::Hint, S::List};
const std::vector<TLangSlot> kSlots3 = {S::Layout, S::Caption, S::Hint, S::List};
const std::vector<TLangSlot> kSlotsTextHint = {S::Caption, S::Hint};
const std::vector<TLangSlot> kSlotsLines = {S::List};

const std::string kNoBytes;

} // namespace

const std::vector<TLangField>& LangHeaderFields(std::uint16_t revision) {
  switch (revision) {
  case 1:
    return kHeader1;
  case 2:
  case 3:
    return kHeader2;
  case 4:
    return kHeader4;
  default:
    return kHeader0;
  }
}

int LangFieldIndex(std::uint16_t revision, TLangField field) {
  const auto& fields = LangHeaderFields(revision);
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i] == field) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

std::int32_t LangFieldTag(TLangField field) {
  switch (field) {
  case F::Head:
    return 0;
  case F::Title:
    return 1;
  case F::Heading:
    return 2;
  case F::Detail:
    return 3;
  case F::Notes:
    return 4;
  case F::Flag:
    return 5;
  case F::ProgramVersion:
    return 0x200;
  case F::ImeName:
    return 0x201;
  case F::FontName:
    return 0x202;
  case F::Charset:
    return 0x203;
  case F::ExtraByte:
  case F::MinFontSize:
    return 0x204; // the format uses it twice
  case F::ExtraText1:
    return 0x205;
  case F::ExtraText2:
    return 0x206;
  }
  return 0;
}

bool LangFieldIsInteger(TLangField field) {
  return field == F::Head || field == F::ProgramVersion || field == F::ExtraByte ||
         field == F::Charset || field == F::MinFontSize;
}

std::int32_t LangInteger(const std::string& data) {
  std::uint32_t value = 0;
  for (size_t i = 0; i < data.size() && i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(data[i])) << (8 * i);
  }
  return static_cast<std::int32_t>(value);
}

std::string LangIntegerBytes(std::int32_t value) {
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i) {
    bytes[i] = static_cast<char>((static_cast<std::uint32_t>(value) >> (8 * i)) & 0xFF);
  }
  return bytes;
}

const std::vector<TLangSlot>& LangGroupSlots(std::uint16_t revision, std::int32_t path_tag) {
  if (revision >= 3) {
    return kSlots3;
  }
  if (revision >= 1) {
    return kSlots1;
  }
  if ((path_tag >= 6 && path_tag <= 10) || path_tag == 13) {
    return kSlotsTextHint;
  }
  if (path_tag == 11) {
    return kSlots1;
  }
  if (path_tag == 12) {
    return kSlotsLines;
  }
  return kSlotsNone; // the next record is read as a path
}

std::uint16_t TLangFile::Revision() const {
  if (Header.empty() || Header[0].Data.size() < 4) {
    return 0;
  }
  return static_cast<std::uint16_t>(static_cast<std::uint32_t>(LangInteger(Header[0].Data)) >> 16);
}

std::uint16_t TLangFile::LangId() const {
  return Header.empty() ? 0 : static_cast<std::uint16_t>(LangInteger(Header[0].Data) & 0xFFFF);
}

const TLangRecord* TLangFile::Field(TLangField field) const {
  const int index = LangFieldIndex(Revision(), field);
  return index >= 0 && static_cast<size_t>(index) < Header.size() ? &Header[index] : nullptr;
}

const std::string& TLangFile::Text(TLangField field) const {
  const TLangRecord* record = Field(field);
  return record ? record->Data : kNoBytes;
}

std::int32_t TLangFile::Integer(TLangField field, std::int32_t absent) const {
  const TLangRecord* record = Field(field);
  return record ? LangInteger(record->Data) : absent;
}

TLangRecord MakeLanguageField(const TLangHeaderValues& v, TLangField field) {
  const std::int32_t tag = LangFieldTag(field);
  switch (field) {
  case F::Head:
    if (v.Revision == 0) {
      return {tag, LangIntegerBytes(v.LangId).substr(0, 2)};
    }
    return {tag, LangIntegerBytes(
                     static_cast<std::int32_t>((std::uint32_t{v.Revision} << 16) + v.LangId))};
  case F::Title:
    return {tag, v.Title};
  case F::Heading:
    return {tag, v.Heading};
  case F::Detail:
    return {tag, v.Detail};
  case F::Notes:
    return {tag, v.Notes};
  case F::Flag:
    return {tag, v.Flag};
  case F::ProgramVersion:
    return {tag, LangIntegerBytes(v.ProgramVersion)};
  case F::ExtraByte:
    return {tag, LangIntegerBytes(v.ExtraByte)};
  case F::ExtraText1:
    return {tag, v.ExtraText1};
  case F::ExtraText2:
    return {tag, v.ExtraText2};
  case F::ImeName:
    return {tag, v.ImeName};
  case F::FontName:
    return {tag, v.FontName};
  case F::Charset:
    return {tag, LangIntegerBytes(v.Charset)};
  case F::MinFontSize:
    return {tag, LangIntegerBytes(v.MinFontSize)};
  }
  return {};
}

TLangRecords MakeLanguageHeader(const TLangHeaderValues& values) {
  TLangRecords header;
  for (const TLangField field : LangHeaderFields(values.Revision)) {
    header.push_back(MakeLanguageField(values, field));
  }
  return header;
}

TLangFileStatus DecodeLanguageFile(TLangRecords records, TLangFile& file) {
  file = TLangFile();
  if (records.size() < static_cast<size_t>(kLangMinimumRecords)) {
    return TLangFileStatus::TooFewRecords;
  }
  // An unsupported revision keeps only records 0 to 5, which every
  // revision shares.
  file.Header.push_back(std::move(records[0]));
  const std::uint16_t revision = file.Revision();
  size_t i = 1;
  const size_t header_size = LangHeaderFields(revision).size();
  for (; i < header_size && i < records.size(); ++i) {
    file.Header.push_back(std::move(records[i]));
  }
  if (!IsFlagImage(file.Header[5].Data)) {
    return TLangFileStatus::InvalidFlag;
  }
  if (revision > kLangNewestRevision) {
    return TLangFileStatus::UnsupportedRevision;
  }
  while (i < records.size()) {
    TLangGroup group;
    group.Records.push_back(std::move(records[i++]));
    const size_t slots = LangGroupSlots(revision, group.Records[0].Tag).size();
    for (size_t k = 0; k < slots && i < records.size(); ++k) {
      group.Records.push_back(std::move(records[i++]));
    }
    file.Groups.push_back(std::move(group));
  }
  return TLangFileStatus::Read;
}

std::string LangFileStatusText(TLangFileStatus status) {
  switch (status) {
  case TLangFileStatus::Read:
    return {};
  case TLangFileStatus::Missing:
    return "no such file";
  case TLangFileStatus::NotLanguageFile:
    return "not a language file (unreadable, or another kind of file)";
  case TLangFileStatus::TooFewRecords:
    return "fewer than 6 records: not a language file";
  case TLangFileStatus::TooManyRecords:
    return "more than 1048576 records: not a language file";
  case TLangFileStatus::Damaged:
    return "damaged: a record breaks the framing or the record count is wrong";
  case TLangFileStatus::InvalidFlag:
    return "Bitmap image is not valid";
  case TLangFileStatus::UnsupportedRevision:
    return "Format not supported in this revision";
  }
  return {};
}

TLangFileStatus ReadLanguageFile(const WideString& file_name, TLangFile& file,
                                 std::string* message) {
  file = TLangFile();
  auto done = [message](TLangFileStatus status) {
    if (message != nullptr) {
      *message = LangFileStatusText(status);
    }
    return status;
  };
  if (!WFileExists(file_name)) {
    return done(TLangFileStatus::Missing);
  }
  TLangRecords records;
  {
    TStorefile store;
    store.SetSignature(kLanguageFileSignature);
    store.SetFilename(file_name);
    store.SetReadOnly(true);
    store.Open();
    if (!store.IsOpen()) {
      return done(TLangFileStatus::NotLanguageFile);
    }
    const std::int32_t count = store.RecordCount();
    if (count < kLangMinimumRecords) {
      return done(TLangFileStatus::TooFewRecords);
    }
    if (count > kLangMaximumRecords) {
      return done(TLangFileStatus::TooManyRecords);
    }
    while (!store.AtEnd()) {
      // Every record takes at least 12 bytes, so a count the file cannot
      // hold is caught here, before it is believed.
      if (records.size() >= static_cast<size_t>(count)) {
        return done(TLangFileStatus::Damaged);
      }
      TLangRecord record;
      record.Tag = store.ReadString(record.Data, true);
      if (store.Damaged()) {
        return done(TLangFileStatus::Damaged);
      }
      records.push_back(std::move(record));
    }
    // A count that disagrees with the records would have the readers that
    // go by position (the language list) read other records than these.
    if (records.size() != static_cast<size_t>(count)) {
      return done(TLangFileStatus::Damaged);
    }
  }
  return done(DecodeLanguageFile(std::move(records), file));
}

TLangRecords LanguageFileRecords(const TLangFile& file) {
  TLangRecords records = file.Header;
  for (const TLangGroup& group : file.Groups) {
    records.insert(records.end(), group.Records.begin(), group.Records.end());
  }
  return records;
}

bool WriteLanguageFile(const WideString& file_name, const TLangFile& file) {
  TStorefile store;
  store.SetSignature(kLanguageFileSignature);
  store.SetFilename(file_name);
  store.Erase();
  store.Open();
  if (!store.IsOpen()) {
    return false;
  }
  bool ok = true;
  auto put = [&](const TLangRecord& record) {
    ok = ok && store.AppendString(record.Tag, record.Data) != 0;
  };
  for (const TLangRecord& record : file.Header) {
    put(record);
  }
  for (const TLangGroup& group : file.Groups) {
    for (const TLangRecord& record : group.Records) {
      put(record);
    }
  }
  store.Close();
  return ok;
}

} // namespace vandrel
