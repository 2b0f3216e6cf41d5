#include "net/U_HTTP_Custo.h"

#include <QDir>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslSocket>
#include <QTimer>
#include <QUrl>

#include <utility>

#include "base/Exceptions.h"

namespace vandrel {

static_assert(kHttpErrorTimedOut == QNetworkReply::TimeoutError,
              "our time-out reads like Qt's own");

namespace {

// OpenSSL's own variables name extra trust anchors (tests, private CAs);
// Qt's backend reads only the system folders, so honour them here.
QSslConfiguration TrustStoreConfiguration() {
  QSslConfiguration config = QSslConfiguration::defaultConfiguration();
  const QByteArray file = qgetenv("SSL_CERT_FILE");
  const QByteArray dirs = qgetenv("SSL_CERT_DIR");
  if (file.isEmpty() && dirs.isEmpty()) {
    return config;
  }
  QList<QSslCertificate> anchors = QSslConfiguration::systemCaCertificates();
  if (!file.isEmpty()) {
    anchors += QSslCertificate::fromPath(QString::fromLocal8Bit(file), QSsl::Pem);
  }
  for (const QByteArray& dir : dirs.split(':')) {
    if (!dir.isEmpty()) {
      anchors += QSslCertificate::fromPath(QDir(QString::fromLocal8Bit(dir)).filePath("*"),
                                           QSsl::Pem, QSslCertificate::PatternSyntax::Wildcard);
    }
  }
  config.setCaCertificates(anchors);
  return config;
}

// A status line came: Qt still flags 4xx/5xx statuses as errors, but for us
// the exchange itself succeeded.
bool CameAsHttpResponse(QNetworkReply::NetworkError error) {
  return error == QNetworkReply::NoError ||
         (error >= QNetworkReply::ContentAccessDenied &&
          error <= QNetworkReply::UnknownContentError) ||
         error == QNetworkReply::ProtocolInvalidOperationError ||
         (error >= QNetworkReply::InternalServerError &&
          error <= QNetworkReply::UnknownServerError);
}

QByteArray ToBytes(const AnsiString& text) {
  return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TQtHttpClient::TQtHttpClient() : guard_(std::make_unique<QObject>()) {
  manager_ = new QNetworkAccessManager(guard_.get());
  timer_ = new QTimer(guard_.get());
  timer_->setSingleShot(true);
  QObject::connect(timer_, &QTimer::timeout, guard_.get(), [this] { Abort(kHttpErrorTimedOut); });
}

TQtHttpClient::~TQtHttpClient() {
  if (reply_ != nullptr) {
    QObject::disconnect(reply_, nullptr, guard_.get(), nullptr);
    reply_->abort();
  }
  // Takes the manager, its replies and any queued report with it.
  guard_.reset();
}

void TQtHttpClient::GetASync() {
  if (reply_ != nullptr) {
    throw Exception("A request is already pending");
  }
  const QUrl url(QString::fromUtf8(ToBytes(URL)), QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https")) {
    throw Exception("Invalid address: " + URL);
  }
  abort_code_ = 0;
  status_code_ = 0;
  reason_phrase_.clear();
  received_ = 0;

  QNetworkRequest request(url);
  if (!Agent.empty()) {
    request.setHeader(QNetworkRequest::UserAgentHeader, QString::fromUtf8(ToBytes(Agent)));
  }
  if (!Accept.empty()) {
    request.setRawHeader("Accept", ToBytes(Accept));
  }
  if (!AcceptLanguage.empty()) {
    request.setRawHeader("Accept-Language", ToBytes(AcceptLanguage));
  }
  // HTTP/2 only when asked for; the update server speaks 1.1.
  request.setAttribute(QNetworkRequest::Http2AllowedAttribute, RequestVer.starts_with("2"));
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  request.setSslConfiguration(TrustStoreConfiguration());
  if (Proxy.empty()) {
    manager_->setProxy(QNetworkProxy::NoProxy);
  } else {
    manager_->setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, QString::fromUtf8(ToBytes(Proxy)),
                                     QString::fromStdString(ProxyPort).toUShort(),
                                     QString::fromUtf8(ToBytes(ProxyUsername)),
                                     QString::fromUtf8(ToBytes(ProxyPassword))));
  }

  reply_ = manager_->get(request);
  QObject::connect(reply_, &QNetworkReply::readyRead, guard_.get(), [this] { OnReadyRead(); });
  QObject::connect(reply_, &QNetworkReply::finished, guard_.get(), [this] { OnFinished(); });
  if (TimeoutMs > 0) {
    timer_->start(TimeoutMs);
  }
}

bool TQtHttpClient::TakeBody() {
  const QByteArray chunk = reply_->readAll();
  received_ += static_cast<size_t>(chunk.size());
  if (MaxBodySize != 0 && received_ > MaxBodySize) {
    return false;
  }
  if (RcvdStream != nullptr) {
    RcvdStream->append(chunk.constData(), static_cast<size_t>(chunk.size()));
  }
  return true;
}

void TQtHttpClient::OnReadyRead() {
  if (reply_ != nullptr && !TakeBody()) {
    Abort(kHttpErrorBodyTooLarge);
  }
}

void TQtHttpClient::Abort(uint16_t error_code) {
  if (reply_ == nullptr) {
    return;
  }
  abort_code_ = error_code;
  reply_->abort();
  // abort() normally emits finished() at once; make sure the end is handled.
  OnFinished();
}

void TQtHttpClient::OnFinished() {
  if (reply_ == nullptr) {
    return;
  }
  timer_->stop();
  if (abort_code_ == 0 && !TakeBody()) {
    abort_code_ = kHttpErrorBodyTooLarge;
  }
  QNetworkReply* const reply = std::exchange(reply_, nullptr);
  QObject::disconnect(reply, nullptr, guard_.get(), nullptr);

  const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (status.isValid()) {
    status_code_ = status.toInt();
    reason_phrase_ =
        reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray().toStdString();
  }
  uint16_t code = abort_code_;
  if (code == 0 && !(status.isValid() && CameAsHttpResponse(reply->error()))) {
    code = static_cast<uint16_t>(reply->error() == QNetworkReply::NoError
                                     ? QNetworkReply::UnknownNetworkError
                                     : reply->error());
  }
  reply->deleteLater();
  // Reported from the event loop, never from inside the reply's own signal,
  // so the handler may free this client.
  QMetaObject::invokeMethod(
      guard_.get(),
      [this, code] {
        // A copy: the handler may free this client, OnRequestDone with it.
        const TRequestDoneEvent done = OnRequestDone;
        if (done) {
          done(*this, THttpRequest::Get, code);
        }
      },
      Qt::QueuedConnection);
}

bool IsSslAvailable() {
  // 1.0.2 is the oldest library with the protocols the server accepts.
  return QSslSocket::supportsSsl() && QSslSocket::sslLibraryVersionNumber() >= 0x10002000L;
}

AnsiString GetOpenSslVersionText() {
  if (!IsSslAvailable()) {
    return "Not Available";
  }
  return QSslSocket::sslLibraryVersionString().toStdString();
}

AnsiString FallbackToHttp(const AnsiString& url) {
  const bool https =
      QByteArray::fromStdString(url).left(5).compare("https", Qt::CaseInsensitive) == 0;
  if (https && !IsSslAvailable()) {
    return "http" + url.substr(5);
  }
  return url;
}

void SetBrowserDefaults(THttpClient& client) {
  client.Agent = "Mozilla/5.0";
  client.RequestVer = "1.1";
  client.Accept = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
  client.AcceptLanguage = "fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3";
  client.TimeoutMs = 3000;
}

namespace {

class TQtHttpClientFactory : public THttpClientFactory {
public:
  std::unique_ptr<THttpClient> CreateClient() override { return std::make_unique<TQtHttpClient>(); }
  void SetBrowserDefaults(THttpClient& client) override { vandrel::SetBrowserDefaults(client); }
  AnsiString FallbackToHttp(const AnsiString& url) override { return vandrel::FallbackToHttp(url); }
};

} // namespace

void InstallQtHttpClient() {
  static TQtHttpClientFactory factory;
  SetHttpClientFactory(&factory);
}

} // namespace vandrel
