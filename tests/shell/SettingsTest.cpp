#include "shell/Settings.h"

#include <gtest/gtest.h>

#include "platform/Registry.h"
#include "support/Hermetic.h"
#include "support/ScopedEnvironment.h"

namespace vandrel {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryType;
using test::TempDir;

class SettingsTest : public testing::Test {
protected:
  TempDir dir;
  test::ScopedEnvironment config{"XDG_CONFIG_HOME", dir.File("config")};

  static RegistryKey Key(const AnsiString& path, bool create = true) {
    RegistryKey key;
    key.Open(RegistryRoot::CurrentUser, path, create);
    return key;
  }
};

TEST_F(SettingsTest, ProductSettingReadsStringsOnlyAndCreatesTheKey) {
  EXPECT_EQ(ReadProductSetting("LogMode"), "");
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel"));
  RegistryKey key = Key(ProductKeyPath());
  const struct {
    const char* stored;
    const char* read;
  } cases[] = {{"1", "1"}, {"01", "01"}, {"1 ", "1 "}, {"true", "true"}, {"", ""}};
  for (const auto& c : cases) {
    key.WriteString("LogMode", c.stored);
    EXPECT_EQ(ReadProductSetting("LogMode"), c.read);
  }
  key.WriteDword("LogMode", 1);
  EXPECT_EQ(ReadProductSetting("LogMode"), "") << "a DWORD LogMode reads as empty";
}

TEST_F(SettingsTest, CompanyValueAndKeysComeAndGo) {
  EXPECT_EQ(CompanyKeyPath(), "SOFTWARE\\Tolvane");
  EXPECT_EQ(ProductKeyPath(), "SOFTWARE\\Tolvane\\Vandrel");
  DeleteCompanyKeyIfEmpty();
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "never creates the company key";

  ASSERT_TRUE(WriteProductPath("Vandrel", "/opt/Vandrel/vandrel"));
  AnsiString path;
  EXPECT_EQ(Key(CompanyKeyPath()).ReadString("Vandrel", path), RegistryStatus::Ok);
  EXPECT_EQ(path, "/opt/Vandrel/vandrel");
  Key(ProductKeyPath() + "\\Sub").WriteString("x", "y");
  Key(CompanyKeyPath() + "\\Other").WriteString("kept", "1");

  DeleteProductKey("Vandrel");
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, ProductKeyPath()));
  DeleteCompanyValue("Vandrel");
  DeleteCompanyValue("Vandrel");
  EXPECT_FALSE(Key(CompanyKeyPath()).HasValue("Vandrel"));
  DeleteCompanyKeyIfEmpty();
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "another program's subkey keeps it";
  platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, CompanyKeyPath() + "\\Other");
  Key(CompanyKeyPath()).WriteString("Another", "value");
  DeleteCompanyKeyIfEmpty();
  EXPECT_TRUE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()))
      << "a value keeps it";
  DeleteCompanyValue("Another");
  DeleteCompanyKeyIfEmpty();
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, CompanyKeyPath()));
}

} // namespace
} // namespace vandrel
