#pragma once
// Date-times as the program keeps them: days since 30 December 1899, local
// time, in a double.

#include <ctime>

namespace vandrel {

using TDateTime = double;

/// The current local date and time.
TDateTime Now();
/// A system time (seconds and nanoseconds since 1970 UTC) as local TDateTime.
TDateTime FromUnixTime(std::time_t seconds, long nanoseconds = 0);

} // namespace vandrel
