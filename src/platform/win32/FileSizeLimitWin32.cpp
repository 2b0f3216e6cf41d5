#include "platform/FileSizeLimit.h"

namespace vandrel::platform {

// Windows has no file-size signal: a write past a quota fails on its own.
void TreatFileSizeLimitAsWriteError() {}

} // namespace vandrel::platform
