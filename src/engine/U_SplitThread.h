#pragma once
// The split job: cuts SourceFile into the part set name.vd0, name.vd1, ...
// of PartSize bytes each (the last holds the rest) in OutputDir.

#include "engine/U_CopyJob.h"

namespace vandrel {

class TSplitThread : public TCopyJob {
public:
  /// Input: full name of the file to split.
  WideString SourceFile;
  /// Input: folder for the parts, with or without a trailing separator.
  WideString OutputDir;
  /// Input: bytes per part; at least 1 unless the source is empty.
  std::int64_t PartSize = 0;
  /// Output: parts completely written; while running, the part being written.
  std::int32_t PartCount = 0;

  /// The name of part number of this job's set.
  WideString PartName(std::int32_t number) const;

protected:
  void Execute() override;
};

/// Part number of a source's set in a folder: folder + separator + the
/// source's name + ".vd" + number.
WideString MakePartName(const WideString& output_dir, const WideString& source_file,
                        std::int32_t number);

} // namespace vandrel
