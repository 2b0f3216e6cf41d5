// The WinHTTP client of check-update against a server of the test's own on
// loopback: the 10-second and 64 KiB limits the update check sets, and the
// report on the GUI thread.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "base/Exceptions.h"
#include "base/MainThread.h"
#include "shell/U_Log.h"
#include "update/U_Tarvix_Lite.h"
#include "update/win32/WinHttpClient.h"

namespace vandrel {
namespace {

// One connection at a time: reads the request, then answers with body (or,
// silent, says nothing until the client hangs up).
class LoopbackServer {
public:
  explicit LoopbackServer(std::string body, bool silent = false)
      : body_(std::move(body)), silent_(silent) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 4);
    int size = sizeof address;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    stop_ = true;
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  std::string Url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/check?x=1"; }
  std::string Request() const { return request_; }

private:
  void Serve() {
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) {
      return;
    }
    // Short waits, so that a client that never finishes its request (a TLS
    // hello) cannot keep the test from ending.
    const DWORD wait_ms = 100;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait_ms),
               sizeof wait_ms);
    char buffer[4096];
    while (!stop_ && request_.find("\r\n\r\n") == std::string::npos) {
      const int got = recv(client, buffer, sizeof buffer, 0);
      if (got == 0 || (got < 0 && WSAGetLastError() != WSAETIMEDOUT)) {
        break;
      }
      if (got > 0) {
        request_.append(buffer, static_cast<size_t>(got));
      }
    }
    if (silent_) {
      // Says nothing until the test ends; the client may keep the socket.
      while (!stop_) {
        Sleep(20);
      }
    } else {
      const std::string answer =
          "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body_.size()) +
          "\r\nConnection: close\r\n\r\n" + body_;
      size_t sent = 0;
      while (sent < answer.size()) {
        const int put =
            send(client, answer.data() + sent, static_cast<int>(answer.size() - sent), 0);
        if (put <= 0) {
          break;
        }
        sent += static_cast<size_t>(put);
      }
      shutdown(client, SD_SEND);
    }
    closesocket(client);
  }

  std::string body_;
  bool silent_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::string request_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

struct Outcome {
  bool reported = false;
  bool on_gui_thread = false;
  uint16_t code = 0xFFFF;
  int status = 0;
  std::string body;
};

Outcome Get(const std::string& url, int timeout_ms, size_t max_body) {
  Outcome outcome;
  MainThreadQueue queue;
  queue.Install();
  {
    TWinHttpClient client;
    client.URL = url;
    client.Agent = "Mozilla/5.0";
    client.Accept = "text/html";
    client.TimeoutMs = timeout_ms;
    client.MaxBodySize = max_body;
    client.RcvdStream = &outcome.body;
    client.OnRequestDone = [&](THttpClient& sender, THttpRequest, uint16_t code) {
      outcome.reported = true;
      outcome.on_gui_thread = IsMainThread();
      outcome.code = code;
      outcome.status = sender.StatusCode();
    };
    client.GetASync();
    queue.ProcessUntil([&] { return outcome.reported; });
  }
  SetMainThreadDispatcher(nullptr);
  return outcome;
}

constexpr size_t kUpdateBodyLimit = 64 * 1024;

TEST(WinHttpClientTest, AnswerWithinTheBoundArrivesWholeOnTheGuiThread) {
  const std::string body(kUpdateBodyLimit, 'v');
  LoopbackServer server(body);
  const Outcome outcome = Get(server.Url(), 10000, kUpdateBodyLimit);
  EXPECT_TRUE(outcome.on_gui_thread);
  EXPECT_EQ(outcome.code, kHttpErrorNone);
  EXPECT_EQ(outcome.status, 200);
  EXPECT_EQ(outcome.body, body);
  EXPECT_EQ(server.Request().rfind("GET /check?x=1 HTTP/1.1\r\n", 0), 0u) << server.Request();
  EXPECT_NE(server.Request().find("User-Agent: Mozilla/5.0\r\n"), std::string::npos);
  EXPECT_NE(server.Request().find("Accept: text/html\r\n"), std::string::npos);
}

TEST(WinHttpClientTest, OneByteBeyondTheBoundStopsTheTransfer) {
  LoopbackServer server(std::string(kUpdateBodyLimit + 1, 'v'));
  const Outcome outcome = Get(server.Url(), 10000, kUpdateBodyLimit);
  EXPECT_EQ(outcome.code, kHttpErrorBodyTooLarge);
  EXPECT_LE(outcome.body.size(), kUpdateBodyLimit);
}

TEST(WinHttpClientTest, SilentServerEndsInTheTimeOut) {
  LoopbackServer server("", true);
  const Outcome outcome = Get(server.Url(), 300, kUpdateBodyLimit);
  EXPECT_EQ(outcome.code, kHttpErrorTimedOut);
  EXPECT_EQ(outcome.status, 0);
}

TEST(WinHttpClientTest, RefusedConnectionAndBadAddressesAreTold) {
  // A port nobody listens on: the listener is closed before the request.
  std::string url;
  {
    LoopbackServer closed("x");
    url = closed.Url();
    // Take the one connection it accepts so that it ends.
    Get(url, 10000, 0);
  }
  EXPECT_EQ(Get(url, 10000, 0).code, 1);
  TWinHttpClient client;
  client.URL = "ftp://127.0.0.1/";
  EXPECT_THROW(client.GetASync(), Exception);
  client.URL = "not an address";
  EXPECT_THROW(client.GetASync(), Exception);
}

// The update check hands its own limits to the client it gets.
class RecordingFactory : public THttpClientFactory {
public:
  std::unique_ptr<THttpClient> CreateClient() override {
    auto client = std::make_unique<TWinHttpClient>();
    created = client.get();
    return client;
  }
  void SetBrowserDefaults(THttpClient& client) override { client.TimeoutMs = 3000; }
  // The limits are tested over plain HTTP.
  AnsiString FallbackToHttp(const AnsiString& url) override { return "http" + url.substr(5); }
  THttpClient* created = nullptr;
};

TEST(WinHttpClientTest, UpdateCheckAsksForTenSecondsAndSixtyFourKibibytes) {
  LoopbackServer server(std::string(kUpdateBodyLimit + 1, '1'));
  RecordingFactory factory;
  SetHttpClientFactory(&factory);
  MainThreadQueue queue;
  queue.Install();
  TKLog log("", true, 100);
  bool done = false;
  {
    TTarvixLite checker(&log, "Vandrel");
    checker.Server = server.Url().substr(7, server.Url().find('/', 7) - 7);
    checker.Check("", [&](TTarvixLite*) { done = true; });
    ASSERT_NE(factory.created, nullptr);
    EXPECT_EQ(factory.created->TimeoutMs, 10000);
    EXPECT_EQ(factory.created->MaxBodySize, kUpdateBodyLimit);
    queue.ProcessUntil([&] { return done; });
    // The answer was cut at the bound: no version is taken from it.
    EXPECT_FALSE(checker.Answered);
    EXPECT_FALSE(checker.NewVersion);
  }
  SetMainThreadDispatcher(nullptr);
  SetHttpClientFactory(nullptr);
}

} // namespace
} // namespace vandrel
