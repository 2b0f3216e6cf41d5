#pragma once
// A file-size limit (ulimit -f) must fail a write like a full disk does,
// not kill the program in the middle of a job.

namespace vandrel::platform {

/// POSIX: ignores SIGXFSZ, so a write past the limit fails with EFBIG
/// ("File too large"). Nothing to do on Windows. Call once at start-up.
void TreatFileSizeLimitAsWriteError();

} // namespace vandrel::platform
