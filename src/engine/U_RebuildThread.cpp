#include "engine/U_RebuildThread.h"

#include <algorithm>

#include "base/Numbers.h"
#include "engine/PartSet.h"
#include "engine/U_SpannedFileStream.h"

namespace vandrel {

namespace {

bool IsDigit(char16_t ch) {
  return ch >= u'0' && ch <= u'9';
}

// Number of trailing digits after a final ".vd", or 0 when the name does
// not end that way.
size_t PartNumberDigits(const WideString& name) {
  size_t digits = 0;
  while (digits < name.size() && IsDigit(name[name.size() - 1 - digits])) {
    ++digits;
  }
  if (digits == 0 || name.size() < digits + 3) {
    return 0;
  }
  const WideString marker = name.substr(name.size() - digits - 3, 3);
  return marker == u".vd" ? digits : 0;
}

WideString DropLast(const WideString& s, size_t count) {
  return s.size() <= count ? WideString() : s.substr(0, s.size() - count);
}

} // namespace

RebuildNames DeriveRebuildNames(const WideString& first_part) {
  const WideString file_name = WExtractFileName(first_part);
  const size_t digits = PartNumberDigits(file_name);
  if (digits > 0) {
    return {DropLast(file_name, digits + 3), DropLast(first_part, digits)};
  }
  return {DropLast(file_name, 4), DropLast(first_part, 1)};
}

WideString TRebuildThread::OutputFile() const {
  return WIncludeTrailingBackslash(OutputDir) + DeriveRebuildNames(FirstPart).rebuilt_name;
}

WideString TRebuildThread::PartName(std::int32_t number) const {
  return DeriveRebuildNames(FirstPart).part_prefix + WideFromInt(number);
}

void TRebuildThread::Execute() {
  PartCount = 0;
  // The whole set is checked before the output is created, so a damaged
  // set never truncates an existing file of the output's name.
  const PartSetCheck set = CheckPartSet(DeriveRebuildNames(FirstPart).part_prefix);
  if (!set.Whole()) {
    RecordError(set.error_format, set.error_args);
    return;
  }
  PartCount = set.count;
  TotalBytes = set.total;
  const std::int64_t total = set.total;
  try {
    // Every part is opened once, without sharing, before the output is
    // created: a part that another opener holds stops the job here.
    for (std::int32_t i = 0; i < PartCount; ++i) {
      TWFileStream part(PartName(i), fmOpenRead);
    }
    StartTime = Now();
    const WideString output_name = OutputFile();
    TWFileStream output(output_name, fmCreate);
    for (std::int32_t i = 0; i < PartCount; ++i) {
      TWFileStream part(PartName(i), fmOpenRead);
      std::int64_t remaining = part.Size();
      while (remaining > 0) {
        if (StopRequested(output_name)) {
          return;
        }
        const std::int64_t n = std::min(remaining, CopyChunk);
        output.CopyFrom(part, n);
        DoneBytes += n;
        if (total > 0) {
          Percent = ComputePercent(output.Size(), total);
        }
        ShowProgressStep();
        remaining -= n;
      }
    }
    // The parts may be deleted next: the joined file must be on the disk.
    output.FlushAndClose();
  } catch (const EStreamError& error) {
    RecordError(error);
  }
}

} // namespace vandrel
