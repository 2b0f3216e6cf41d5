#pragma once
// Small executable images made for the version-reader tests: a PE file
// with one resource section and an ELF file with our version section. Each
// builder also says where its fields are, so a test can damage one of them.

#include <cstdint>
#include <string>
#include <vector>

#include "shell/VersionResourceWriter.h"

namespace vandrel::test {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v, bool big = false) {
  if (b.size() < at + 2) {
    b.resize(at + 2);
  }
  b[at + (big ? 1 : 0)] = static_cast<std::uint8_t>(v);
  b[at + (big ? 0 : 1)] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v, bool big = false) {
  Put16(b, at + (big ? 2 : 0), v & 0xFFFF, big);
  Put16(b, at + (big ? 0 : 2), v >> 16, big);
}
inline void Put64(Bytes& b, std::size_t at, std::uint64_t v, bool big = false) {
  Put32(b, at + (big ? 4 : 0), static_cast<std::uint32_t>(v), big);
  Put32(b, at + (big ? 0 : 4), static_cast<std::uint32_t>(v >> 32), big);
}

/// The version resource of a program 4.12.0.33 with a few strings.
inline Bytes SampleVersionResource(const std::string& file_version = "4.12.0.33",
                                   std::uint32_t translation = 0x04E40409) {
  const VersionStringEntry strings[] = {
      {"CompanyName", "Éditions Test"},
      {"FileDescription", "Sample program"},
      {"FileVersion", file_version},
      {"LegalTrademarks", "Sample(TM)"},
      {"ProductName", "Sample"},
      {"ProductVersion", "(4.12)"},
      {"Comments", ""},
  };
  VersionResourceSpec spec;
  spec.file_version_ms = (4u << 16) | 12;
  spec.file_version_ls = 33;
  spec.product_version_ms = (4u << 16) | 12;
  spec.product_version_ls = 0;
  spec.file_flags = 0x2;
  spec.translation = translation;
  spec.strings = strings;
  spec.string_count = std::size(strings);
  return BuildVersionResource(spec);
}

/// Offsets of a PE fixture's fields.
struct PeLayout {
  Bytes image;
  std::size_t pe_header = 0x40;
  std::size_t section_count = 0;      ///< WORD NumberOfSections
  std::size_t resource_directory = 0; ///< RVA of the resource data directory
  std::size_t section_raw_size = 0;   ///< SizeOfRawData of .rsrc
  std::size_t rsrc = 0x200;           ///< file offset of the resource section
  std::size_t type_entry = 0;         ///< the RT_VERSION entry of the root
  std::size_t name_entry = 0;         ///< entry of the name directory
  std::size_t language_entry = 0;     ///< entry of the language directory
  std::size_t data_entry = 0;         ///< IMAGE_RESOURCE_DATA_ENTRY
  std::size_t resource = 0;           ///< the version resource's bytes
};

/// A PE32 (or PE32+) file whose .rsrc section holds resource.
inline PeLayout MakePe(const Bytes& resource, bool pe32_plus = false) {
  PeLayout l;
  Bytes& b = l.image;
  b.assign(0x200, 0);
  b[0] = 'M';
  b[1] = 'Z';
  Put32(b, 0x3C, 0x40);
  b[0x40] = 'P';
  b[0x41] = 'E';
  const std::size_t coff = 0x44;
  Put16(b, coff, pe32_plus ? 0x8664 : 0x14C);
  l.section_count = coff + 2;
  Put16(b, l.section_count, 1);
  const std::uint32_t optional_size = pe32_plus ? 240 : 224;
  Put16(b, coff + 16, optional_size);
  const std::size_t optional = coff + 20;
  Put16(b, optional, pe32_plus ? 0x20B : 0x10B);
  const std::size_t count_at = optional + (pe32_plus ? 108 : 92);
  Put32(b, count_at, 16);
  l.resource_directory = count_at + 4 + 2 * 8;
  const std::uint32_t va = 0x1000;
  Put32(b, l.resource_directory, va);
  const std::size_t section = optional + optional_size;
  for (int i = 0; i < 5; ++i) {
    b[section + i] = static_cast<std::uint8_t>(".rsrc"[i]);
  }
  // Resource tree: root, name and language directories, one entry each.
  const std::uint32_t root = 0, names = 0x18, languages = 0x30, data = 0x48, bytes = 0x58;
  Bytes r(bytes, 0);
  Put16(r, root + 14, 1);
  Put32(r, root + 16, 16);
  Put32(r, root + 20, 0x80000000u | names);
  Put16(r, names + 14, 1);
  Put32(r, names + 16, 1);
  Put32(r, names + 20, 0x80000000u | languages);
  Put16(r, languages + 14, 1);
  Put32(r, languages + 16, 0x0409);
  Put32(r, languages + 20, data);
  Put32(r, data, va + bytes);
  Put32(r, data + 4, static_cast<std::uint32_t>(resource.size()));
  r.insert(r.end(), resource.begin(), resource.end());
  while (r.size() % 0x200 != 0) {
    r.push_back(0);
  }
  Put32(b, section + 8, static_cast<std::uint32_t>(r.size()));
  Put32(b, section + 12, va);
  l.section_raw_size = section + 16;
  Put32(b, l.section_raw_size, static_cast<std::uint32_t>(r.size()));
  Put32(b, section + 20, static_cast<std::uint32_t>(l.rsrc));
  Put32(b, l.resource_directory + 4, static_cast<std::uint32_t>(r.size()));
  b.insert(b.end(), r.begin(), r.end());
  l.type_entry = l.rsrc + root + 16;
  l.name_entry = l.rsrc + names + 16;
  l.language_entry = l.rsrc + languages + 16;
  l.data_entry = l.rsrc + data;
  l.resource = l.rsrc + bytes;
  return l;
}

/// Offsets of an ELF fixture's fields.
struct ElfLayout {
  Bytes image;
  bool wide = true;
  bool big = false;
  std::size_t section_headers = 0; ///< e_shoff field
  std::size_t section_count = 0;   ///< e_shnum field
  std::size_t names_index = 0;     ///< e_shstrndx field
  std::size_t version_header = 0;  ///< the version section's header
  std::size_t resource = 0;        ///< the version resource's bytes
};

/// An ELF file (64 or 32 bits, either byte order) with a name table and a
/// version section holding resource.
inline ElfLayout MakeElf(const Bytes& resource, bool wide = true, bool big = false,
                         const std::string& section_name = ".vandrel_version") {
  ElfLayout l;
  l.wide = wide;
  l.big = big;
  Bytes& b = l.image;
  const std::size_t header = wide ? 64 : 52;
  b.assign(header, 0);
  b[0] = 0x7F;
  b[1] = 'E';
  b[2] = 'L';
  b[3] = 'F';
  b[4] = wide ? 2 : 1;
  b[5] = big ? 2 : 1;
  b[6] = 1;
  const std::string names = std::string("\0.shstrtab\0", 11) + section_name + '\0';
  const std::size_t names_at = b.size();
  b.insert(b.end(), names.begin(), names.end());
  while (b.size() % 4 != 0) {
    b.push_back(0);
  }
  l.resource = b.size();
  b.insert(b.end(), resource.begin(), resource.end());
  while (b.size() % 8 != 0) {
    b.push_back(0);
  }
  const std::size_t table = b.size();
  const std::size_t entry = wide ? 64 : 40;
  b.resize(table + 3 * entry, 0);
  auto section = [&](std::size_t index, std::uint32_t name, std::uint32_t type,
                     std::uint64_t offset, std::uint64_t size) {
    const std::size_t at = table + index * entry;
    Put32(b, at, name, big);
    Put32(b, at + 4, type, big);
    if (wide) {
      Put64(b, at + 24, offset, big);
      Put64(b, at + 32, size, big);
    } else {
      Put32(b, at + 16, static_cast<std::uint32_t>(offset), big);
      Put32(b, at + 20, static_cast<std::uint32_t>(size), big);
    }
  };
  section(1, 1, 3, names_at, names.size());
  section(2, 11, 1, l.resource, resource.size());
  l.version_header = table + 2 * entry;
  l.section_headers = wide ? 0x28 : 0x20;
  if (wide) {
    Put64(b, l.section_headers, table, big);
  } else {
    Put32(b, l.section_headers, static_cast<std::uint32_t>(table), big);
  }
  Put16(b, wide ? 0x3A : 0x2E, static_cast<std::uint32_t>(entry), big);
  l.section_count = wide ? 0x3C : 0x30;
  Put16(b, l.section_count, 3, big);
  l.names_index = wide ? 0x3E : 0x32;
  Put16(b, l.names_index, 1, big);
  return l;
}

} // namespace vandrel::test
