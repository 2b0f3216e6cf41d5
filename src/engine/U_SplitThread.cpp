#include "engine/U_SplitThread.h"

#include <algorithm>

#include "base/Numbers.h"
#include "engine/PartSet.h"
#include "engine/U_SpannedFileStream.h"

namespace vandrel {

WideString MakePartName(const WideString& output_dir, const WideString& source_file,
                        std::int32_t number) {
  return WIncludeTrailingBackslash(output_dir) + WExtractFileName(source_file) + u".vd" +
         WideFromInt(number);
}

WideString TSplitThread::PartName(std::int32_t number) const {
  return MakePartName(OutputDir, SourceFile, number);
}

void TSplitThread::Execute() {
  switch (CheckInputFile(SourceFile)) {
  case FileProblem::Missing:
    RecordError("Cannot open %s: file not found", {WideToUtf8(SourceFile)});
    return;
  case FileProblem::NotRegular:
    RecordError("%s is not a regular file", {WideToUtf8(SourceFile)});
    return;
  case FileProblem::None:
    break;
  }
  PartCount = 0;
  StartTime = Now();
  try {
    TWFileStream source(SourceFile, fmShareDenyNone);
    TotalBytes = source.Size();
    if (PartSize < 1 && source.Size() > 0) {
      // Parts of 0 bytes would never consume the source.
      RecordError("Cannot split %s: the part size must be at least 1 byte",
                  {WideToUtf8(SourceFile)});
      return;
    }
    while (source.Position() < source.Size()) {
      const WideString part_name = PartName(PartCount);
      TWFileStream part(part_name, fmCreate);
      std::int64_t remaining = std::min(PartSize, source.Size() - source.Position());
      while (remaining > 0) {
        if (StopRequested(part_name)) {
          return;
        }
        const std::int64_t n = std::min(remaining, CopyChunk);
        part.CopyFrom(source, n);
        DoneBytes += n;
        Percent = ComputePercent(source.Position(), source.Size());
        ShowProgressStep();
        remaining -= n;
      }
      ++PartCount;
    }
  } catch (const EStreamError& error) {
    RecordError(error);
  }
}

} // namespace vandrel
