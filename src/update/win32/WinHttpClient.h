#pragma once
// The HTTP(S) client of the Windows build, on WinHTTP (the build for
// Windows has no Qt). The same contract as the Qt client: an asynchronous
// GET whose end is reported on the GUI thread.

#include <memory>

#include "update/HttpClient.h"

namespace vandrel {

/// A THttpClient over WinHTTP. The request runs on a thread of its own;
/// its report comes through RunOnMainThread, so the GUI thread must be
/// dispatching (base/MainThread.h). TimeoutMs bounds the whole request, a
/// watchdog closing the request when it runs out; a body beyond
/// MaxBodySize stops the transfer. HTTPS goes through the system's TLS
/// and trust store. Error codes follow the Qt client's numbers: 1 refused,
/// 3 host not found, 6 TLS failed, 99 any other network failure, plus the
/// shared ones of update/HttpClient.h.
class TWinHttpClient : public THttpClient {
public:
  TWinHttpClient();
  ~TWinHttpClient() override;
  TWinHttpClient(const TWinHttpClient&) = delete;
  TWinHttpClient& operator=(const TWinHttpClient&) = delete;

  void GetASync() override;
  int StatusCode() const override;
  AnsiString ReasonPhrase() const override;

  struct State;

private:
  std::shared_ptr<State> state_;
};

/// Installs the WinHTTP client as the update check's client factory
/// (SetHttpClientFactory), with the Qt client's browser defaults.
void InstallWinHttpClient();

} // namespace vandrel
