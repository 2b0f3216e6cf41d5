// Test main of the network suite: hermetic environment, a Qt event loop for
// the client, and a test certificate authority the client trusts.

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

#include "TestTlsServer.h"
#include "support/Hermetic.h"

namespace vandrel::test {
namespace {
std::unique_ptr<TestCertificates> suite_certificates;
} // namespace

const TestCertificates& SuiteCertificates() {
  return *suite_certificates;
}

} // namespace vandrel::test

int main(int argc, char** argv) {
  vandrel::test::SetUpHermeticEnvironment();
  QCoreApplication application(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  const auto folder = vandrel::test::HermeticRoot() / "certificates";
  std::filesystem::create_directories(folder);
  vandrel::test::suite_certificates = std::make_unique<vandrel::test::TestCertificates>(
      vandrel::test::MakeTestCertificates(folder));
  setenv("SSL_CERT_FILE", vandrel::test::suite_certificates->ca_file.c_str(), 1);
  unsetenv("SSL_CERT_DIR");
  const int result = RUN_ALL_TESTS();
  vandrel::test::suite_certificates.reset();
  return result;
}
