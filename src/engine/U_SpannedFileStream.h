#pragma once
// TWFileStream: a stream over one file handle opened by UTF-16 name. The
// stream owns the handle and closes it when destroyed; there is no separate
// open or close.

#include <cstdint>

#include "base/Exceptions.h"
#include "engine/U_UnicodeUtils.h"

namespace vandrel {

class TWFileStream {
public:
  /// mode 0xFFFF creates or truncates (read and write, no sharing); any other
  /// mode opens an existing file as WFileOpen does. Raises EFCreateError
  /// ("Impossible de créer le fichier %s") or EFOpenError ("Impossible
  /// d'ouvrir le fichier %s") with the name as given; rights must be 0
  /// (anything else raises EAssertionFailed "Wrong rights").
  TWFileStream(const WideString& file_name, std::uint16_t mode, std::uint32_t rights = 0);
  ~TWFileStream();
  TWFileStream(const TWFileStream&) = delete;
  TWFileStream& operator=(const TWFileStream&) = delete;

  enum class Origin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

  /// The end of the file, found by seeking to the end and back.
  std::int64_t Size();
  std::int64_t Position();
  void SetPosition(std::int64_t position);
  /// Bytes moved; 0 on a system failure.
  std::int64_t Read(void* buffer, std::int64_t count);
  std::int64_t Write(const void* buffer, std::int64_t count);
  /// The new position; -1 on failure.
  std::int64_t Seek(std::int64_t offset, Origin origin);
  /// Seeks to new_size and ends the file there; raises EOSError on failure.
  void SetSize(std::int64_t new_size);
  /// Copies exactly count bytes from the source's position to this stream's
  /// position (count 0: the whole source from its beginning). A short read
  /// raises EReadError, a short write (a full disk) EWriteError, both naming
  /// the file and the system's reason. Returns the bytes copied.
  std::int64_t CopyFrom(TWFileStream& source, std::int64_t count);

  /// Puts the data on the disk and closes the file, checking both: raises
  /// EWriteError naming the file when either fails. The stream is closed
  /// afterwards whatever happened.
  void FlushAndClose();

  FileHandle Handle() const { return handle_; }
  /// The name as the caller passed it, for error texts.
  const WideString& FileName() const { return file_name_; }

private:
  FileHandle handle_ = kInvalidHandle;
  WideString file_name_;
};

} // namespace vandrel
