#pragma once
// An HTTPS server for the tests, on 127.0.0.1 only, with certificates made
// at test time by the openssl command.

#include <QByteArray>
#include <QSslCertificate>
#include <QSslKey>
#include <QTcpServer>

#include <filesystem>
#include <functional>

namespace vandrel::test {

/// A test certificate authority, a server certificate for 127.0.0.1 signed
/// by it, and a self-signed one nobody trusts, in `folder`.
struct TestCertificates {
  std::filesystem::path ca_file;
  QSslCertificate server_certificate;
  QSslKey server_key;
  QSslCertificate untrusted_certificate;
  QSslKey untrusted_key;
};
/// Runs openssl; throws std::runtime_error when it fails.
TestCertificates MakeTestCertificates(const std::filesystem::path& folder);

/// Answers every request with the canned response, or, when silent, accepts
/// the connection and the request and never answers.
class TestTlsServer : public QTcpServer {
public:
  TestTlsServer(QSslCertificate certificate, QSslKey key);
  /// Listens on 127.0.0.1 on a free port and returns the port.
  quint16 Start();

  void Answer(int status, const QByteArray& reason, const QByteArray& body);
  void BeSilent() { silent_ = true; }

  /// Request head (request line and headers) of the last request, and how
  /// many requests came.
  QByteArray last_request;
  int requests = 0;

protected:
  void incomingConnection(qintptr descriptor) override;

private:
  QSslCertificate certificate_;
  QSslKey key_;
  QByteArray response_;
  bool silent_ = false;
};

/// A port on 127.0.0.1 where nothing listens.
quint16 ClosedPort();

/// Runs the Qt event loop until done() or the safety limit; returns done().
bool SpinUntil(const std::function<bool()>& done, int limit_ms = 20000);
/// Runs the Qt event loop for about `ms` milliseconds.
void SpinFor(int ms);

} // namespace vandrel::test

namespace vandrel::test {
/// The suite's certificates, made by its main before any test; the CA is
/// handed to the client through SSL_CERT_FILE.
const TestCertificates& SuiteCertificates();
} // namespace vandrel::test
