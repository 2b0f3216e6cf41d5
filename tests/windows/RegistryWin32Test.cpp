// The registry seam on the real registry (each test process gets its own
// scratch roots, see support/Hermetic), checked against advapi32 itself.

#include <gtest/gtest.h>

#include "windows/WindowsTestSupport.h"

#include <thread>

#include "platform/NamedLock.h"
#include "platform/Registry.h"
#include "shell/C_FileAssociation.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using platform::RegistryType;

struct ValueCase {
  const char* name;
  RegistryType type;
  std::string data;
};

class RegistryValueTest : public testing::TestWithParam<ValueCase> {};

TEST_P(RegistryValueTest, EveryTypeRoundTripsAndIsStoredAsWindowsStoresIt) {
  const ValueCase& c = GetParam();
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Vandrel", true),
            RegistryStatus::Ok);
  ASSERT_EQ(key.WriteRaw(c.name, c.type, c.data), RegistryStatus::Ok);
  RegistryType type{};
  std::string data;
  ASSERT_EQ(key.ReadRaw(c.name, type, data), RegistryStatus::Ok);
  EXPECT_EQ(type, c.type);
  EXPECT_EQ(data, c.data);

  // What advapi32 holds: texts in UTF-16 with their final NUL, the rest as given.
  HKEY raw = nullptr;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, L"SOFTWARE\\Tolvane\\Vandrel", 0, KEY_READ, &raw),
            ERROR_SUCCESS);
  const WideString value_name = Utf8ToWide(c.name);
  DWORD stored_type = 0;
  BYTE stored[512];
  DWORD size = sizeof stored;
  ASSERT_EQ(RegQueryValueExW(raw, std::wstring(value_name.begin(), value_name.end()).c_str(),
                             nullptr, &stored_type, stored, &size),
            ERROR_SUCCESS);
  RegCloseKey(raw);
  EXPECT_EQ(stored_type, static_cast<DWORD>(c.type));
  std::string expected = c.data;
  if (c.type == RegistryType::String || c.type == RegistryType::ExpandString ||
      c.type == RegistryType::MultiString) {
    WideString text = Utf8ToWide(c.data);
    if (c.type != RegistryType::MultiString) {
      text.push_back(u'\0');
    }
    expected.assign(reinterpret_cast<const char*>(text.data()), text.size() * 2);
  }
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(stored), size), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Types, RegistryValueTest,
    testing::Values(
        ValueCase{"Texte", RegistryType::String, "Grüße, Да"},
        ValueCase{"Empty", RegistryType::String, ""},
        ValueCase{"Path", RegistryType::ExpandString, "%TEMP%\\vandrel"},
        ValueCase{"Bytes", RegistryType::Binary, std::string("\x00\xFF\x10", 3)},
        ValueCase{"Langue", RegistryType::Dword, std::string("\x0C\x04\x00\x00", 4)},
        ValueCase{"Big", RegistryType::DwordBigEndian, std::string("\x00\x00\x04\x0C", 4)},
        ValueCase{"List", RegistryType::MultiString, std::string("un\0deux é\0\0", 12)},
        ValueCase{"Wide", RegistryType::Qword, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)},
        ValueCase{"Nothing", RegistryType::None, std::string("\x2A", 1)},
        ValueCase{"", RegistryType::String, "the default value"}),
    [](const testing::TestParamInfo<ValueCase>& info) {
      return std::to_string(info.index) + "_" + std::to_string(static_cast<int>(info.param.type));
    });

TEST(RegistryTest, KeysListDeleteAndRefuseAsWindowsDoes) {
  RegistryKey key;
  ASSERT_EQ(key.Open(RegistryRoot::CurrentUser, "\\SOFTWARE\\Tolvane\\Tree\\", true),
            RegistryStatus::Ok);
  EXPECT_EQ(key.Path(), "SOFTWARE\\Tolvane\\Tree");
  for (const char* sub : {"beta", "Alpha", "gamma\\deep"}) {
    RegistryKey child;
    ASSERT_EQ(
        child.Open(RegistryRoot::CurrentUser, std::string("SOFTWARE\\Tolvane\\Tree\\") + sub, true),
        RegistryStatus::Ok);
  }
  EXPECT_EQ(key.SubkeyNames(), (std::vector<AnsiString>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(key.WriteDword("Second", 2), RegistryStatus::Ok);
  EXPECT_EQ(key.WriteString("First", "1"), RegistryStatus::Ok);
  std::uint32_t number = 0;
  EXPECT_EQ(key.ReadDword("second", number), RegistryStatus::Ok); // names ignore case
  EXPECT_EQ(number, 2u);
  AnsiString text;
  EXPECT_EQ(key.ReadString("Second", text), RegistryStatus::WrongType);
  EXPECT_EQ(key.ReadString("Missing", text), RegistryStatus::NotFound);
  EXPECT_EQ(key.DeleteValue("Missing"), RegistryStatus::NotFound);

  RegistryKey reader;
  ASSERT_EQ(reader.Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Tree", false, false),
            RegistryStatus::Ok);
  EXPECT_EQ(reader.WriteString("x", "y"), RegistryStatus::AccessDenied);
  EXPECT_EQ(RegistryKey().Open(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\None", false),
            RegistryStatus::NotFound);

  reader.Close();
  key.Close();
  EXPECT_EQ(platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Tree"),
            RegistryStatus::Ok);
  EXPECT_FALSE(platform::RegistryKeyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Tree"));
  EXPECT_EQ(platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, "SOFTWARE\\Tolvane\\Tree"),
            RegistryStatus::NotFound);
  EXPECT_EQ(platform::DeleteRegistryKeyTree(RegistryRoot::CurrentUser, ""),
            RegistryStatus::AccessDenied);
}

std::wstring ClassesRootDefault(const wchar_t* path) {
  wchar_t value[512] = {};
  LONG size = sizeof value;
  if (RegQueryValueW(HKEY_CLASSES_ROOT, path, value, &size) != ERROR_SUCCESS) {
    return L"<missing>";
  }
  return value;
}

TEST(AssociationTest, RegisterWritesTheThreeClassesRootValuesAndRemoveTakesThemAway) {
  test::TempDir dir;
  const std::string program = dir.File("Vandrel app.exe");
  test::WriteFile(program, "MZ");
  TFileAssociation association;
  association.SetExtension(" .vd0 ");
  association.SetExecutable(program);
  association.RegisterAssociation();

  const WideString program_wide = Utf8ToWide(program);
  const std::wstring program_w(program_wide.begin(), program_wide.end());
  EXPECT_EQ(ClassesRootDefault(L".vd0"), L"vd0_file");
  EXPECT_EQ(ClassesRootDefault(L"vd0_file\\shell\\open\\command"),
            L"\"" + program_w + L"\" \"%1\"");
  EXPECT_EQ(ClassesRootDefault(L"vd0_file\\DefaultIcon"), program_w);
  EXPECT_EQ(association.Executable(), program);
  EXPECT_EQ(association.Icon(), program);

  association.RemoveAssociation();
  EXPECT_EQ(ClassesRootDefault(L".vd0"), L"<missing>");
  EXPECT_EQ(ClassesRootDefault(L"vd0_file"), L"<missing>");
  EXPECT_EQ(association.Executable(), "");
}

TEST(AssociationTest, AnExtensionOfAnotherFileTypeReadsAsNotAssociated) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyW(HKEY_CLASSES_ROOT, L".vd0", &key), ERROR_SUCCESS);
  RegSetValueW(key, nullptr, REG_SZ, L"OtherApp.Document", 17 * sizeof(wchar_t));
  RegCloseKey(key);
  TFileAssociation association;
  association.SetExtension("vd0");
  EXPECT_FALSE(association.ReadAssociation());
  EXPECT_EQ(association.Executable(), "");
  RegDeleteKeyW(HKEY_CLASSES_ROOT, L".vd0");
}

TEST(NamedLockTest, AMutexOwnedElsewhereIsSeenAndCannotBeTaken) {
  const std::string name = "VANDREL_TEST_LOCK_" + std::to_string(GetCurrentProcessId());
  EXPECT_FALSE(platform::IsNamedLockHeld(name));
  std::error_code ec;
  auto held = platform::NamedLock::TryAcquire(name, ec);
  ASSERT_NE(held, nullptr) << ec.message();
  EXPECT_TRUE(platform::IsNamedLockHeld(name));
  // Another thread stands for another process: a mutex is its owner's.
  std::thread([&] {
    std::error_code other_ec;
    EXPECT_EQ(platform::NamedLock::TryAcquire(name, other_ec), nullptr);
    EXPECT_FALSE(other_ec);
  }).join();
  held.reset();
  EXPECT_FALSE(platform::IsNamedLockHeld(name));
  EXPECT_EQ(platform::NamedLockLocation(name), name);
}

} // namespace
} // namespace vandrel
