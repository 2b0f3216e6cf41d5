#include "shell/U_MelkUtils.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "shell/Settings.h"

namespace vandrel {

AnsiString UrlEncode(const AnsiString& text) {
  static const char hex_digits[] = "0123456789ABCDEF";
  AnsiString encoded;
  encoded.reserve(text.size() * 3);
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
        (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_') {
      encoded += c;
    } else {
      // A space is "%20" like every other byte outside the safe set.
      encoded += '%';
      encoded += hex_digits[byte >> 4];
      encoded += hex_digits[byte & 0x0F];
    }
  }
  return encoded;
}

std::size_t FindText(std::string_view haystack, std::string_view needle) {
  if (needle.empty()) {
    return 0;
  }
  if (needle.size() > haystack.size()) {
    return std::string_view::npos;
  }
  const auto it = std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end(),
                              [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
  return it == haystack.end() ? std::string_view::npos
                              : static_cast<std::size_t>(it - haystack.begin());
}

bool ContainsText(std::string_view Needle, std::string_view Haystack) {
  return FindText(Haystack, Needle) != std::string_view::npos;
}

bool StartsText(std::string_view Text, std::string_view Prefix) {
  return Text.size() >= Prefix.size() && SameTextAscii(Text.substr(0, Prefix.size()), Prefix);
}

bool EndsText(std::string_view Text, std::string_view Suffix) {
  return Text.size() >= Suffix.size() &&
         SameTextAscii(Text.substr(Text.size() - Suffix.size()), Suffix);
}

bool StartsStr(std::string_view Text, std::string_view Prefix) {
  return Text.substr(0, Prefix.size()) == Prefix;
}

AnsiString StripPrefix(std::string_view Text, std::string_view Prefix) {
  return AnsiString(StartsText(Text, Prefix) ? Text.substr(Prefix.size()) : Text);
}

AnsiString StripSuffix(std::string_view Text, std::string_view Suffix) {
  return AnsiString(EndsText(Text, Suffix) ? Text.substr(0, Text.size() - Suffix.size()) : Text);
}

AnsiString LeftText(std::string_view Text, long long N) {
  const auto count = static_cast<std::size_t>(std::clamp<long long>(N, 0, Text.size()));
  return AnsiString(Text.substr(0, count));
}

AnsiString RightText(std::string_view Text, long long N) {
  const auto count = static_cast<std::size_t>(std::clamp<long long>(N, 0, Text.size()));
  return AnsiString(Text.substr(Text.size() - count));
}

AnsiString TextAfter(std::string_view Text, std::string_view Marker) {
  const std::size_t at = Text.find(Marker);
  return AnsiString(at == std::string_view::npos ? Text : Text.substr(at + Marker.size()));
}

AnsiString TextBefore(std::string_view Text, std::string_view Marker) {
  const std::size_t at = Text.find(Marker);
  return AnsiString(at == std::string_view::npos ? Text : Text.substr(0, at));
}

int FieldCount(std::string_view Text, std::string_view Separators) {
  if (Text.empty()) {
    return 0;
  }
  int count = 1;
  for (char c : Text) {
    if (Separators.find(c) != std::string_view::npos) {
      ++count;
    }
  }
  return count;
}

AnsiString FieldAt(std::string_view Text, int Index, std::string_view Separators) {
  if (Index < 0 || Text.empty()) {
    return {};
  }
  int field = 0;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= Text.size(); ++i) {
    if (i == Text.size() || Separators.find(Text[i]) != std::string_view::npos) {
      if (field == Index) {
        return AnsiString(Text.substr(start, i - start));
      }
      ++field;
      start = i + 1;
    }
  }
  return {};
}

AnsiString Trim(std::string_view Text) {
  std::size_t first = 0;
  std::size_t last = Text.size();
  while (first < last && static_cast<unsigned char>(Text[first]) <= ' ') {
    ++first;
  }
  while (last > first && static_cast<unsigned char>(Text[last - 1]) <= ' ') {
    --last;
  }
  return AnsiString(Text.substr(first, last - first));
}

AnsiString ReplaceAll(std::string_view Text, std::string_view From, std::string_view To) {
  if (From.empty()) {
    return AnsiString(Text);
  }
  AnsiString out;
  std::size_t at = 0;
  for (std::size_t found; (found = Text.find(From, at)) != std::string_view::npos;
       at = found + From.size()) {
    out.append(Text.substr(at, found - at));
    out.append(To);
  }
  out.append(Text.substr(at));
  return out;
}

AnsiString ReplaceAllText(std::string_view Text, std::string_view From, std::string_view To) {
  if (From.empty()) {
    return AnsiString(Text);
  }
  AnsiString out;
  std::size_t at = 0;
  for (;;) {
    const std::size_t found = FindText(Text.substr(at), From);
    if (found == std::string_view::npos) {
      break;
    }
    out.append(Text.substr(at, found));
    out.append(To);
    at += found + From.size();
  }
  out.append(Text.substr(at));
  return out;
}

AnsiString LowerAscii(std::string_view Text) {
  AnsiString out(Text);
  for (char& c : out) {
    c = AsciiLower(c);
  }
  return out;
}

AnsiString FileNameNoExt(std::string_view Path) {
  const std::size_t slash = Path.find_last_of("/\\");
  std::string_view name = slash == std::string_view::npos ? Path : Path.substr(slash + 1);
  const std::size_t dot = name.rfind('.');
  return AnsiString(dot == std::string_view::npos ? name : name.substr(0, dot));
}

AnsiString ExtractFilePath(std::string_view Path) {
  const std::size_t slash = Path.find_last_of("/\\");
  return slash == std::string_view::npos ? AnsiString() : AnsiString(Path.substr(0, slash + 1));
}

bool FileExistsAndNotEmpty(const AnsiString& Path) {
  SwitchWow64Redirection(true);
  const platform::FileStatus status = platform::QueryFile(DecodeNativeName(Path));
  SwitchWow64Redirection(false);
  return status.kind == platform::FileKind::Regular && status.size > 0;
}

std::int64_t GetFileSize64(const AnsiString& Path) {
  const platform::FileStatus status = platform::QueryFile(DecodeNativeName(Path));
  if (status.kind == platform::FileKind::Regular) {
    return status.size;
  }
  // What a folder search reports, for names the status call cannot read.
  platform::FindData data;
  const platform::FindHandle search = platform::FindFirst(DecodeNativeName(Path), data);
  if (search == platform::kInvalidFind) {
    return -1;
  }
  platform::FindClose(search);
  return data.size;
}

namespace {

constexpr int kMaxFindDepth = 32;
constexpr int kMaxFindEntries = 100000;

template <typename Matches>
void FindFiles(const AnsiString& folder, const Matches& matches, std::vector<AnsiString>& list,
               int depth, int& budget) {
  if (depth > kMaxFindDepth) {
    return;
  }
  AnsiString prefix = folder;
  if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') {
    prefix += static_cast<char>(platform::PathSeparator());
  }
  platform::FolderListing listing(DecodeNativeName(prefix));
  platform::FindData data;
  while (budget > 0 && listing.Next(data)) {
    --budget;
    const AnsiString name = EncodeNativeName(data.name);
    if (name == "." || name == "..") {
      continue;
    }
    const AnsiString path = prefix + name;
    if ((data.attributes & platform::kFileAttributeDirectory) != 0) {
      FindFiles(path, matches, list, depth + 1, budget);
    } else if (matches(name)) {
      list.push_back(path);
    }
  }
}

} // namespace

void FindFilesByExt(const AnsiString& Folder, std::string_view Ext, std::vector<AnsiString>& List) {
  SwitchWow64Redirection(true);
  int budget = kMaxFindEntries;
  FindFiles(
      Folder,
      [Ext](const AnsiString& name) {
        const std::size_t dot = name.rfind('.');
        return dot != AnsiString::npos && SameTextAscii(std::string_view(name).substr(dot), Ext);
      },
      List, 0, budget);
  SwitchWow64Redirection(false);
}

void FindFilesByName(const AnsiString& Folder, std::string_view Name,
                     std::vector<AnsiString>& List) {
  SwitchWow64Redirection(true);
  int budget = kMaxFindEntries;
  FindFiles(
      Folder, [Name](const AnsiString& name) { return SameTextAscii(name, Name); }, List, 0,
      budget);
  SwitchWow64Redirection(false);
}

} // namespace vandrel
