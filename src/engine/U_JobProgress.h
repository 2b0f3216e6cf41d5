#pragma once
// The computations behind the progress display that every front end shares.

#include <cstdint>

#include "platform/DateTime.h"
#include "platform/Strings.h"

namespace vandrel {

/// Seconds left for a job at percent after elapsed_days: floor of
/// (100 / percent - 1) * elapsed, in seconds. percent must be above 0.
std::int32_t TimeLeftSeconds(std::int32_t percent, TDateTime elapsed_days);

/// The time-left label: the already translated caption ("Time Left :")
/// followed by " %.2d:%.2d" of minutes and seconds; minutes are not folded
/// into hours (7524 seconds gives "125:24").
AnsiString TimeLeftText(const AnsiString& translated_caption, std::int32_t seconds);

} // namespace vandrel
