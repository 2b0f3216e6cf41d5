#include "net/U_HTTP_Custo.h"

#include <gtest/gtest.h>

#include <QNetworkReply>

#include <memory>
#include <optional>

#include "TestTlsServer.h"
#include "base/Exceptions.h"

namespace vandrel {
namespace {

using test::SpinUntil;
using test::SuiteCertificates;
using test::TestTlsServer;

struct Outcome {
  std::optional<uint16_t> error_code;
  int reports = 0;
};

class HttpClientTest : public testing::Test {
protected:
  TestTlsServer server{SuiteCertificates().server_certificate, SuiteCertificates().server_key};
  TQtHttpClient client;
  AnsiString body;
  Outcome outcome;

  void SetUp() override {
    SetBrowserDefaults(client);
    client.RcvdStream = &body;
    client.OnRequestDone = [this](THttpClient& sender, THttpRequest request, uint16_t code) {
      EXPECT_EQ(&sender, &client);
      EXPECT_EQ(request, THttpRequest::Get);
      outcome.error_code = code;
      ++outcome.reports;
    };
  }

  // Runs one GET of `path` on `port` and waits for its report.
  uint16_t Get(quint16 port, const std::string& path = "/") {
    client.URL = "https://127.0.0.1:" + std::to_string(port) + path;
    client.GetASync();
    EXPECT_TRUE(SpinUntil([&] { return outcome.reports > 0; }));
    return outcome.error_code.value_or(0xFFFF);
  }
};

TEST_F(HttpClientTest, GetSendsTheBrowserHeadersAndDeliversBodyAndStatus) {
  server.Answer(200, "OK", "4.13.0.0");
  const quint16 port = server.Start();
  EXPECT_EQ(Get(port, "/tarvix/check.php?uid=0&ProductName=My%20Tool&Company=A%26B"), 0);
  EXPECT_EQ(body, "4.13.0.0");
  EXPECT_EQ(client.StatusCode(), 200);
  EXPECT_EQ(client.ReasonPhrase(), "OK");
  const QByteArray head = server.last_request;
  EXPECT_TRUE(head.startsWith(
      "GET /tarvix/check.php?uid=0&ProductName=My%20Tool&Company=A%26B HTTP/1.1\r\n"))
      << head.toStdString();
  EXPECT_TRUE(head.contains("\r\nUser-Agent: Mozilla/5.0\r\n")) << head.toStdString();
  EXPECT_TRUE(head.contains(
      "\r\nAccept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8\r\n"));
  EXPECT_TRUE(head.contains("\r\nAccept-Language: fr,fr-fr;q=0.8,en-us;q=0.5,en;q=0.3\r\n"));
  test::SpinFor(50);
  EXPECT_EQ(outcome.reports, 1);
}

TEST_F(HttpClientTest, AnErrorStatusIsAResponse) {
  server.Answer(404, "Not Found", "<html>no such page</html>");
  EXPECT_EQ(Get(server.Start()), 0);
  EXPECT_EQ(client.StatusCode(), 404);
  EXPECT_EQ(client.ReasonPhrase(), "Not Found");
  EXPECT_EQ(body, "<html>no such page</html>");
}

TEST_F(HttpClientTest, BodyBound) {
  client.MaxBodySize = 65536;
  server.Answer(200, "OK", QByteArray(65536, 'a'));
  EXPECT_EQ(Get(server.Start()), 0);
  EXPECT_EQ(body.size(), 65536u);

  body.clear();
  outcome = {};
  server.Answer(200, "OK", QByteArray(65537, 'a'));
  EXPECT_EQ(Get(server.serverPort()), kHttpErrorBodyTooLarge);
  EXPECT_LE(body.size(), 65536u);
}

TEST_F(HttpClientTest, SilentServerTimesOut) {
  client.TimeoutMs = 300;
  server.BeSilent();
  EXPECT_EQ(Get(server.Start()), kHttpErrorTimedOut);
  EXPECT_EQ(server.requests, 1);
}

TEST_F(HttpClientTest, RefusedConnection) {
  EXPECT_EQ(Get(test::ClosedPort()), QNetworkReply::ConnectionRefusedError);
}

TEST_F(HttpClientTest, CertificateThatDoesNotVerifyFails) {
  TestTlsServer untrusted(SuiteCertificates().untrusted_certificate,
                          SuiteCertificates().untrusted_key);
  untrusted.Answer(200, "OK", "9.9.9.9");
  EXPECT_EQ(Get(untrusted.Start()), QNetworkReply::SslHandshakeFailedError);
  EXPECT_EQ(body, "");
  EXPECT_EQ(untrusted.requests, 0);
}

TEST_F(HttpClientTest, FreeingAPendingClientReportsNothing) {
  server.BeSilent();
  const quint16 port = server.Start();
  bool reported = false;
  {
    TQtHttpClient pending;
    pending.URL = "https://127.0.0.1:" + std::to_string(port) + "/";
    pending.OnRequestDone = [&](THttpClient&, THttpRequest, uint16_t) { reported = true; };
    pending.GetASync();
    SpinUntil([&] { return server.requests > 0; });
  }
  test::SpinFor(200);
  EXPECT_FALSE(reported);
}

TEST_F(HttpClientTest, HandlerMayFreeTheClient) {
  server.Answer(200, "OK", "1.0");
  const quint16 port = server.Start();
  auto owned = std::make_unique<TQtHttpClient>();
  owned->URL = "https://127.0.0.1:" + std::to_string(port) + "/";
  owned->OnRequestDone = [&](THttpClient&, THttpRequest, uint16_t) { owned.reset(); };
  owned->GetASync();
  EXPECT_TRUE(SpinUntil([&] { return owned == nullptr; }));
}

TEST_F(HttpClientTest, BadStartsThrow) {
  client.URL = "ftp://127.0.0.1/";
  EXPECT_THROW(client.GetASync(), Exception);
  client.URL = "not an address";
  EXPECT_THROW(client.GetASync(), Exception);
  server.BeSilent();
  client.URL = "https://127.0.0.1:" + std::to_string(server.Start()) + "/";
  client.GetASync();
  EXPECT_THROW(client.GetASync(), Exception);
}

TEST(HttpCustoTest, TlsIsAvailableWithTheSystemLibrary) {
  EXPECT_TRUE(IsSslAvailable());
  EXPECT_EQ(GetOpenSslVersionText().rfind("OpenSSL ", 0), 0u) << GetOpenSslVersionText();
  EXPECT_EQ(FallbackToHttp("HTTPS://h/p"), "HTTPS://h/p");
  EXPECT_EQ(FallbackToHttp("http://h/p"), "http://h/p");
}

} // namespace
} // namespace vandrel
