#include "shell/VersionResource.h"

#include <algorithm>
#include <cstring>

#include "platform/FileSystem.h"
#include "platform/VersionInfo.h"
#include "shell/VersionResourceWriter.h"

namespace vandrel {

namespace {

// A block's length is a 16-bit word, so no version resource is larger.
constexpr std::size_t kMaxResourceSize = 0xFFFF;
// A resource data entry claiming more than this is not a version resource.
constexpr std::uint32_t kMaxDataEntrySize = 1u << 20;
constexpr std::uint32_t kResourceTypeVersion = 16;
// Entries of one resource directory looked at.
constexpr std::uint32_t kMaxDirectoryEntries = 1024;
// Far more sections than any linker makes; bounds the work on a hostile file.
constexpr std::uint64_t kMaxSections = 1u << 16;

class Image {
public:
  Image(const ImageReader& read, std::uint64_t size) : read_(read), size_(size) {}

  std::uint64_t size() const { return size_; }

  bool Read(std::uint64_t offset, void* buffer, std::size_t count) const {
    if (offset > size_ || count > size_ - offset) {
      return false;
    }
    return read_(offset, buffer, count);
  }

  std::optional<std::uint64_t> Unsigned(std::uint64_t offset, std::size_t width,
                                        bool big_endian = false) const {
    std::uint8_t bytes[8] = {};
    if (width > sizeof bytes || !Read(offset, bytes, width)) {
      return std::nullopt;
    }
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) {
      const std::size_t index = big_endian ? i : width - 1 - i;
      value = (value << 8) | bytes[index];
    }
    return value;
  }
  std::optional<std::uint32_t> U16(std::uint64_t offset) const {
    auto value = Unsigned(offset, 2);
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
  }
  std::optional<std::uint32_t> U32(std::uint64_t offset) const {
    auto value = Unsigned(offset, 4);
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
  }

  std::optional<VersionResourceBytes> Bytes(std::uint64_t offset, std::uint64_t count) const {
    if (count == 0 || count > kMaxResourceSize + 1) {
      return std::nullopt;
    }
    VersionResourceBytes bytes(static_cast<std::size_t>(count));
    if (!Read(offset, bytes.data(), bytes.size())) {
      return std::nullopt;
    }
    return bytes;
  }

private:
  const ImageReader& read_;
  std::uint64_t size_;
};

std::size_t Align4(std::size_t offset) {
  return (offset + 3) & ~std::size_t{3};
}

std::uint16_t WordAt(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// One block of the VS_VERSIONINFO tree, with every offset checked against
// its parent's end.
struct Block {
  std::size_t end = 0;
  std::u16string key;
  std::size_t value_offset = 0;
  std::size_t value_size = 0;
  std::uint16_t stored_length = 0;
  bool is_text = false;
  std::size_t children = 0;
};

std::optional<Block> ParseBlock(std::span<const std::uint8_t> bytes, std::size_t start,
                                std::size_t limit) {
  if (limit > bytes.size() || start > limit || limit - start < 6) {
    return std::nullopt;
  }
  const std::size_t length = WordAt(bytes, start);
  if (length < 6 || length > limit - start) {
    return std::nullopt;
  }
  Block block;
  block.end = start + length;
  block.stored_length = WordAt(bytes, start + 2);
  block.is_text = WordAt(bytes, start + 4) != 0;
  std::size_t at = start + 6;
  for (;;) {
    if (block.end - at < 2) {
      return std::nullopt; // the key runs past the block
    }
    const char16_t unit = WordAt(bytes, at);
    at += 2;
    if (unit == 0) {
      break;
    }
    block.key.push_back(unit);
  }
  block.value_offset = std::min(Align4(at), block.end);
  const std::size_t wanted =
      block.is_text ? std::size_t{block.stored_length} * 2 : block.stored_length;
  // Some writers count a text value in bytes; keep whatever is in the block.
  block.value_size = std::min(wanted, block.end - block.value_offset);
  block.children = std::min(Align4(block.value_offset + block.value_size), block.end);
  return block;
}

bool KeyMatches(const std::u16string& key, std::string_view name) {
  if (key.size() != name.size()) {
    return false;
  }
  for (std::size_t i = 0; i < key.size(); ++i) {
    char16_t a = key[i];
    char16_t b = static_cast<unsigned char>(name[i]);
    if (a >= 'a' && a <= 'z') {
      a = static_cast<char16_t>(a - 'a' + 'A');
    }
    if (b >= 'a' && b <= 'z') {
      b = static_cast<char16_t>(b - 'a' + 'A');
    }
    if (a != b) {
      return false;
    }
  }
  return true;
}

std::optional<Block> FindChild(std::span<const std::uint8_t> bytes, const Block& parent,
                               std::string_view name) {
  std::size_t at = parent.children;
  while (at < parent.end && parent.end - at >= 6) {
    const auto child = ParseBlock(bytes, at, parent.end);
    if (!child) {
      return std::nullopt;
    }
    if (KeyMatches(child->key, name)) {
      return child;
    }
    at = Align4(child->end); // a block is at least 6 bytes, so this moves on
  }
  return std::nullopt;
}

std::optional<VersionResourceBytes> ValidatedResource(VersionResourceBytes bytes) {
  const auto root = ParseBlock(bytes, 0, bytes.size());
  if (!root || !KeyMatches(root->key, "VS_VERSION_INFO")) {
    return std::nullopt;
  }
  bytes.resize(root->end);
  return bytes;
}

// --- PE ---------------------------------------------------------------------

struct PeSection {
  std::uint32_t virtual_address = 0;
  std::uint32_t raw_size = 0;
  std::uint32_t raw_offset = 0;
  char name[8] = {};
};

class PeImage {
public:
  explicit PeImage(const Image& image) : image_(image) {}

  std::optional<VersionResourceBytes> VersionResource() {
    if (!ReadHeaders()) {
      return std::nullopt;
    }
    // Type directory, then the resource's name, then its language: three
    // levels and no more, so a tree whose entries point back up cannot
    // make this loop.
    const auto by_name = Entry(0, [](std::uint32_t name, std::uint32_t target) {
      return (name & 0x80000000u) == 0 && name == kResourceTypeVersion &&
             (target & 0x80000000u) != 0;
    });
    if (!by_name) {
      return std::nullopt;
    }
    const auto subdirectory = [](std::uint32_t, std::uint32_t target) {
      return (target & 0x80000000u) != 0;
    };
    const auto by_language = Entry(*by_name & 0x7FFFFFFFu, subdirectory);
    if (!by_language) {
      return std::nullopt;
    }
    const auto data_entry = Entry(*by_language & 0x7FFFFFFFu, [](std::uint32_t, std::uint32_t t) {
      return (t & 0x80000000u) == 0;
    });
    if (!data_entry) {
      return std::nullopt;
    }
    const auto data_rva = ResourceU32(*data_entry);
    const auto data_size = ResourceU32(std::uint64_t{*data_entry} + 4);
    if (!data_rva || !data_size || *data_size == 0 || *data_size > kMaxDataEntrySize) {
      return std::nullopt;
    }
    const std::uint32_t wanted = std::min<std::uint32_t>(*data_size, kMaxResourceSize);
    const auto offset = FileOffset(*data_rva, wanted);
    if (!offset) {
      return std::nullopt;
    }
    auto bytes = image_.Bytes(*offset, wanted);
    if (!bytes) {
      return std::nullopt;
    }
    return ValidatedResource(std::move(*bytes));
  }

private:
  bool ReadHeaders() {
    char mz[2] = {};
    if (!image_.Read(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z') {
      return false;
    }
    const auto pe = image_.U32(0x3C);
    char signature[4] = {};
    if (!pe || !image_.Read(*pe, signature, 4) || std::memcmp(signature, "PE\0\0", 4) != 0) {
      return false;
    }
    const std::uint64_t coff = std::uint64_t{*pe} + 4;
    const auto section_count = image_.U16(coff + 2);
    const auto optional_size = image_.U16(coff + 16);
    if (!section_count || !optional_size) {
      return false;
    }
    const std::uint64_t optional = coff + 20;
    const auto magic = image_.U16(optional);
    std::uint64_t count_at = 0;
    if (magic == 0x10B) {
      count_at = 92;
    } else if (magic == 0x20B) {
      count_at = 108;
    } else {
      return false;
    }
    const std::uint64_t sections_at = optional + *optional_size;
    for (std::uint32_t i = 0; i < *section_count; ++i) {
      std::uint8_t header[40];
      if (!image_.Read(sections_at + 40ull * i, header, sizeof header)) {
        return false;
      }
      PeSection section;
      std::memcpy(section.name, header, 8);
      auto u32 = [&](int at) {
        return static_cast<std::uint32_t>(header[at] | (header[at + 1] << 8) |
                                          (header[at + 2] << 16) |
                                          (std::uint32_t{header[at + 3]} << 24));
      };
      section.virtual_address = u32(12);
      section.raw_size = u32(16);
      section.raw_offset = u32(20);
      sections_.push_back(section);
    }
    // The resource directory entry of the optional header; a file without
    // one may still name its section ".rsrc".
    const auto directory_count = image_.U32(optional + count_at);
    const std::uint64_t directory_at = optional + count_at + 4 + 2 * 8;
    if (directory_count && *directory_count > 2 && directory_at + 8 <= sections_at) {
      if (const auto rva = image_.U32(directory_at)) {
        resource_rva_ = *rva;
      }
    }
    if (resource_rva_ == 0) {
      for (const PeSection& section : sections_) {
        if (std::memcmp(section.name, ".rsrc\0\0\0", 8) == 0) {
          resource_rva_ = section.virtual_address;
        }
      }
    }
    return resource_rva_ != 0;
  }

  // The file offset of count bytes at rva, when a section holds all of them
  // in the file (not in its zero-filled tail).
  std::optional<std::uint64_t> FileOffset(std::uint64_t rva, std::uint64_t count) const {
    for (const PeSection& section : sections_) {
      if (rva >= section.virtual_address && rva - section.virtual_address < section.raw_size &&
          count <= section.raw_size - (rva - section.virtual_address)) {
        return std::uint64_t{section.raw_offset} + (rva - section.virtual_address);
      }
    }
    return std::nullopt;
  }

  std::optional<std::uint32_t> ResourceU32(std::uint64_t relative) const {
    const auto offset = FileOffset(resource_rva_ + relative, 4);
    return offset ? image_.U32(*offset) : std::nullopt;
  }
  std::optional<std::uint32_t> ResourceU16(std::uint64_t relative) const {
    const auto offset = FileOffset(resource_rva_ + relative, 2);
    return offset ? image_.U16(*offset) : std::nullopt;
  }

  // The target of the first entry of the directory at relative that accepts.
  template <typename Accept>
  std::optional<std::uint32_t> Entry(std::uint32_t relative, Accept accept) const {
    const auto named = ResourceU16(std::uint64_t{relative} + 12);
    const auto ids = ResourceU16(std::uint64_t{relative} + 14);
    if (!named || !ids) {
      return std::nullopt;
    }
    // Each entry costs a look-up over all sections; no real directory on
    // the way to a version block is anywhere near this long.
    const std::uint32_t count = std::min<std::uint32_t>(*named + *ids, kMaxDirectoryEntries);
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::uint64_t entry = std::uint64_t{relative} + 16 + 8ull * i;
      const auto name = ResourceU32(entry);
      const auto target = ResourceU32(entry + 4);
      if (!name || !target) {
        return std::nullopt;
      }
      if (accept(*name, *target)) {
        return *target;
      }
    }
    return std::nullopt;
  }

  const Image& image_;
  std::vector<PeSection> sections_;
  std::uint32_t resource_rva_ = 0;
};

// --- ELF --------------------------------------------------------------------

std::optional<VersionResourceBytes> ElfVersionResource(const Image& image) {
  std::uint8_t ident[16] = {};
  if (!image.Read(0, ident, sizeof ident) || std::memcmp(ident,
                                                         "\x7F"
                                                         "ELF",
                                                         4) != 0) {
    return std::nullopt;
  }
  const bool wide = ident[4] == 2;
  if ((ident[4] != 1 && ident[4] != 2) || (ident[5] != 1 && ident[5] != 2)) {
    return std::nullopt;
  }
  const bool big = ident[5] == 2;
  const std::size_t word = wide ? 8 : 4;
  auto field = [&](std::uint64_t at, std::size_t width) { return image.Unsigned(at, width, big); };

  const auto table = field(wide ? 0x28 : 0x20, word);
  const auto entry_size = field(wide ? 0x3A : 0x2E, 2);
  auto count = field(wide ? 0x3C : 0x30, 2);
  auto names_index = field(wide ? 0x3E : 0x32, 2);
  const std::uint64_t minimum_entry = wide ? 64 : 40;
  if (!table || !entry_size || !count || !names_index || *table == 0 ||
      *entry_size < minimum_entry) {
    return std::nullopt;
  }
  struct Section {
    std::uint64_t name = 0, type = 0, offset = 0, size = 0, link = 0;
  };
  auto section = [&](std::uint64_t index) -> std::optional<Section> {
    const std::uint64_t at = *table + index * *entry_size;
    const auto name = field(at, 4);
    const auto type = field(at + 4, 4);
    const auto offset = field(at + (wide ? 24 : 16), word);
    const auto size = field(at + (wide ? 32 : 20), word);
    const auto link = field(at + (wide ? 40 : 24), 4);
    if (!name || !type || !offset || !size || !link) {
      return std::nullopt;
    }
    return Section{*name, *type, *offset, *size, *link};
  };
  // Many sections: the real count and name-table index live in section 0.
  if (*count == 0 || *names_index == 0xFFFF) {
    const auto first = section(0);
    if (!first) {
      return std::nullopt;
    }
    if (*count == 0) {
      count = first->size;
    }
    if (*names_index == 0xFFFF) {
      names_index = first->link;
    }
  }
  if (*count > kMaxSections || *names_index >= *count ||
      *count * *entry_size > image.size() - std::min(image.size(), *table)) {
    return std::nullopt;
  }
  const auto names = section(*names_index);
  if (!names) {
    return std::nullopt;
  }
  constexpr std::uint64_t kNoBits = 8;
  const std::string_view wanted = kVersionSectionName;
  for (std::uint64_t i = 0; i < *count; ++i) {
    const auto candidate = section(i);
    if (!candidate) {
      return std::nullopt;
    }
    // Compare the name with its terminating zero, inside the name table.
    if (candidate->name >= names->size || names->size - candidate->name < wanted.size() + 1) {
      continue;
    }
    char name[64] = {};
    if (!image.Read(names->offset + candidate->name, name, wanted.size() + 1) ||
        std::string_view(name, wanted.size() + 1) !=
            std::string_view(wanted.data(), wanted.size() + 1)) {
      continue;
    }
    if (candidate->type == kNoBits || candidate->size == 0 ||
        candidate->size > kMaxResourceSize + 1) {
      return std::nullopt;
    }
    auto bytes = image.Bytes(candidate->offset, candidate->size);
    return bytes ? ValidatedResource(std::move(*bytes)) : std::nullopt;
  }
  return std::nullopt;
}

} // namespace

std::optional<VersionResourceBytes> ExtractVersionResource(const ImageReader& read,
                                                           std::uint64_t size) {
  const Image image(read, size);
  char magic[4] = {};
  if (!image.Read(0, magic, 4)) {
    return std::nullopt;
  }
  if (magic[0] == 'M' && magic[1] == 'Z') {
    return PeImage(image).VersionResource();
  }
  return ElfVersionResource(image);
}

std::optional<VersionResourceBytes> ExtractVersionResource(std::span<const std::uint8_t> image) {
  const ImageReader read = [image](std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset > image.size() || count > image.size() - offset) {
      return false;
    }
    std::memcpy(buffer, image.data() + offset, count);
    return true;
  };
  return ExtractVersionResource(read, image.size());
}

namespace {

// Runs examine on a bounded reader of the file; nothing when it cannot be
// opened or is empty.
template <typename Result, typename Examine>
std::optional<Result> ExamineFile(const WideString& file_name, const Examine& examine) {
  using namespace platform;
  const ScopedFile file(
      CreateFile(file_name, kGenericRead, kFileShareRead | kFileShareWrite, kOpenExisting, 0));
  if (!file.IsValid()) {
    return std::nullopt;
  }
  const std::int64_t size = SeekFile(file.Get(), 0, SeekOrigin::End);
  if (size <= 0) {
    return std::nullopt;
  }
  const ImageReader read = [&file](std::uint64_t offset, void* buffer, std::size_t count) {
    if (SeekFile(file.Get(), static_cast<std::int64_t>(offset), SeekOrigin::Begin) !=
        static_cast<std::int64_t>(offset)) {
      return false;
    }
    auto* into = static_cast<std::uint8_t*>(buffer);
    while (count > 0) {
      const std::int64_t got =
          platform::ReadFile(file.Get(), into, static_cast<std::int64_t>(count));
      if (got <= 0) {
        return false;
      }
      into += got;
      count -= static_cast<std::size_t>(got);
    }
    return true;
  };
  return examine(read, static_cast<std::uint64_t>(size));
}

} // namespace

std::optional<VersionResourceBytes> ReadVersionResource(const WideString& file_name) {
  // The system's reader where there is one; it knows every image it loads.
  if (auto system = platform::SystemFileVersionInfo(file_name)) {
    if (auto resource = ValidatedResource(std::move(*system))) {
      return resource;
    }
  }
  return ExamineFile<VersionResourceBytes>(file_name,
                                           [](const ImageReader& read, std::uint64_t size) {
                                             return ExtractVersionResource(read, size);
                                           });
}

std::optional<PeKind> ProbePeImage(const ImageReader& read, std::uint64_t size) {
  const Image image(read, size);
  char mz[2] = {};
  const auto pe = image.U32(0x3C);
  char signature[4] = {};
  if (!image.Read(0, mz, 2) || mz[0] != 'M' || mz[1] != 'Z' || !pe ||
      !image.Read(*pe, signature, 4) || std::memcmp(signature, "PE\0\0", 4) != 0) {
    return std::nullopt;
  }
  // The optional header's magic follows the 20-byte file header.
  const auto magic = image.U16(std::uint64_t{*pe} + 24);
  return PeKind{magic && *magic == 0x20B};
}

std::optional<PeKind> ReadPeKind(const WideString& file_name) {
  return ExamineFile<PeKind>(file_name, [](const ImageReader& read, std::uint64_t size) {
    return ProbePeImage(read, size);
  });
}

std::uint32_t WGetFileVersionInfoSize(const WideString& file_name) {
  const auto resource = ReadVersionResource(file_name);
  return resource ? static_cast<std::uint32_t>(resource->size()) : 0;
}

bool WGetFileVersionInfo(const WideString& file_name, std::uint32_t length, void* data) {
  const auto resource = ReadVersionResource(file_name);
  if (!resource || data == nullptr) {
    return false;
  }
  std::memcpy(data, resource->data(), std::min<std::size_t>(length, resource->size()));
  return true;
}

std::optional<VersionValue> VerQueryValue(std::span<const std::uint8_t> resource,
                                          std::string_view path) {
  auto block = ParseBlock(resource, 0, resource.size());
  while (block && !path.empty()) {
    while (!path.empty() && path.front() == '\\') {
      path.remove_prefix(1);
    }
    if (path.empty()) {
      break;
    }
    const std::size_t separator = path.find('\\');
    block = FindChild(resource, *block, path.substr(0, separator));
    path = separator == std::string_view::npos ? std::string_view() : path.substr(separator);
  }
  if (!block) {
    return std::nullopt;
  }
  return VersionValue{resource.subspan(block->value_offset, block->value_size), block->is_text,
                      block->stored_length};
}

std::optional<TFixedFileInfo> QueryFixedFileInfo(std::span<const std::uint8_t> resource) {
  const auto value = VerQueryValue(resource, "\\");
  if (!value || value->bytes.size() < 52) {
    return std::nullopt;
  }
  std::uint32_t words[13];
  for (int i = 0; i < 13; ++i) {
    const std::size_t at = 4 * static_cast<std::size_t>(i);
    words[i] = static_cast<std::uint32_t>(WordAt(value->bytes, at)) |
               (static_cast<std::uint32_t>(WordAt(value->bytes, at + 2)) << 16);
  }
  if (words[0] != kFixedFileInfoSignature) {
    return std::nullopt;
  }
  return TFixedFileInfo{words[0], words[1], words[2], words[3],  words[4],  words[5], words[6],
                        words[7], words[8], words[9], words[10], words[11], words[12]};
}

std::optional<std::vector<std::uint32_t>>
QueryTranslations(std::span<const std::uint8_t> resource) {
  const auto value = VerQueryValue(resource, "\\VarFileInfo\\Translation");
  if (!value) {
    return std::nullopt;
  }
  std::vector<std::uint32_t> entries;
  for (std::size_t at = 0; at + 4 <= value->bytes.size(); at += 4) {
    entries.push_back(static_cast<std::uint32_t>(WordAt(value->bytes, at)) |
                      (static_cast<std::uint32_t>(WordAt(value->bytes, at + 2)) << 16));
  }
  return entries;
}

std::optional<AnsiString> QueryVersionString(std::span<const std::uint8_t> resource,
                                             std::string_view path) {
  const auto value = VerQueryValue(resource, path);
  if (!value || value->stored_length == 0) {
    return std::nullopt;
  }
  std::u16string text;
  for (std::size_t at = 0; at + 2 <= value->bytes.size(); at += 2) {
    const char16_t unit = WordAt(value->bytes, at);
    if (unit == 0) {
      break;
    }
    text.push_back(unit);
  }
  return WideToUtf8(text);
}

} // namespace vandrel
