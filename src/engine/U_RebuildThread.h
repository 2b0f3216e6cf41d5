#pragma once
// The rebuild job: joins the part set that FirstPart belongs to (always
// from .vd0) into OutputDir, after checking the whole set.

#include "engine/U_CopyJob.h"

namespace vandrel {

/// Names derived from the chosen part.
struct RebuildNames {
  WideString rebuilt_name; ///< the joined file's name, without folder
  WideString part_prefix;  ///< part N is part_prefix + N
};
/// For a name ending in ".vd" and digits, drops exactly those (so .vd12
/// works as well as .vd0); for any other name, drops the last character
/// (prefix) and the last 4 characters (rebuilt name).
RebuildNames DeriveRebuildNames(const WideString& first_part);

class TRebuildThread : public TCopyJob {
public:
  /// Output: number of parts found by the counting pass, and joined.
  std::int32_t PartCount = 0;
  /// Input: full name of a part of the set, normally the ".vd0".
  WideString FirstPart;
  /// Input: folder for the rebuilt file, with or without a trailing separator.
  WideString OutputDir;

  /// The rebuilt file's full name.
  WideString OutputFile() const;
  /// Full name of part number of the set.
  WideString PartName(std::int32_t number) const;

protected:
  void Execute() override;
};

} // namespace vandrel
