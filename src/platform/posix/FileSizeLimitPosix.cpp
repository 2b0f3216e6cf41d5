#include <signal.h>

#include "platform/FileSizeLimit.h"

namespace vandrel::platform {

void TreatFileSizeLimitAsWriteError() {
  signal(SIGXFSZ, SIG_IGN);
}

} // namespace vandrel::platform
