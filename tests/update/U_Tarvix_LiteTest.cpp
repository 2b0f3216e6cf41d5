// The checker against a scripted client: the request it builds, the log
// lines of each outcome, and that every end clears Busy. The real HTTPS
// exchange is in tests/net.

#include "update/U_Tarvix_Lite.h"

#include <gtest/gtest.h>

#include <optional>

#include "base/Exceptions.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_Log.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

// What the scripted client saw, kept after it is freed.
struct ClientRecord {
  AnsiString url, agent, request_ver, accept, accept_language, proxy;
  int timeout_ms = -1;
  size_t max_body = 0;
  bool started = false;
  bool destroyed = false;
};

class ScriptedClient : public THttpClient {
public:
  ScriptedClient(ClientRecord& record, bool fail_start) : record_(record), fail_(fail_start) {}
  ~ScriptedClient() override { record_.destroyed = true; }
  void GetASync() override {
    record_.url = URL;
    record_.agent = Agent;
    record_.request_ver = RequestVer;
    record_.accept = Accept;
    record_.accept_language = AcceptLanguage;
    record_.proxy = Proxy + ProxyPort + ProxyUsername + ProxyPassword;
    record_.timeout_ms = TimeoutMs;
    record_.max_body = MaxBodySize;
    record_.started = true;
    if (fail_) {
      throw Exception("cannot start");
    }
  }
  int StatusCode() const override { return status; }
  AnsiString ReasonPhrase() const override { return reason; }

  // Plays the server's part: a body and a status, then the report.
  void Respond(int code, const AnsiString& phrase, const AnsiString& body) {
    status = code;
    reason = phrase;
    RcvdStream->append(body);
    Report(0);
  }
  void Fail(uint16_t error_code) { Report(error_code); }
  // As the real client does: the handler may free this client.
  void Report(uint16_t error_code) {
    const TRequestDoneEvent done = OnRequestDone;
    done(*this, THttpRequest::Get, error_code);
  }

  int status = 0;
  AnsiString reason;

private:
  ClientRecord& record_;
  bool fail_;
};

class ScriptedFactory : public THttpClientFactory {
public:
  std::unique_ptr<THttpClient> CreateClient() override {
    records.emplace_back();
    auto client = std::make_unique<ScriptedClient>(records.back(), fail_start);
    last = client.get();
    return client;
  }
  void SetBrowserDefaults(THttpClient& client) override {
    client.Agent = "Mozilla/5.0";
    client.RequestVer = "1.1";
    client.Accept = "accept";
    client.AcceptLanguage = "language";
    client.TimeoutMs = 3000;
    client.Proxy = "left.over"; // the checker must clear it
  }
  AnsiString FallbackToHttp(const AnsiString& url) override {
    return no_tls ? "http" + url.substr(5) : url;
  }

  std::deque<ClientRecord> records;
  ScriptedClient* last = nullptr;
  bool fail_start = false;
  bool no_tls = false;
};

// "Level message" of each line, oldest first, without the time stamps.
std::vector<AnsiString> Messages(const TKLog& log) {
  std::vector<AnsiString> messages;
  for (auto line = log.Lines.rbegin(); line != log.Lines.rend(); ++line) {
    const size_t first_tab = line->find('\t');
    const size_t second_tab = line->find('\t', first_tab + 1);
    messages.push_back(line->substr(0, first_tab) + " " + line->substr(second_tab + 1));
  }
  return messages;
}

const TUpdateIdentity kIdentity{"Vandrel Pro", "Tolvane & Co", "4.12.0.33"};

class TarvixLiteTest : public testing::Test {
protected:
  void SetUp() override { SetHttpClientFactory(&factory); }
  void TearDown() override {
    SetHttpClientFactory(nullptr);
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, ProductKeyPath());
  }

  void Start() {
    checker.CheckIdentity(kIdentity, [this](TTarvixLite* sender) {
      EXPECT_EQ(sender, &checker);
      EXPECT_FALSE(sender->Busy);
      ++done_calls;
    });
  }

  test::TempDir temp;
  TKLog log{temp.File("Vandrel.log"), true, 100};
  ScriptedFactory factory;
  TTarvixLite checker{&log, "Vandrel"};
  int done_calls = 0;
};

TEST_F(TarvixLiteTest, RequestCarriesTheIdentityAndTheBrowserHeaders) {
  Start();
  EXPECT_TRUE(checker.Busy);
  EXPECT_EQ(done_calls, 0);
  const ClientRecord& sent = factory.records.back();
  EXPECT_EQ(sent.url, "https://update.tolvane.example/tarvix/check.php?uid=0"
                      "&ProductName=Vandrel%20Pro&Company=Tolvane%20%26%20Co&VH=262156&VL=33");
  EXPECT_EQ(sent.agent, "Mozilla/5.0");
  EXPECT_EQ(sent.request_ver, "1.1");
  EXPECT_EQ(sent.proxy, "");
  EXPECT_EQ(sent.timeout_ms, 10000);
  EXPECT_EQ(sent.max_body, 65536u);
  EXPECT_EQ(checker.LocalHigh, 262156u);
  EXPECT_EQ(checker.LocalLow, 33u);
  EXPECT_EQ(Messages(log),
            std::vector<AnsiString>{"Info Vandrel Update self check : Initialization"});
}

TEST_F(TarvixLiteTest, UrlOfPackedVersion) {
  EXPECT_EQ(UpdateCheckUrl("h", "P", "C", 65538, 196612),
            "https://h/tarvix/check.php?uid=0&ProductName=P&Company=C&VH=65538&VL=196612");
  EXPECT_EQ(DownloadPageUrl(), "https://www.tolvane.example/?download");
}

struct AnswerCase {
  const char* name;
  int status;
  const char* reason;
  const char* body;
  bool answered;
  bool newer;
  const char* replied; // the version in the Info line
};
void PrintTo(const AnswerCase& c, std::ostream* out) {
  *out << c.name;
}

class TarvixLiteAnswerTest : public TarvixLiteTest,
                             public testing::WithParamInterface<AnswerCase> {};

TEST_P(TarvixLiteAnswerTest, SetsTheResultAndLogs) {
  const AnswerCase& c = GetParam();
  Start();
  factory.last->Respond(c.status, c.reason, c.body);
  EXPECT_FALSE(checker.Busy);
  EXPECT_EQ(done_calls, 1);
  EXPECT_EQ(checker.Answered, c.answered);
  EXPECT_EQ(checker.NewVersion, c.newer);
  const std::vector<AnsiString> messages = Messages(log);
  ASSERT_GE(messages.size(), 2u);
  const AnsiString replied =
      AnsiString("Info Vandrel Update self check : Server replied ") + c.replied + " in ";
  EXPECT_EQ(messages[1].substr(0, replied.size()), replied) << messages[1];
  EXPECT_EQ(messages[1].substr(messages[1].size() - 2), "ms");
  if (c.answered) {
    EXPECT_EQ(messages.size(), 2u);
  } else {
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_EQ(messages[2],
              AnsiString("Verbose Vandrel Update self check : Server error (0 Cause : ") +
                  c.reason + ")");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, TarvixLiteAnswerTest,
    testing::Values(AnswerCase{"Newer", 200, "OK", "4.13", true, true, "4.13.0.0"},
                    AnswerCase{"Equal", 200, "OK", "4.12.0.33", true, false, "4.12.0.33"},
                    AnswerCase{"Older", 200, "OK", "4.12.0.32", true, false, "4.12.0.32"},
                    AnswerCase{"TrailingLineBreak", 200, "OK", "4.13.0.1\r\n", true, true,
                               "4.13.0.0"},
                    AnswerCase{"ErrorPage", 404, "Not Found", "<html>Not found</html>", false,
                               false, "0.0.0.0"},
                    AnswerCase{"Empty", 200, "OK", "", false, false, "0.0.0.0"},
                    // Packs into a huge number, but is no valid version.
                    AnswerCase{"Negative", 200, "OK", "-1.0.0.0", false, false, "-1.0.0.0"}),
    [](const testing::TestParamInfo<AnswerCase>& info) { return info.param.name; });

TEST_F(TarvixLiteTest, FailedExchangeLogsTheErrorCode) {
  Start();
  factory.last->Fail(kHttpErrorTimedOut);
  EXPECT_FALSE(checker.Busy);
  EXPECT_EQ(done_calls, 1);
  EXPECT_FALSE(checker.Answered);
  EXPECT_FALSE(checker.NewVersion);
  EXPECT_EQ(Messages(log).back(), "Error Vandrel Update self check : Server error (4)");
}

TEST_F(TarvixLiteTest, StartThatFailsStillEndsTheCheck) {
  factory.fail_start = true;
  Start();
  EXPECT_FALSE(checker.Busy);
  EXPECT_EQ(done_calls, 1);
  EXPECT_EQ(Messages(log).back(), "Error Vandrel Update self check : Server error (1001)");

  SetHttpClientFactory(nullptr);
  Start();
  EXPECT_FALSE(checker.Busy);
  EXPECT_EQ(done_calls, 2);
  EXPECT_EQ(Messages(log).back(), "Error Vandrel Update self check : Server error (1001)");
}

TEST_F(TarvixLiteTest, WithoutTlsFallsBackToHttp) {
  factory.no_tls = true;
  Start();
  EXPECT_EQ(factory.records.back().url.substr(0, 30), "http://update.tolvane.example/");
  EXPECT_EQ(Messages(log).back(), "Verbose TarvixLite : No SSL / Back to HTTP");
}

TEST_F(TarvixLiteTest, ServerOverrideIsReadAtEachCheck) {
  platform::RegistryKey key;
  ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true),
            platform::RegistryStatus::Ok);
  ASSERT_EQ(key.WriteString(kUpdateServerSetting, "mirror.test:8443"),
            platform::RegistryStatus::Ok);
  Start();
  factory.last->Fail(1);
  EXPECT_EQ(factory.records.back().url.substr(0, 33), "https://mirror.test:8443/tarvix/c");

  ASSERT_EQ(key.DeleteValue(kUpdateServerSetting), platform::RegistryStatus::Ok);
  Start();
  factory.last->Fail(1);
  EXPECT_EQ(factory.records.back().url.substr(0, 31), "https://update.tolvane.example/");

  // The checker's own Server field wins over the setting (the CLI's --server).
  key.WriteString(kUpdateServerSetting, "mirror.test");
  checker.Server = "127.0.0.1:9";
  Start();
  EXPECT_EQ(factory.records.back().url.substr(0, 20), "https://127.0.0.1:9/");
}

TEST_F(TarvixLiteTest, NextCheckFreesTheLastClient) {
  Start();
  factory.last->Respond(200, "OK", "1.0");
  EXPECT_FALSE(factory.records[0].destroyed);
  Start();
  EXPECT_TRUE(factory.records[0].destroyed);
  EXPECT_FALSE(factory.records[1].destroyed);
}

TEST_F(TarvixLiteTest, HandlerMayStartTheNextCheck) {
  int rounds = 0;
  std::function<void(TTarvixLite*)> again = [&](TTarvixLite* sender) {
    if (++rounds == 1) {
      sender->CheckIdentity(kIdentity, again);
    }
  };
  checker.CheckIdentity(kIdentity, again);
  factory.last->Respond(200, "OK", "5.0");
  EXPECT_EQ(rounds, 1);
  EXPECT_TRUE(checker.Busy);
  factory.last->Respond(200, "OK", "5.0");
  EXPECT_EQ(rounds, 2);
  EXPECT_FALSE(checker.Busy);
}

TEST(TarvixLiteLifetimeTest, FreeingTheCheckerAbandonsThePendingRequest) {
  ScriptedFactory factory;
  SetHttpClientFactory(&factory);
  bool done = false;
  {
    TTarvixLite checker(nullptr, "Vandrel");
    checker.CheckIdentity(kIdentity, [&](TTarvixLite*) { done = true; });
    EXPECT_TRUE(checker.Busy);
  }
  SetHttpClientFactory(nullptr);
  EXPECT_TRUE(factory.records.back().destroyed);
  EXPECT_FALSE(done);
}

} // namespace
} // namespace vandrel
