#pragma once
// The event loop that this build's HTTP client reports through: the Qt
// client's on Linux, a queue of GUI-thread calls for WinHTTP on Windows.

#include <functional>

namespace vandrel::cli {

/// Installs the build's HTTP client as the update check's client factory,
/// calls start with a function that ends the loop (it may be called before
/// start returns), runs the loop until then, calls finish while the loop
/// and the client still exist (to free what uses them), and removes the
/// factory again.
void RunWithHttpClient(const std::function<void(const std::function<void()>& quit)>& start,
                       const std::function<void()>& finish);

} // namespace vandrel::cli
