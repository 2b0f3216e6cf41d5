// The update check against HTTPS servers of the test's own on 127.0.0.1,
// reached through the "UpdateServer" override of the product key.

#include <QNetworkReply>

#include <gtest/gtest.h>

#include "TestTlsServer.h"
#include "net/U_HTTP_Custo.h"
#include "platform/Registry.h"
#include "shell/Settings.h"
#include "shell/U_Log.h"
#include "support/Hermetic.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {
namespace {

using test::SuiteCertificates;
using test::TestTlsServer;

enum class ServerKind { Answers, Silent, Refuses, Untrusted };

struct ExchangeCase {
  const char* name;
  ServerKind kind;
  int status;
  const char* reason;
  QByteArray body;
  bool answered;
  bool newer;
  std::vector<AnsiString> after_initialization; // messages after the first line
};
void PrintTo(const ExchangeCase& c, std::ostream* out) {
  *out << c.name;
}

// "Level message" of each line, oldest first; the duration of "Server
// replied" replaced by "N".
std::vector<AnsiString> Messages(const TKLog& log) {
  std::vector<AnsiString> messages;
  for (auto line = log.Lines.rbegin(); line != log.Lines.rend(); ++line) {
    const size_t first_tab = line->find('\t');
    AnsiString message = line->substr(line->find('\t', first_tab + 1) + 1);
    const size_t in = message.rfind(" in ");
    if (message.find("Server replied") != AnsiString::npos && in != AnsiString::npos &&
        message.ends_with("ms")) {
      const AnsiString digits = message.substr(in + 4, message.size() - in - 6);
      EXPECT_FALSE(digits.empty());
      EXPECT_EQ(digits.find_first_not_of("0123456789"), AnsiString::npos) << message;
      message = message.substr(0, in) + " in Nms";
    }
    messages.push_back(line->substr(0, first_tab) + " " + message);
  }
  return messages;
}

class ExchangeTest : public testing::TestWithParam<ExchangeCase> {
protected:
  void SetUp() override { InstallQtHttpClient(); }
  void TearDown() override {
    SetHttpClientFactory(nullptr);
    TTarvixLite::SetRequestTimeoutForTesting(0);
    platform::DeleteRegistryKeyTree(platform::RegistryRoot::CurrentUser, ProductKeyPath());
  }

  void PointCheckAt(quint16 port) {
    platform::RegistryKey key;
    ASSERT_EQ(key.Open(platform::RegistryRoot::CurrentUser, ProductKeyPath(), true),
              platform::RegistryStatus::Ok);
    ASSERT_EQ(key.WriteString(kUpdateServerSetting, "127.0.0.1:" + std::to_string(port)),
              platform::RegistryStatus::Ok);
  }

  test::TempDir temp;
  TKLog log{temp.File("Vandrel.log"), true, 100};
};

TEST_P(ExchangeTest, OutcomeAndLogLines) {
  const ExchangeCase& c = GetParam();
  TestTlsServer server(c.kind == ServerKind::Untrusted ? SuiteCertificates().untrusted_certificate
                                                       : SuiteCertificates().server_certificate,
                       c.kind == ServerKind::Untrusted ? SuiteCertificates().untrusted_key
                                                       : SuiteCertificates().server_key);
  server.Answer(c.status, c.reason, c.body);
  if (c.kind == ServerKind::Silent) {
    server.BeSilent();
    TTarvixLite::SetRequestTimeoutForTesting(300);
  }
  PointCheckAt(c.kind == ServerKind::Refuses ? test::ClosedPort() : server.Start());

  TTarvixLite checker(&log, "Vandrel");
  int done_calls = 0;
  checker.CheckIdentity({"Vandrel Pro", "Tolvane & Co", "4.12.0.33"},
                        [&](TTarvixLite*) { ++done_calls; });
  EXPECT_TRUE(checker.Busy);
  ASSERT_TRUE(test::SpinUntil([&] { return done_calls > 0; }));
  test::SpinFor(20);
  EXPECT_EQ(done_calls, 1);
  EXPECT_FALSE(checker.Busy);
  EXPECT_EQ(checker.Answered, c.answered);
  EXPECT_EQ(checker.NewVersion, c.newer);

  std::vector<AnsiString> expected{"Info Vandrel Update self check : Initialization"};
  expected.insert(expected.end(), c.after_initialization.begin(), c.after_initialization.end());
  EXPECT_EQ(Messages(log), expected);
  if (c.kind == ServerKind::Answers || c.kind == ServerKind::Silent) {
    EXPECT_EQ(server.requests, 1);
    EXPECT_TRUE(server.last_request.startsWith(
        "GET /tarvix/check.php?uid=0&ProductName=Vandrel%20Pro&Company=Tolvane%20%26%20Co"
        "&VH=262156&VL=33 HTTP/1.1\r\n"))
        << server.last_request.toStdString();
  } else {
    EXPECT_EQ(server.requests, 0);
  }
}

const AnsiString kReplied = "Info Vandrel Update self check : Server replied ";
const AnsiString kFailed = "Error Vandrel Update self check : Server error (";

INSTANTIATE_TEST_SUITE_P(
    Servers, ExchangeTest,
    testing::Values(
        ExchangeCase{"Newer",
                     ServerKind::Answers,
                     200,
                     "OK",
                     "4.13",
                     true,
                     true,
                     {kReplied + "4.13.0.0 in Nms"}},
        ExchangeCase{"Equal",
                     ServerKind::Answers,
                     200,
                     "OK",
                     "4.12.0.33",
                     true,
                     false,
                     {kReplied + "4.12.0.33 in Nms"}},
        ExchangeCase{"Older",
                     ServerKind::Answers,
                     200,
                     "OK",
                     "4.12.0.32",
                     true,
                     false,
                     {kReplied + "4.12.0.32 in Nms"}},
        ExchangeCase{"TrailingLineBreak",
                     ServerKind::Answers,
                     200,
                     "OK",
                     "4.13.0.1\r\n",
                     true,
                     true,
                     {kReplied + "4.13.0.0 in Nms"}},
        ExchangeCase{"NotFoundPage",
                     ServerKind::Answers,
                     404,
                     "Not Found",
                     "<html><body>Not Found</body></html>",
                     false,
                     false,
                     {kReplied + "0.0.0.0 in Nms",
                      "Verbose Vandrel Update self check : Server error (0 Cause : Not Found)"}},
        ExchangeCase{"BodyTooLarge",
                     ServerKind::Answers,
                     200,
                     "OK",
                     "4.13.0.0" + QByteArray(65536, ' '),
                     false,
                     false,
                     {kFailed + std::to_string(kHttpErrorBodyTooLarge) + ")"}},
        ExchangeCase{"NeverAnswers",
                     ServerKind::Silent,
                     0,
                     "",
                     "",
                     false,
                     false,
                     {kFailed + std::to_string(kHttpErrorTimedOut) + ")"}},
        ExchangeCase{"Refused",
                     ServerKind::Refuses,
                     0,
                     "",
                     "",
                     false,
                     false,
                     {kFailed + std::to_string(QNetworkReply::ConnectionRefusedError) + ")"}},
        ExchangeCase{"CertificateDoesNotVerify",
                     ServerKind::Untrusted,
                     200,
                     "OK",
                     "9.0",
                     false,
                     false,
                     {kFailed + std::to_string(QNetworkReply::SslHandshakeFailedError) + ")"}}),
    [](const testing::TestParamInfo<ExchangeCase>& info) { return info.param.name; });

TEST_F(ExchangeTest, BodyAtTheBoundIsRead) {
  TestTlsServer server(SuiteCertificates().server_certificate, SuiteCertificates().server_key);
  // Trailing blanks spoil the last field only: 4.13.0.0.
  server.Answer(200, "OK", "4.13.0.1" + QByteArray(65536 - 8, ' '));
  PointCheckAt(server.Start());
  TTarvixLite checker(&log, "Vandrel");
  bool done = false;
  checker.CheckIdentity({"Vandrel", "Tolvane", "4.12.0.33"}, [&](TTarvixLite*) { done = true; });
  ASSERT_TRUE(test::SpinUntil([&] { return done; }));
  EXPECT_TRUE(checker.Answered);
  EXPECT_TRUE(checker.NewVersion);
  EXPECT_EQ(Messages(log).back(), kReplied + "4.13.0.0 in Nms");
}

} // namespace
} // namespace vandrel
