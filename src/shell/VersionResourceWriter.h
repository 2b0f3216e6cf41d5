#pragma once
// Builds the bytes of a version resource (the 32-bit VS_VERSIONINFO layout:
// fixed file information, one string table, the translation table) from
// plain values. Everything is constexpr so that the build can bake the
// program's own resource into a section at compile time
// (cmake/VersionResource.cmake); tests use the same code at run time to make
// fixtures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vandrel {

/// One entry of the string table: name and value, both UTF-8.
struct VersionStringEntry {
  std::string_view name;
  std::string_view value;
};

/// Everything a version resource holds. The defaults describe a program for
/// 32-bit Windows in US English with Unicode strings.
struct VersionResourceSpec {
  std::uint32_t file_version_ms = 0; ///< major << 16 | minor
  std::uint32_t file_version_ls = 0; ///< release << 16 | build
  std::uint32_t product_version_ms = 0;
  std::uint32_t product_version_ls = 0;
  std::uint32_t file_flags_mask = 0x3F;
  std::uint32_t file_flags = 0;
  std::uint32_t file_os = 0x00040004; // VOS_NT_WINDOWS32
  std::uint32_t file_type = 1;        // VFT_APP
  std::uint32_t file_subtype = 0;
  /// Language identifier in the low 16 bits, code page in the high 16 bits.
  std::uint32_t translation = 0x04B00409;
  const VersionStringEntry* strings = nullptr;
  std::size_t string_count = 0;
};

inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

namespace version_resource_detail {

constexpr void PutWord(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

constexpr void PutDword(std::vector<std::uint8_t>& out, std::uint32_t value) {
  PutWord(out, static_cast<std::uint16_t>(value & 0xFFFF));
  PutWord(out, static_cast<std::uint16_t>(value >> 16));
}

constexpr void SetWord(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t value) {
  out[at] = static_cast<std::uint8_t>(value & 0xFF);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

constexpr void Align4(std::vector<std::uint8_t>& out) {
  while (out.size() % 4 != 0) {
    out.push_back(0);
  }
}

// UTF-8 to UTF-16 code units, then a terminating zero; returns the count of
// units written including the zero. Malformed bytes become U+FFFD.
constexpr std::size_t PutText(std::vector<std::uint8_t>& out, std::string_view text) {
  std::size_t units = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::uint32_t code = 0xFFFD;
    std::size_t length = 1;
    if (lead < 0x80) {
      code = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      length = 2;
      code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
      length = 3;
      code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
      length = 4;
      code = lead & 0x07;
    }
    if (length > 1) {
      if (i + length > text.size()) {
        code = 0xFFFD;
        length = 1;
      } else {
        for (std::size_t k = 1; k < length; ++k) {
          const auto next = static_cast<unsigned char>(text[i + k]);
          if ((next & 0xC0) != 0x80) {
            code = 0xFFFD;
            length = 1;
            break;
          }
          code = (code << 6) | (next & 0x3F);
        }
      }
    }
    i += length;
    if (code >= 0x10000 && code <= 0x10FFFF) {
      code -= 0x10000;
      PutWord(out, static_cast<std::uint16_t>(0xD800 + (code >> 10)));
      PutWord(out, static_cast<std::uint16_t>(0xDC00 + (code & 0x3FF)));
      units += 2;
    } else {
      PutWord(out, static_cast<std::uint16_t>(code > 0xFFFF ? 0xFFFD : code));
      ++units;
    }
  }
  PutWord(out, 0);
  return units + 1;
}

// Opens a block: length (patched by CloseBlock), value length, type, key.
constexpr std::size_t OpenBlock(std::vector<std::uint8_t>& out, std::string_view key,
                                std::uint16_t value_length, std::uint16_t type) {
  Align4(out);
  const std::size_t start = out.size();
  PutWord(out, 0);
  PutWord(out, value_length);
  PutWord(out, type);
  PutText(out, key);
  Align4(out);
  return start;
}

constexpr void CloseBlock(std::vector<std::uint8_t>& out, std::size_t start) {
  SetWord(out, start, static_cast<std::uint16_t>(out.size() - start));
}

} // namespace version_resource_detail

/// The resource bytes for spec. Callers keep the whole below 64 KiB, the
/// format's limit for a block's length.
constexpr std::vector<std::uint8_t> BuildVersionResource(const VersionResourceSpec& spec) {
  namespace d = version_resource_detail;
  std::vector<std::uint8_t> out;
  const std::size_t root = d::OpenBlock(out, "VS_VERSION_INFO", 52, 0);
  for (std::uint32_t value :
       {kFixedFileInfoSignature, std::uint32_t{0x00010000}, spec.file_version_ms,
        spec.file_version_ls, spec.product_version_ms, spec.product_version_ls,
        spec.file_flags_mask, spec.file_flags, spec.file_os, spec.file_type, spec.file_subtype,
        std::uint32_t{0}, std::uint32_t{0}}) {
    d::PutDword(out, value);
  }

  const std::size_t string_info = d::OpenBlock(out, "StringFileInfo", 0, 1);
  constexpr char kHex[] = "0123456789ABCDEF";
  // The table's key is the language then the code page, four hex digits each.
  const std::uint32_t key_value = ((spec.translation & 0xFFFF) << 16) | (spec.translation >> 16);
  char key[8] = {};
  for (int i = 0; i < 8; ++i) {
    key[i] = kHex[(key_value >> (28 - 4 * i)) & 0xF];
  }
  const std::size_t table = d::OpenBlock(out, std::string_view(key, 8), 0, 1);
  for (std::size_t i = 0; i < spec.string_count; ++i) {
    const VersionStringEntry& entry = spec.strings[i];
    const std::size_t start = d::OpenBlock(out, entry.name, 0, 1);
    const std::size_t units = d::PutText(out, entry.value);
    d::SetWord(out, start + 2, static_cast<std::uint16_t>(units));
    d::CloseBlock(out, start);
  }
  d::CloseBlock(out, table);
  d::CloseBlock(out, string_info);

  const std::size_t var_info = d::OpenBlock(out, "VarFileInfo", 0, 1);
  const std::size_t translation = d::OpenBlock(out, "Translation", 4, 0);
  d::PutWord(out, static_cast<std::uint16_t>(spec.translation & 0xFFFF));
  d::PutWord(out, static_cast<std::uint16_t>(spec.translation >> 16));
  d::CloseBlock(out, translation);
  d::CloseBlock(out, var_info);
  d::CloseBlock(out, root);
  return out;
}

/// BuildVersionResource as a fixed-size array, for constant initialisation
/// of a section; N must be BuildVersionResource(spec).size().
template <std::size_t N>
constexpr std::array<std::uint8_t, N> VersionResourceArray(const VersionResourceSpec& spec) {
  std::array<std::uint8_t, N> bytes{};
  const std::vector<std::uint8_t> built = BuildVersionResource(spec);
  for (std::size_t i = 0; i < N && i < built.size(); ++i) {
    bytes[i] = built[i];
  }
  return bytes;
}

/// Name of the ELF section that carries our own version resource.
inline constexpr std::string_view kVersionSectionName = ".vandrel_version";

} // namespace vandrel
