#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "shell/ImageFixtures.h"
#include "shell/U_SystemProbes.h"
#include "shell/VersionResource.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

using test::Bytes;

std::string AsString(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(VersionResourceTest, QueriesFixedInformationTranslationsAndStrings) {
  const Bytes resource = test::SampleVersionResource();
  const auto fixed = QueryFixedFileInfo(resource);
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->dwSignature, kFixedFileInfoSignature);
  EXPECT_EQ(fixed->dwFileVersionMS, (4u << 16) | 12);
  EXPECT_EQ(fixed->dwFileVersionLS, 33u);
  EXPECT_EQ(fixed->dwFileFlags, 2u);

  const auto translations = QueryTranslations(resource);
  ASSERT_TRUE(translations);
  EXPECT_EQ(*translations, std::vector<std::uint32_t>{0x04E40409});

  EXPECT_EQ(QueryVersionString(resource, "\\StringFileInfo\\040904E4\\CompanyName"),
            "Éditions Test");
  // Block names compare without regard to case; the leading "\" is optional.
  EXPECT_EQ(QueryVersionString(resource, "stringfileinfo\\040904e4\\productname"), "Sample");
  EXPECT_EQ(QueryVersionString(resource, "\\StringFileInfo\\040904E4\\Comments"), "");
  EXPECT_FALSE(QueryVersionString(resource, "\\StringFileInfo\\040904E4\\InternalName"));
  EXPECT_FALSE(QueryVersionString(resource, "\\StringFileInfo\\04090000\\ProductName"));
}

TEST(VersionResourceTest, FindsTheResourceInPeAndElfImages) {
  const Bytes resource = test::SampleVersionResource();
  const std::pair<const char*, Bytes> images[] = {
      {"PE32", test::MakePe(resource).image},
      {"PE32+", test::MakePe(resource, true).image},
      {"ELF64 little-endian", test::MakeElf(resource).image},
      {"ELF32 big-endian", test::MakeElf(resource, false, true).image},
  };
  test::TempDir dir;
  for (const auto& [kind, image] : images) {
    SCOPED_TRACE(kind);
    EXPECT_EQ(ExtractVersionResource(image), resource);
    const WideString file = dir.WFile(std::string(kind) + " program.exe");
    test::WriteFile(dir.File(std::string(kind) + " program.exe"), AsString(image));
    EXPECT_EQ(WGetFileVersionInfoSize(file), resource.size());
    Bytes copy(resource.size());
    EXPECT_TRUE(WGetFileVersionInfo(file, static_cast<std::uint32_t>(copy.size()), copy.data()));
    EXPECT_EQ(copy, resource);
    EXPECT_EQ(GetFileVersionText(file), u"4.12.0.33");
  }
}

TEST(VersionResourceTest, ElfWithoutOurSectionHasNoVersion) {
  const auto elf = test::MakeElf(test::SampleVersionResource(), true, false, ".rodata");
  EXPECT_FALSE(ExtractVersionResource(elf.image));
}

struct Damage {
  const char* what;
  std::function<void(test::PeLayout&)> pe;
  std::function<void(test::ElfLayout&)> elf;
};

TEST(VersionResourceTest, DamagedImagesHaveNoVersionInformation) {
  using test::Put16;
  using test::Put32;
  using test::Put64;
  const Damage damages[] = {
      {"PE cut inside the resource", [](auto& l) { l.image.resize(l.resource + 20); }, nullptr},
      {"PE header offset past the end", [](auto& l) { Put32(l.image, 0x3C, 0x7FFFFFF0); }, nullptr},
      {"PE section table past the end", [](auto& l) { Put16(l.image, l.section_count, 0xFFFF); },
       nullptr},
      {"PE section data past the end of the file",
       [](auto& l) { Put32(l.image, l.section_raw_size + 4, 0x7FFFFFF0); }, nullptr},
      {"PE resource directory outside every section",
       [](auto& l) { Put32(l.image, l.resource_directory, 0x90000000); }, nullptr},
      {"PE directory claiming 65535 entries, none of them a version",
       [](auto& l) {
         Put32(l.image, l.type_entry, 3);
         Put16(l.image, l.rsrc + 14, 0xFFFF);
       },
       nullptr},
      {"PE name directory pointing back at the root",
       [](auto& l) { Put32(l.image, l.name_entry + 4, 0x80000000u); }, nullptr},
      {"PE language directory pointing at itself",
       [](auto& l) { Put32(l.image, l.language_entry + 4, 0x80000030u); }, nullptr},
      {"PE version type entry is data, not a directory",
       [](auto& l) { Put32(l.image, l.type_entry + 4, 0x48); }, nullptr},
      {"PE data entry of 4 GiB", [](auto& l) { Put32(l.image, l.data_entry + 4, 0xFFFFFFFF); },
       nullptr},
      {"PE data outside the section", [](auto& l) { Put32(l.image, l.data_entry, 0x1000 + 0x1F0); },
       nullptr},
      {"PE block longer than the data", [](auto& l) { Put16(l.image, l.resource, 0xFFF0); },
       nullptr},
      {"PE block shorter than its header", [](auto& l) { Put16(l.image, l.resource, 4); }, nullptr},
      {"PE root key is not VS_VERSION_INFO", [](auto& l) { l.image[l.resource + 6] = 'X'; },
       nullptr},
      {"ELF cut before the section headers", nullptr,
       [](auto& l) { l.image.resize(l.version_header); }},
      {"ELF section headers past the end", nullptr,
       [](auto& l) { Put64(l.image, l.section_headers, 1ull << 40); }},
      {"ELF section count beyond the file", nullptr,
       [](auto& l) { Put16(l.image, l.section_count, 0xFFFE); }},
      {"ELF extended section count of 2^40", nullptr,
       [](auto& l) {
         Put16(l.image, l.section_count, 0);
         const std::size_t table = l.version_header - 2 * 64;
         Put64(l.image, table + 32, 1ull << 40);
       }},
      {"ELF name table index out of range", nullptr,
       [](auto& l) { Put16(l.image, l.names_index, 7); }},
      {"ELF section name outside the name table", nullptr,
       [](auto& l) { Put32(l.image, l.version_header, 0x7FFFFFFF); }},
      {"ELF version section past the end", nullptr,
       [](auto& l) { Put64(l.image, l.version_header + 24, 1ull << 33); }},
      {"ELF version section of 4 GiB", nullptr,
       [](auto& l) { Put64(l.image, l.version_header + 32, 0xFFFFFFFFull); }},
      {"ELF version section without bytes (NOBITS)", nullptr,
       [](auto& l) { Put32(l.image, l.version_header + 4, 8); }},
      {"ELF block longer than the section", nullptr,
       [](auto& l) { Put16(l.image, l.resource, 0x8000); }},
  };
  const Bytes resource = test::SampleVersionResource();
  test::TempDir dir;
  for (const Damage& damage : damages) {
    SCOPED_TRACE(damage.what);
    Bytes image;
    if (damage.pe) {
      auto layout = test::MakePe(resource);
      ASSERT_EQ(ExtractVersionResource(layout.image), resource);
      damage.pe(layout);
      image = layout.image;
    } else {
      auto layout = test::MakeElf(resource);
      ASSERT_EQ(ExtractVersionResource(layout.image), resource);
      damage.elf(layout);
      image = layout.image;
    }
    EXPECT_FALSE(ExtractVersionResource(image));
    test::WriteFile(dir.File("damaged.exe"), AsString(image));
    EXPECT_EQ(WGetFileVersionInfoSize(dir.WFile("damaged.exe")), 0u);
    EXPECT_EQ(GetFileVersionText(dir.WFile("damaged.exe")), u"");
  }
}

TEST(VersionResourceTest, DamagedBlocksGiveNoValue) {
  Bytes resource = test::SampleVersionResource();
  Bytes bad_signature = resource;
  bad_signature[40] ^= 0xFF; // inside the fixed information's signature
  EXPECT_FALSE(QueryFixedFileInfo(bad_signature));

  // A child whose length runs past its parent ends the walk.
  Bytes bad_child = resource;
  const std::size_t string_info = 40 + 52; // after the root's header and fixed information
  test::Put16(bad_child, string_info, 0xFFFF);
  EXPECT_FALSE(QueryVersionString(bad_child, "\\StringFileInfo\\040904E4\\ProductName"));
  EXPECT_TRUE(QueryTranslations(bad_child) == std::nullopt);

  EXPECT_FALSE(QueryFixedFileInfo(Bytes{}));
  EXPECT_FALSE(VerQueryValue(Bytes{6, 0, 0, 0, 0, 0}, "\\"));
}

// Every truncation and every single-byte corruption of the fixtures must
// read as a resource or as none, never crash (the suite also runs under
// AddressSanitizer).
TEST(VersionResourceTest, SurvivesEveryTruncationAndByteCorruption) {
  const Bytes resource = test::SampleVersionResource();
  for (const Bytes& image : {test::MakePe(resource).image, test::MakeElf(resource).image}) {
    for (std::size_t length = 0; length < image.size(); ++length) {
      const Bytes cut(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length));
      const auto found = ExtractVersionResource(cut);
      if (found) {
        EXPECT_EQ(*found, resource) << "cut at " << length;
      }
    }
    for (std::size_t at = 0; at < image.size(); ++at) {
      Bytes corrupt = image;
      corrupt[at] ^= 0xA5;
      if (const auto found = ExtractVersionResource(corrupt)) {
        EXPECT_LE(found->size(), 0xFFFFu);
        (void)QueryFixedFileInfo(*found);
        (void)QueryTranslations(*found);
        (void)QueryVersionString(*found, "\\StringFileInfo\\040904E4\\ProductName");
      }
    }
  }
}

TEST(VersionResourceTest, CommandLineToolCarriesTheProjectVersion) {
  const char* cli = std::getenv("VANDREL_CLI");
  ASSERT_NE(cli, nullptr);
  EXPECT_EQ(WideToUtf8(GetFileVersionText(W(cli))), VANDREL_VERSION_TEXT);

  const std::string command = std::string("'") + cli + "' --version";
  std::FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[256] = {};
  ASSERT_NE(std::fgets(line, sizeof line, pipe), nullptr);
  EXPECT_EQ(pclose(pipe), 0);
  EXPECT_EQ(std::string(line),
            std::string("vandrel-cli (" VANDREL_PRODUCT_NAME ") " VANDREL_VERSION_TEXT "\n"));
}

} // namespace
} // namespace vandrel
