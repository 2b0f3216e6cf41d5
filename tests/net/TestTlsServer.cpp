#include "TestTlsServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QSslSocket>

#include <stdexcept>

namespace vandrel::test {

namespace fs = std::filesystem;

namespace {

void RunOpenssl(const fs::path& folder, const QStringList& arguments) {
  QProcess process;
  process.setWorkingDirectory(QString::fromStdString(folder.string()));
  process.start("openssl", arguments);
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
      process.exitCode() != 0) {
    throw std::runtime_error("openssl " + arguments.join(' ').toStdString() +
                             " failed: " + process.readAllStandardError().toStdString());
  }
}

QByteArray ReadAll(const fs::path& file) {
  QFile in(QString::fromStdString(file.string()));
  if (!in.open(QIODevice::ReadOnly)) {
    throw std::runtime_error("cannot read " + file.string());
  }
  return in.readAll();
}

} // namespace

TestCertificates MakeTestCertificates(const fs::path& folder) {
  const QStringList ec_key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                              "-nodes"};
  RunOpenssl(folder,
             QStringList{"req", "-x509"} + ec_key +
                 QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj",
                             "/CN=Vandrel Test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                             "-addext", "keyUsage=critical,keyCertSign,cRLSign"});
  RunOpenssl(folder, QStringList{"req"} + ec_key +
                         QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj",
                                     "/CN=127.0.0.1"});
  QFile extensions(QString::fromStdString((folder / "server.ext").string()));
  if (!extensions.open(QIODevice::WriteOnly)) {
    throw std::runtime_error("cannot write server.ext");
  }
  extensions.write("subjectAltName=IP:127.0.0.1\nbasicConstraints=CA:FALSE\n"
                   "extendedKeyUsage=serverAuth\n");
  extensions.close();
  RunOpenssl(folder,
             {"x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
              "-CAcreateserial", "-out", "server.pem", "-days", "2", "-extfile", "server.ext"});
  // Same name and address, but signed by nobody the client trusts.
  RunOpenssl(folder,
             QStringList{"req", "-x509"} + ec_key +
                 QStringList{"-keyout", "untrusted.key", "-out", "untrusted.pem", "-days", "2",
                             "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
  TestCertificates certificates;
  certificates.ca_file = folder / "ca.pem";
  certificates.server_certificate = QSslCertificate(ReadAll(folder / "server.pem"));
  certificates.server_key = QSslKey(ReadAll(folder / "server.key"), QSsl::Ec);
  certificates.untrusted_certificate = QSslCertificate(ReadAll(folder / "untrusted.pem"));
  certificates.untrusted_key = QSslKey(ReadAll(folder / "untrusted.key"), QSsl::Ec);
  if (certificates.server_certificate.isNull() || certificates.server_key.isNull() ||
      certificates.untrusted_certificate.isNull() || certificates.untrusted_key.isNull()) {
    throw std::runtime_error("the test certificates do not load");
  }
  return certificates;
}

TestTlsServer::TestTlsServer(QSslCertificate certificate, QSslKey key)
    : certificate_(std::move(certificate)), key_(std::move(key)) {
  Answer(200, "OK", "");
}

quint16 TestTlsServer::Start() {
  if (!listen(QHostAddress::LocalHost, 0)) {
    throw std::runtime_error("cannot listen on 127.0.0.1: " + errorString().toStdString());
  }
  return serverPort();
}

void TestTlsServer::Answer(int status, const QByteArray& reason, const QByteArray& body) {
  silent_ = false;
  response_ = "HTTP/1.1 " + QByteArray::number(status) + " " + reason +
              "\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
              "\r\nConnection: close\r\n\r\n" + body;
}

void TestTlsServer::incomingConnection(qintptr descriptor) {
  auto* socket = new QSslSocket(this);
  if (!socket->setSocketDescriptor(descriptor)) {
    delete socket;
    return;
  }
  socket->setLocalCertificate(certificate_);
  socket->setPrivateKey(key_);
  auto* head = new QByteArray;
  connect(socket, &QObject::destroyed, [head] { delete head; });
  connect(socket, &QSslSocket::readyRead, this, [this, socket, head] {
    *head += socket->readAll();
    const qsizetype end = head->indexOf("\r\n\r\n");
    if (end < 0 || socket->property("answered").toBool()) {
      return;
    }
    socket->setProperty("answered", true);
    last_request = head->left(end);
    ++requests;
    if (!silent_) {
      socket->write(response_);
      socket->disconnectFromHost();
    }
  });
  connect(socket, &QSslSocket::disconnected, socket, &QObject::deleteLater);
  // A client that rejects our certificate just goes away.
  connect(socket, &QSslSocket::errorOccurred, socket, &QObject::deleteLater);
  socket->startServerEncryption();
}

quint16 ClosedPort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) {
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  const quint16 port = probe.serverPort();
  probe.close();
  return port;
}

bool SpinUntil(const std::function<bool()>& done, int limit_ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limit_ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
  }
  return done();
}

void SpinFor(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
}

} // namespace vandrel::test
