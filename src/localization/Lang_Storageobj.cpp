#include "localization/Lang_Storageobj.h"

#include <cstring>
#include <filesystem>
#include <limits>
#include <vector>

#include "engine/U_UnicodeUtils.h"

namespace vandrel {

namespace {

using namespace platform;

constexpr std::int64_t kMaxFileSize = std::numeric_limits<std::int32_t>::max();
const char* const kReadOnlyError = "Attempt to write a data while in ReadOnly mode";

void PutInt32(unsigned char* out, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  out[0] = static_cast<unsigned char>(v);
  out[1] = static_cast<unsigned char>(v >> 8);
  out[2] = static_cast<unsigned char>(v >> 16);
  out[3] = static_cast<unsigned char>(v >> 24);
}

std::int32_t GetInt32(const unsigned char* in) {
  return static_cast<std::int32_t>(
      static_cast<std::uint32_t>(in[0]) | static_cast<std::uint32_t>(in[1]) << 8 |
      static_cast<std::uint32_t>(in[2]) << 16 | static_cast<std::uint32_t>(in[3]) << 24);
}

// Creates a folder and every missing parent.
bool ForceDirectories(const WideString& folder) {
  const WideString dir = WExcludeTrailingBackslash(folder);
  if (dir.empty() || WDirectoryExists(dir)) {
    return true;
  }
  const WideString parent = WExtractFileDir(dir);
  if (!parent.empty() && parent != dir && !ForceDirectories(parent)) {
    return false;
  }
  return WCreateDirectory(dir) || WDirectoryExists(dir);
}

} // namespace

TStorefile::TStorefile(TComponent* owner, AnsiString name) : TComponent(owner, std::move(name)) {
  Publish(
      "Signature", PropertyKind::Text, [this] { return PropertyValue(signature_); },
      [this](const PropertyValue& v) { signature_ = std::get<AnsiString>(v); });
  Publish(
      "Filename", PropertyKind::Text, [this] { return PropertyValue(WideToUtf8(filename_)); },
      [this](const PropertyValue& v) { filename_ = Utf8ToWide(std::get<AnsiString>(v)); });
  Publish(
      "ReadOnly", PropertyKind::Boolean, [this] { return PropertyValue(ReadOnly()); },
      [this](const PropertyValue& v) { read_only_ = std::get<bool>(v); });
}

TStorefile::~TStorefile() {
  Close();
}

void TStorefile::ResetState() {
  handle_ = kInvalidHandle;
  file_size_ = 0;
  record_count_ = 0;
  stored_count_ = 0;
  record_index_ = 0;
  position_ = 0;
  data_start_ = 0;
  damaged_ = false;
}

bool TStorefile::ReadAt(std::int64_t offset, void* buffer, std::int64_t count) {
  if (SeekFile(handle_, offset, SeekOrigin::Begin) != offset) {
    return false;
  }
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    const std::int64_t got = ReadFile(handle_, out, count);
    if (got <= 0) {
      return false;
    }
    out += got;
    count -= got;
  }
  return true;
}

bool TStorefile::WriteAt(std::int64_t offset, const void* buffer, std::int64_t count) {
  if (SeekFile(handle_, offset, SeekOrigin::Begin) != offset) {
    return false;
  }
  const auto* in = static_cast<const char*>(buffer);
  while (count > 0) {
    const std::int64_t put = WriteFile(handle_, in, count);
    if (put <= 0) {
      return false;
    }
    in += put;
    count -= put;
  }
  return true;
}

bool TStorefile::ReadInt32At(std::int64_t offset, std::int32_t& value) {
  unsigned char bytes[4];
  if (!ReadAt(offset, bytes, 4)) {
    return false;
  }
  value = GetInt32(bytes);
  return true;
}

void TStorefile::Open() {
  if (IsOpen() || filename_.empty()) {
    return;
  }
  WideString name = filename_;
  if (WExtractFileDir(name).empty()) {
    std::error_code error;
    const auto cwd = std::filesystem::current_path(error);
    if (!error) {
      name = WIncludeTrailingBackslash(Utf8ToWide(cwd.string())) + name;
    }
  }
  const auto signature_length = static_cast<std::int32_t>(signature_.size());
  if (WFileExists(name)) {
    opened_read_only_ = false;
    FileHandle h = read_only_ ? WFileOpen(name, fmOpenRead | fmShareDenyWrite)
                              : WFileOpen(name, fmOpenReadWrite | fmShareDenyWrite);
    if (h == kInvalidHandle && !read_only_) {
      opened_read_only_ = true;
      h = WFileOpen(name, fmOpenRead | fmShareDenyWrite);
    }
    if (h == kInvalidHandle) {
      opened_read_only_ = false;
      return;
    }
    handle_ = h;
    const std::int64_t size = SeekFile(h, 0, SeekOrigin::End);
    std::string head(signature_.size(), '\0');
    std::int32_t count = 0;
    if (size < signature_length + 4 || size > kMaxFileSize ||
        !ReadAt(0, head.data(), signature_length) || head != signature_ ||
        !ReadInt32At(signature_length, count)) {
      CloseFile(h);
      opened_read_only_ = false;
      ResetState();
      return;
    }
    file_size_ = static_cast<std::int32_t>(size);
    record_count_ = stored_count_ = count;
    data_start_ = position_ = signature_length + 4;
    record_index_ = 0;
    return;
  }

  opened_read_only_ = false;
  if (!ForceDirectories(WExtractFileDir(name))) {
    return;
  }
  const FileHandle h = WCreateFile(name, kGenericRead | kGenericWrite, kFileShareRead, kCreateNew,
                                   kFileAttributeNormal);
  if (h == kInvalidHandle) {
    return;
  }
  handle_ = h;
  std::vector<unsigned char> header(signature_.begin(), signature_.end());
  header.resize(signature_.size() + 4);
  PutInt32(header.data() + signature_.size(), 0);
  if (!WriteAt(0, header.data(), static_cast<std::int64_t>(header.size()))) {
    CloseFile(h);
    WDeleteFile(name); // a file without its header is no record file
    ResetState();
    return;
  }
  data_start_ = position_ = file_size_ = signature_length + 4;
  record_count_ = stored_count_ = 0;
  record_index_ = 0;
}

void TStorefile::Close() {
  if (!IsOpen()) {
    return;
  }
  // Only a changed count is written, so reading a file never rewrites it.
  if (record_count_ != stored_count_ && !opened_read_only_) {
    unsigned char bytes[4];
    PutInt32(bytes, record_count_);
    WriteAt(data_start_ - 4, bytes, 4);
  }
  CloseFile(handle_);
  ResetState();
  opened_read_only_ = false;
}

bool TStorefile::AtEnd() const {
  return !IsOpen() || position_ >= file_size_;
}

std::int32_t TStorefile::RecordCount() const {
  return IsOpen() ? record_count_ : 0;
}

std::int32_t TStorefile::SoundRecordLength(std::int64_t offset) {
  std::int32_t length = 0;
  std::int32_t back_length = 0;
  if (offset < data_start_ || offset + 12 > file_size_ || !ReadInt32At(offset, length) ||
      length < 8 || offset + std::int64_t{length} + 4 > file_size_ ||
      !ReadInt32At(offset + length, back_length) || back_length != std::int64_t{length} + 4) {
    return -1;
  }
  return length;
}

std::int32_t TStorefile::CurrentRecordLength() {
  if (AtEnd()) {
    return -1;
  }
  const std::int32_t length = SoundRecordLength(position_);
  if (length < 0) {
    position_ = file_size_; // damaged: the reading ends here
    damaged_ = true;
  }
  return length;
}

bool TStorefile::First() {
  if (!IsOpen()) {
    return false;
  }
  record_index_ = 0;
  position_ = data_start_;
  return true;
}

bool TStorefile::Last() {
  if (!IsOpen()) {
    return false;
  }
  if (record_count_ <= 0 || file_size_ <= data_start_) {
    return First();
  }
  std::int32_t back_length = 0;
  if (!ReadInt32At(file_size_ - 4, back_length) || back_length < 12 ||
      file_size_ - std::int64_t{back_length} < data_start_ ||
      SoundRecordLength(file_size_ - std::int64_t{back_length}) != back_length - 4) {
    return false;
  }
  position_ = file_size_ - back_length;
  record_index_ = record_count_ - 1;
  return true;
}

bool TStorefile::Next() {
  if (!IsOpen() || AtEnd()) {
    return false;
  }
  const std::int32_t length = CurrentRecordLength();
  if (length < 0) {
    return false;
  }
  position_ += length + 4;
  ++record_index_;
  return true;
}

bool TStorefile::Prior() {
  if (!IsOpen() || record_index_ == 0) {
    return false;
  }
  std::int32_t back_length = 0;
  if (position_ - 4 < data_start_ || !ReadInt32At(position_ - 4, back_length) || back_length < 12 ||
      std::int64_t{position_} - back_length < data_start_ ||
      SoundRecordLength(std::int64_t{position_} - back_length) != back_length - 4) {
    return false;
  }
  position_ -= back_length;
  --record_index_;
  return true;
}

void TStorefile::GoToRecord(std::int32_t index) {
  if (!IsOpen() || index < 0 || index >= record_count_ || index == record_index_) {
    return;
  }
  const std::int64_t from_current = std::int64_t{index} - record_index_;
  const std::int64_t from_first = index;
  const std::int64_t from_last = std::int64_t{record_count_} - 1 - index;
  const std::int64_t steps_current = from_current < 0 ? -from_current : from_current;
  if (from_first < steps_current && from_first <= from_last) {
    First();
  } else if (from_last < steps_current) {
    if (!Last()) {
      First(); // no sound last record: walk forward from the start
    }
  }
  while (record_index_ < index && Next()) {
  }
  while (record_index_ > index && Prior()) {
  }
}

std::int32_t TStorefile::ReadData(void* buffer, std::int32_t& size, bool advance) {
  const std::int32_t length = CurrentRecordLength();
  if (length < 0) {
    size = 0;
    return 0;
  }
  const std::int32_t data_size = length - 8;
  if (size < 0 || size > data_size) {
    size = data_size;
  }
  std::int32_t tag = 0;
  if (!ReadInt32At(std::int64_t{position_} + 4, tag) ||
      (size > 0 && !ReadAt(std::int64_t{position_} + 8, buffer, size))) {
    position_ = file_size_;
    damaged_ = true;
    size = 0;
    return 0;
  }
  if (advance) {
    position_ += data_size + 12;
    ++record_index_;
  }
  return tag;
}

std::int32_t TStorefile::ReadString(std::string& text, bool advance) {
  text.clear();
  const std::int32_t length = CurrentRecordLength();
  if (length < 0) {
    return 0;
  }
  // The record was checked against the file size, so this allocation is
  // bounded by what the file holds.
  std::string data(static_cast<size_t>(length - 8), '\0');
  std::int32_t size = length - 8;
  const std::int32_t tag = ReadData(data.data(), size, advance);
  data.resize(static_cast<size_t>(size));
  text = std::move(data);
  return tag;
}

std::int32_t TStorefile::ReadInteger(std::int32_t& value, bool advance) {
  unsigned char bytes[4];
  PutInt32(bytes, value);
  std::int32_t size = 4;
  const std::int32_t tag = ReadData(bytes, size, advance);
  value = GetInt32(bytes);
  return tag;
}

std::int32_t TStorefile::DataSize() {
  const std::int32_t length = CurrentRecordLength();
  return length < 0 ? 0 : length - 8;
}

void TStorefile::CheckWritable() const {
  if (ReadOnly()) {
    throw EStorefileError(kReadOnlyError);
  }
}

void TStorefile::Erase() {
  CheckWritable();
  WideString name = filename_;
  if (IsOpen()) {
    Close();
    WDeleteFile(name);
    Open();
  } else if (!name.empty()) {
    WDeleteFile(name);
  }
}

std::int32_t TStorefile::AppendData(std::int32_t tag, const void* buffer, std::int32_t size) {
  CheckWritable();
  if (!IsOpen() || position_ != file_size_ || size < 0 ||
      std::int64_t{file_size_} + size + 12 > kMaxFileSize) {
    return 0;
  }
  // Framing and data are written in place: a large record is not copied.
  unsigned char head[8];
  unsigned char back[4];
  PutInt32(head, size + 8);
  PutInt32(head + 4, tag);
  PutInt32(back, size + 12);
  if (!WriteAt(file_size_, head, 8) || (size > 0 && !WriteAt(file_size_ + 8, buffer, size)) ||
      !WriteAt(std::int64_t{file_size_} + 8 + size, back, 4)) {
    // A half-written record would break every later read: cut it off.
    SeekFile(handle_, file_size_, SeekOrigin::Begin);
    SetEndOfFile(handle_);
    return 0;
  }
  file_size_ += size + 12;
  position_ = file_size_;
  ++record_count_;
  ++record_index_;
  return record_count_;
}

std::int32_t TStorefile::AppendString(std::int32_t tag, std::string_view text) {
  if (text.size() > static_cast<size_t>(kMaxFileSize)) {
    CheckWritable();
    return 0;
  }
  return AppendData(tag, text.data(), static_cast<std::int32_t>(text.size()));
}

std::int32_t TStorefile::AppendInteger(std::int32_t tag, std::int32_t value) {
  CheckWritable();
  unsigned char bytes[4];
  PutInt32(bytes, value);
  return AppendData(tag, bytes, 4);
}

} // namespace vandrel
