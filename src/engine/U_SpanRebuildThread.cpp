#include "engine/U_SpanRebuildThread.h"

#include <algorithm>

#include "base/Numbers.h"
#include "engine/U_SpanDrive.h"
#include "engine/U_SpannedFileStream.h"

namespace vandrel {

namespace {

// Fills the "%d" of a translated text.
AnsiString FormatNumber(const AnsiString& text, std::int32_t value) {
  AnsiString result = text;
  const size_t at = result.find("%d");
  if (at != AnsiString::npos) {
    result.replace(at, 2, std::to_string(value));
  }
  return result;
}

// The disk number of the set's part on the disk in the drive now; not
// found when there is no disk.
DiskNumber NumberOnDisk(TSpanDrive& drive, const WideString& base_name,
                        std::optional<WideString>& disk) {
  disk = drive.DiskFolder();
  return disk ? FindDiskNumber(*disk, base_name) : DiskNumber{};
}

} // namespace

AnsiString TSpanRebuildThread::Text(const AnsiString& english) const {
  return Translate ? Translate(english) : english;
}

WideString TSpanRebuildThread::OutputFile() const {
  return WIncludeTrailingBackslash(OutputDir) + BaseName;
}

bool TSpanRebuildThread::Ask(const AnsiString& text, std::int32_t disk) {
  if (AskOkCancel(Owner, text) == kIdOk) {
    return true;
  }
  // Cancel while a stop was asked for (Ctrl+C at the prompt) is that stop.
  Cancelled = Terminated();
  const AnsiString who = Cancelled ? "Stopped before the end" : "Stopped by the user";
  if (!Cancelled) {
    StoppedAtDisk = disk;
  }
  if (disk == 0) {
    RecordError(who + " at the last disk: nothing was written");
  } else {
    RecordError(who + " at disk #" + std::to_string(disk) + ": " + WideToUtf8(OutputFile()) +
                " is incomplete (parts joined: " + std::to_string(PartCount) + ")");
  }
  return false;
}

void TSpanRebuildThread::Execute() {
  LastDisk = -1;
  PartCount = 0;
  TSpanDrive drive(Drive);
  std::optional<WideString> disk;
  try {
    while (LastDisk == -1) {
      if (!Ask(Text("Please insert the last disk of the set and press \"Ok\"."), 0)) {
        return;
      }
      if (const DiskNumber found = NumberOnDisk(drive, BaseName, disk); found.found) {
        LastDisk = found.number;
      }
    }
    StartTime = Now();
    const WideString output_name = OutputFile();
    TWFileStream output(output_name, fmCreate);
    for (std::int32_t i = 0; i <= LastDisk; ++i) {
      std::int32_t found_number = -1;
      while (found_number != i) {
        if (!Ask(FormatNumber(Text("Please insert the disk #%d of the set and press \"Ok\"."),
                              i + 1),
                 i + 1)) {
          return;
        }
        if (const DiskNumber found = NumberOnDisk(drive, BaseName, disk); found.found) {
          found_number = found.number;
        }
      }
      TWFileStream part(WIncludeTrailingBackslash(*disk) + BaseName + u".vd" + WideFromInt(i),
                        fmOpenRead);
      const std::int64_t size = part.Size();
      TotalBytes = DoneBytes + size;
      std::int64_t remaining = size;
      while (remaining > 0) {
        if (StopRequested(output_name)) {
          return;
        }
        const std::int64_t n = std::min(remaining, SpanCopyChunk);
        output.CopyFrom(part, n);
        remaining -= n;
        DoneBytes += n;
        const long double fraction =
            static_cast<long double>(part.Position()) / static_cast<long double>(size);
        Percent =
            static_cast<std::int32_t>(RoundHalfEven((fraction + i) / (LastDisk + 1) * 100.0L));
        ShowProgressStep();
      }
      ++PartCount;
    }
  } catch (const EStreamError& error) {
    RecordError(error);
  } catch (const EConvertError& error) {
    RecordError(error.Message());
  }
}

} // namespace vandrel
