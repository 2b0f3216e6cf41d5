#pragma once
// TStorefile: a file of tagged records, read and appended one record at a
// time; the container of the language files.
//
// Layout (numbers 32-bit little-endian): the signature bytes, the record
// count, then records of Length (data size + 8), Tag, data, BackLength
// (data size + 12). The count in the header is written back at Close.
//
// Damaged files are read safely: a record whose Length is below 8, that runs
// past the end of the file, or whose BackLength disagrees with its Length
// ends the reading as the end of the file would. No read allocates more than
// the file holds.

#include <cstdint>
#include <string>
#include <string_view>

#include "base/Component.h"
#include "base/Exceptions.h"
#include "platform/FileSystem.h"

namespace vandrel {

/// A write to a record file whose ReadOnly reads true.
class EStorefileError : public Exception {
  using Exception::Exception;
};

class TStorefile : public TComponent {
public:
  /// A closed container with no signature; publishes "Signature",
  /// "Filename" (UTF-8) and "ReadOnly".
  explicit TStorefile(TComponent* owner = nullptr, AnsiString name = {});
  /// Closes the file.
  ~TStorefile() override;

  /// Bytes expected at the very start of the file; empty for none.
  const std::string& Signature() const { return signature_; }
  void SetSignature(std::string signature) { signature_ = std::move(signature); }
  /// Path of the file; a name without a folder is taken in the current folder.
  const WideString& Filename() const { return filename_; }
  void SetFilename(WideString filename) { filename_ = std::move(filename); }
  /// True when the property was set or the open file could only be opened
  /// for reading. SetReadOnly sets only the property.
  bool ReadOnly() const { return read_only_ || opened_read_only_; }
  void SetReadOnly(bool read_only) { read_only_ = read_only; }
  /// The file is open, but only for reading, because opening it for
  /// writing failed.
  bool OpenedReadOnly() const { return opened_read_only_; }
  bool IsOpen() const { return handle_ != platform::kInvalidHandle; }
  /// True once a read or a step met a damaged record (and so ended the
  /// reading); cleared by Open and Close.
  bool Damaged() const { return damaged_; }
  /// Index (from 0) of the record at the current position.
  std::int32_t RecordIndex() const { return record_index_; }

  /// Opens Filename, or creates it (with its missing folders, the signature
  /// and a count of 0) when it does not exist. Does nothing when already open
  /// or when Filename is empty. A file that cannot be opened or created, whose
  /// first bytes differ from Signature, or that is larger than 2 GiB leaves
  /// the container closed; no error is raised.
  void Open();
  /// Writes the record count back (when it changed) and closes; forgets all
  /// state, OpenedReadOnly included. Nothing happens when closed.
  void Close();

  /// True when closed or at the end of the records.
  bool AtEnd() const;
  /// The record count of the header (plus the appended records); 0 when
  /// closed.
  std::int32_t RecordCount() const;

  /// Navigation; each returns false, and changes nothing, when closed.
  /// First: record 0. Last: the last record (as First with no records).
  /// Next: false at the end (or at a damaged record). Prior: false at
  /// record 0 (or when the preceding record is damaged).
  bool First();
  bool Last();
  bool Next();
  bool Prior();
  /// Moves to record index by the fewest Next/Prior steps from the current,
  /// the first or the last record; an index outside the records is ignored.
  void GoToRecord(std::int32_t index);

  /// Reads the current record's data into buffer. size: on entry the most
  /// bytes wanted (negative: all), on return the bytes read. Returns the
  /// tag; at the end size is 0 and the tag 0. With advance the position moves
  /// to the next record, without it stays on this one.
  std::int32_t ReadData(void* buffer, std::int32_t& size, bool advance);
  /// Reads the current record's data as bytes; empty text and tag 0 at the
  /// end.
  std::int32_t ReadString(std::string& text, bool advance);
  /// ReadData of at most 4 bytes over the low bytes of value (little-endian);
  /// the bytes not read keep their value.
  std::int32_t ReadInteger(std::int32_t& value, bool advance);
  /// The current record's data size without moving; 0 at the end.
  std::int32_t DataSize();

  /// Deletes the file; an open file is closed, deleted and created again,
  /// empty. Raises EStorefileError when ReadOnly reads true.
  void Erase();
  /// Adds a record at the end; returns the new record count, or 0 when the
  /// file is closed, the position is not the end of the file, or the write
  /// failed (the file is then cut back to where it was). Raises
  /// EStorefileError "Attempt to write a data while in ReadOnly mode" when
  /// ReadOnly reads true.
  std::int32_t AppendData(std::int32_t tag, const void* buffer, std::int32_t size);
  std::int32_t AppendString(std::int32_t tag, std::string_view text);
  std::int32_t AppendInteger(std::int32_t tag, std::int32_t value);

private:
  void CheckWritable() const;
  void ResetState();
  bool ReadAt(std::int64_t offset, void* buffer, std::int64_t count);
  bool WriteAt(std::int64_t offset, const void* buffer, std::int64_t count);
  bool ReadInt32At(std::int64_t offset, std::int32_t& value);
  /// The Length of a sound record starting at offset; -1 for a damaged one
  /// or none.
  std::int32_t SoundRecordLength(std::int64_t offset);
  /// The current record's Length, or -1: then the position is moved to the
  /// end, so the reading stops there.
  std::int32_t CurrentRecordLength();

  std::string signature_;
  WideString filename_;
  bool read_only_ = false;
  bool opened_read_only_ = false;
  bool damaged_ = false;
  platform::FileHandle handle_ = platform::kInvalidHandle;
  std::int32_t file_size_ = 0;
  std::int32_t record_count_ = 0;
  std::int32_t stored_count_ = 0;
  std::int32_t record_index_ = 0;
  std::int32_t position_ = 0;
  std::int32_t data_start_ = 0;
};

} // namespace vandrel
