#pragma once
// The HTTP(S) client as the Qt-free update check sees it. The client itself
// lives in vandrel_net (QtNetwork); the front end installs its factory at
// start-up, so the core never includes Qt.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Strings.h"

namespace vandrel {

/// The kind of request that ended; GET is the only one sent.
enum class THttpRequest { None, Get };

/// Error codes of the end-of-request report. 0 means a response came (of
/// any status code). Other failures carry the client's own number (the Qt
/// client: QNetworkReply::NetworkError, e.g. 1 refused, 3 host not found,
/// 6 TLS handshake failed, certificate not verified included); these are the
/// same for every client:
inline constexpr uint16_t kHttpErrorNone = 0;
/// No complete answer within TimeoutMs.
inline constexpr uint16_t kHttpErrorTimedOut = 4;
/// The body grew beyond MaxBodySize; the transfer was stopped.
inline constexpr uint16_t kHttpErrorBodyTooLarge = 1000;
/// The request could not be started (bad address, no client available).
inline constexpr uint16_t kHttpErrorStartFailed = 1001;

class THttpClient {
public:
  /// Called once per started request, on the GUI thread, after GetASync
  /// has returned.
  using TRequestDoneEvent =
      std::function<void(THttpClient& sender, THttpRequest request, uint16_t error_code)>;

  /// Abandons a pending request: no report comes for it.
  virtual ~THttpClient() = default;

  // Request settings, read when a request starts.
  AnsiString URL;
  AnsiString Agent;
  AnsiString RequestVer = "1.1";
  AnsiString Accept;
  AnsiString AcceptLanguage;
  /// An empty Proxy means a direct connection, whatever the system says.
  AnsiString Proxy;
  AnsiString ProxyPort;
  AnsiString ProxyUsername;
  AnsiString ProxyPassword;
  /// Bounds the whole request, connection and TLS handshake included; 0 = none.
  int TimeoutMs = 0;
  /// Largest body accepted; 0 = no bound.
  size_t MaxBodySize = 0;
  /// Receives the response body, appended, whatever the status code; not
  /// owned; may be null (body dropped).
  AnsiString* RcvdStream = nullptr;
  TRequestDoneEvent OnRequestDone;

  /// Starts an asynchronous GET of URL. Returns at once; OnRequestDone
  /// follows exactly once unless the client is destroyed first. Throws
  /// vandrel::Exception when the request cannot be started (then no report
  /// comes) or when one is already pending.
  virtual void GetASync() = 0;
  /// Status code and reason phrase of the last response ("Not Found");
  /// 0 and empty when none came.
  virtual int StatusCode() const = 0;
  virtual AnsiString ReasonPhrase() const = 0;
};

/// What the update check needs of the client library.
class THttpClientFactory {
public:
  virtual ~THttpClientFactory() = default;
  /// A new client with a fresh TLS context of default settings (certificates
  /// verified against the system's trust store). Call on the GUI thread.
  virtual std::unique_ptr<THttpClient> CreateClient() = 0;
  /// Presets the browser-like request headers on a new client.
  virtual void SetBrowserDefaults(THttpClient& client) = 0;
  /// The address to use: "http" instead of "https" when TLS is unavailable.
  virtual AnsiString FallbackToHttp(const AnsiString& url) = 0;
};

/// Installs the factory the update check uses (not owned; null removes it).
void SetHttpClientFactory(THttpClientFactory* factory);
/// The installed factory, or null.
THttpClientFactory* HttpClientFactory();

} // namespace vandrel
