// Writes the seed corpus of fuzz_identity into the folder given: generated
// PE32 and PE32+ images with version resources, an ELF image with our
// version section, and a few damaged variants. No file of another program
// is ever used as a seed.

#include <cstdio>
#include <iterator>
#include <string>

#include "shell/ImageFixtures.h"

namespace {

using vandrel::test::Bytes;

void Write(const std::string& folder, const std::string& name, const Bytes& bytes) {
  if (std::FILE* out = std::fopen((folder + "/" + name).c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
  }
}

Bytes Resource(const char* product, const char* company, const char* copyright,
               const char* file_version, const char* product_version) {
  const vandrel::VersionStringEntry strings[] = {
      {"CompanyName", company},      {"FileDescription", "Sample tool for Windows"},
      {"FileVersion", file_version}, {"InternalName", "sample"},
      {"LegalCopyright", copyright}, {"OriginalFilename", "sample.exe"},
      {"ProductName", product},      {"ProductVersion", product_version},
  };
  vandrel::VersionResourceSpec spec;
  spec.file_version_ms = (2u << 16) | 5;
  spec.file_version_ls = 0;
  spec.strings = strings;
  spec.string_count = std::size(strings);
  return vandrel::BuildVersionResource(spec);
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_identity_seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const Bytes plain = Resource("Sample x64", "Acme L.L.C.", "(c) 2019 Acme", "2.5.0.1234", "2.5");
  const Bytes llc = Resource("MPC-HC", ", LLC", "Copyright (C) 2003-2019 Acme, LLC", "1, 0", "");
  Write(folder, "pe32.exe", vandrel::test::MakePe(plain).image);
  Write(folder, "pe32plus.exe", vandrel::test::MakePe(plain, true).image);
  Write(folder, "llc.exe", vandrel::test::MakePe(llc).image);
  Write(folder, "elf.bin", vandrel::test::MakeElf(plain).image);
  vandrel::test::PeLayout cyclic = vandrel::test::MakePe(plain);
  vandrel::test::Put32(cyclic.image, cyclic.name_entry + 4, 0x80000000u);
  Write(folder, "cyclic.exe", cyclic.image);
  vandrel::test::PeLayout huge = vandrel::test::MakePe(llc, true);
  vandrel::test::Put32(huge.image, huge.data_entry + 4, 0xFFFFFFFFu);
  Write(folder, "huge.exe", huge.image);
  return 0;
}
