// vandrel-cli check-update end to end, against a server of the test's own
// on 127.0.0.1.

#include <QProcess>

#include <gtest/gtest.h>

#include <cstdlib>

#include "TestTlsServer.h"
#include "update/U_Tarvix_Lite.h"

namespace vandrel {
namespace {

using test::SuiteCertificates;
using test::TestTlsServer;

struct CliRun {
  int exit_code = -1;
  std::string out, err;
};

// Runs the tool asynchronously so that our server keeps answering.
CliRun RunCli(const QStringList& arguments) {
  const char* cli = std::getenv("VANDREL_CLI");
  EXPECT_NE(cli, nullptr);
  QProcess process;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert("LSAN_OPTIONS", "suppressions=\"" VANDREL_LSAN_SUPPRESSIONS "\"");
  process.setProcessEnvironment(environment);
  process.start(cli != nullptr ? cli : "vandrel-cli", arguments);
  EXPECT_TRUE(test::SpinUntil([&] { return process.state() == QProcess::NotRunning; }, 60000));
  return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
          process.readAllStandardOutput().toStdString(),
          process.readAllStandardError().toStdString()};
}

class CheckUpdateCliTest : public testing::Test {
protected:
  TestTlsServer server{SuiteCertificates().server_certificate, SuiteCertificates().server_key};
  QString Address() { return "127.0.0.1:" + QString::number(server.Start()); }
};

TEST_F(CheckUpdateCliTest, NewerVersionExitsWithThree) {
  server.Answer(200, "OK", "60000.0.0.0");
  const CliRun run = RunCli({"check-update", "--server", Address()});
  EXPECT_EQ(run.exit_code, 3) << run.err;
  EXPECT_NE(run.out.find("\tVandrel Update self check : Initialization\n"), std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("\tVandrel Update self check : Server replied 60000.0.0.0 in "),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("A new version of Vandrel is available: "
                         "https://www.tolvane.example/?download\n"),
            std::string::npos)
      << run.out;
  // The tool's own identity.
  EXPECT_TRUE(server.last_request.startsWith(
      "GET /tarvix/check.php?uid=0&ProductName=Vandrel&Company=Tolvane&VH="))
      << server.last_request.toStdString();
}

TEST_F(CheckUpdateCliTest, SameVersionIsUpToDate) {
  const char* cli = std::getenv("VANDREL_CLI");
  ASSERT_NE(cli, nullptr);
  const TUpdateIdentity own = ReadUpdateIdentity(cli);
  ASSERT_NE(own.Version, "0.0.0.0") << "vandrel-cli carries no version resource";
  server.Answer(200, "OK", QByteArray::fromStdString(own.Version));
  const CliRun run = RunCli({"check-update", "--server", Address()});
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_NE(run.out.find("Vandrel is already up to date.\n"), std::string::npos) << run.out;
}

TEST_F(CheckUpdateCliTest, FailedExchangeExitsWithOne) {
  server.Answer(404, "Not Found", "no such page");
  CliRun run = RunCli({"check-update", "--server", Address()});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("Server error (0 Cause : Not Found)"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find("the update check failed"), std::string::npos) << run.err;

  run = RunCli({"check-update", "--server", "127.0.0.1:" + QString::number(test::ClosedPort())});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("\tVandrel Update self check : Server error (1)\n"), std::string::npos)
      << run.out;
}

TEST_F(CheckUpdateCliTest, BadUsage) {
  EXPECT_EQ(RunCli({"check-update", "--server"}).exit_code, 2);
  EXPECT_EQ(RunCli({"check-update", "extra"}).exit_code, 2);
}

} // namespace
} // namespace vandrel
