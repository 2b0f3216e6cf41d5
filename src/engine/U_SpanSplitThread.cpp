#include "engine/U_SpanSplitThread.h"

#include <algorithm>

#include "base/Numbers.h"
#include "engine/U_SpanDrive.h"
#include "engine/U_SpannedFileStream.h"
#include "platform/Volumes.h"

namespace vandrel {

namespace {

AnsiString SystemReason() {
  return platform::ErrorText(platform::LastError());
}

} // namespace

AnsiString TSpanSplitThread::Text(const AnsiString& english) const {
  return Translate ? Translate(english) : english;
}

void TSpanSplitThread::Execute() {
  if (!WFileExists(SourceFile)) {
    RecordError("Cannot open " + WideToUtf8(SourceFile) + ": file not found");
    return;
  }
  PartCount = 0;
  StartTime = Now();
  TSpanDrive drive(Drive);
  try {
    TWFileStream source(SourceFile, fmOpenRead);
    const std::int64_t size = source.Size();
    TotalBytes = size;
    while (source.Position() < size) {
      std::int64_t free = 0;
      std::optional<WideString> disk = drive.DiskWithFreeSpace(free);
      while (!disk || free == 0) {
        if (AskOkCancel(Owner, Text("Please insert a valid floppy disk into drive A:")) != kIdOk) {
          // Cancel while a stop was asked for (Ctrl+C at the prompt) is that
          // stop; otherwise it is the user's answer.
          const std::string where = "disk #" + std::to_string(PartCount + 1) +
                                    " (parts written: " + std::to_string(PartCount) + ")";
          if (Terminated()) {
            Cancelled = true;
            RecordError("Stopped before the end at " + where);
            return;
          }
          StoppedAtDisk = PartCount + 1;
          RecordError("Stopped by the user at " + where);
          return;
        }
        disk = drive.DiskWithFreeSpace(free);
      }
      const WideString part_name = WIncludeTrailingBackslash(*disk) + WExtractFileName(SourceFile) +
                                   u".vd" + WideFromInt(PartCount);
      {
        TWFileStream part(part_name, fmCreate);
        std::int64_t remaining = std::min(free, size - source.Position());
        while (remaining > 0) {
          if (StopRequested(part_name)) {
            return;
          }
          const std::int64_t n = std::min(remaining, SpanCopyChunk);
          part.CopyFrom(source, n);
          DoneBytes += n;
          Percent = ComputePercent(source.Position(), size);
          ShowProgressStep();
          remaining -= n;
        }
        // The user may pull the disk at the next prompt: the part is on the
        // medium before that, not in a cache.
        if (!platform::FlushFile(part.Handle())) {
          RecordError("Cannot write " + WideToUtf8(part_name) + ": " + SystemReason());
          return;
        }
      }
      if (!platform::CurrentVolumes().FlushVolume(*disk)) {
        RecordError("Cannot write " + WideToUtf8(part_name) + ": " + SystemReason());
        return;
      }
      ++PartCount;
    }
  } catch (const EStreamError& error) {
    RecordError(error);
  }
}

} // namespace vandrel
