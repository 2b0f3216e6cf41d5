#pragma once
// The HTTP(S) client on QtNetwork, and the helpers that pick the scheme and
// preset the request headers of the update check.

#include <memory>

#include "platform/Strings.h"
#include "update/HttpClient.h"

class QNetworkAccessManager;
class QNetworkReply;
class QObject;
class QTimer;

namespace vandrel {

/// A THttpClient over QNetworkAccessManager. Create, use and destroy it on
/// the GUI thread (the thread running the Qt event loop); the end-of-request
/// report arrives through that loop. Each client has its own manager, so no
/// connection or TLS session is shared between checks. Certificates are
/// verified against the system's trust store: Qt's default CA certificates,
/// or, when the OpenSSL variables SSL_CERT_FILE or SSL_CERT_DIR are set, the
/// certificates they name instead, as OpenSSL itself does.
class TQtHttpClient : public THttpClient {
public:
  TQtHttpClient();
  ~TQtHttpClient() override;
  TQtHttpClient(const TQtHttpClient&) = delete;
  TQtHttpClient& operator=(const TQtHttpClient&) = delete;

  void GetASync() override;
  int StatusCode() const override { return status_code_; }
  AnsiString ReasonPhrase() const override { return reason_phrase_; }

private:
  bool TakeBody(); // false once the body passes MaxBodySize
  void OnReadyRead();
  void OnFinished();
  void Abort(uint16_t error_code);

  std::unique_ptr<QObject> guard_;           // context of every connection and queued report
  QNetworkAccessManager* manager_ = nullptr; // child of guard_
  QNetworkReply* reply_ = nullptr;           // pending request, or null
  QTimer* timer_ = nullptr;                  // child of guard_
  uint16_t abort_code_ = 0;
  size_t received_ = 0;
  int status_code_ = 0;
  AnsiString reason_phrase_;
};

/// True when HTTPS can be used: the TLS backend loads and its library is
/// OpenSSL 1.0.2 or later. A library that cannot be loaded counts as
/// unavailable, never as an error.
bool IsSslAvailable();
/// The TLS library's version text ("OpenSSL 3.0.19 27 Jan 2026"), or
/// "Not Available".
AnsiString GetOpenSslVersionText();
/// `url` with "http" in place of a leading "https" (any case) when TLS is
/// unavailable; otherwise `url` unchanged.
AnsiString FallbackToHttp(const AnsiString& url);
/// Presets a new client: User-Agent "Mozilla/5.0", HTTP 1.1, the Accept and
/// Accept-Language of a browser, a 3-second time-out.
void SetBrowserDefaults(THttpClient& client);

/// Installs the Qt client as the update check's client factory
/// (SetHttpClientFactory). Call once on the GUI thread at start-up.
void InstallQtHttpClient();

} // namespace vandrel
