#include "engine/U_RebuildThread.h"

#include <algorithm>

#include "base/Numbers.h"
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

std::int64_t TRebuildThread::PartBeyondGap() const {
  const WideString prefix = DeriveRebuildNames(FirstPart).part_prefix;
  const WideString prefix_name = WExtractFileName(prefix);
  std::int64_t lowest = -1;
  TWin32FindDataW data;
  const FileHandle search = WFindFirstFile(prefix + u"*", data);
  if (search == kInvalidHandle) {
    return -1;
  }
  do {
    if ((data.attributes & platform::kFileAttributeDirectory) != 0 ||
        data.name.size() <= prefix_name.size() ||
        data.name.compare(0, prefix_name.size(), prefix_name) != 0) {
      continue;
    }
    const WideString number = data.name.substr(prefix_name.size());
    if (number.size() > 10 || !std::all_of(number.begin(), number.end(), IsDigit) ||
        (number.size() > 1 && number[0] == u'0')) {
      continue;
    }
    std::int64_t value = 0;
    for (char16_t ch : number) {
      value = value * 10 + (ch - u'0');
    }
    if (value > PartCount && (lowest < 0 || value < lowest)) {
      lowest = value;
    }
  } while (WFindNextFile(search, data));
  WFindClose(search);
  return lowest;
}

void TRebuildThread::Execute() {
  PartCount = 0;
  std::int64_t total = 0;
  try {
    while (WFileExists(PartName(PartCount))) {
      TWFileStream part(PartName(PartCount), fmOpenRead);
      total += part.Size();
      ++PartCount;
    }
    TotalBytes = total;
    if (PartCount == 0) {
      // Without a first part there is nothing to join; an existing file of
      // the output's name is left alone.
      RecordError("Cannot open " + WideToUtf8(PartName(0)) + ": file not found");
      return;
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
  } catch (const EStreamError& error) {
    RecordError(error);
    return;
  }
  if (const std::int64_t beyond = PartBeyondGap(); beyond >= 0) {
    RecordError("Missing part " + WideToUtf8(PartName(PartCount)) + ": part " +
                std::to_string(beyond) + " and later were not joined");
  }
}

} // namespace vandrel
