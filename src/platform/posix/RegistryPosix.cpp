// Registry hives as text files. The format, one hive per root:
//
//   Vandrel registry hive 1
//   [SOFTWARE\Tolvane\Vandrel]
//   "LogMode"="1"
//   "Langue"=dword:0000040c
//   "Path"=expand:"$HOME/bin"
//   @=hex:01,02,ff
//   "List"=hex(7):61,00,00
//
// Strings escape "\", '"' and control bytes (\n, \r, \t, \xHH); other bytes
// are written as they are. Every key is written as a section of its own, so
// empty keys survive. Lines starting with ";" are comments.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/AtomicFile.h"
#include "platform/Registry.h"
#include "platform/SpecialFolders.h"

namespace vandrel::platform {

namespace {

constexpr const char* kHiveHeader = "Vandrel registry hive 1";
// The company's folder: the hives sit next to its other per-user settings.
constexpr const char* kHiveFolderName = "Tolvane";

char LowerAscii(char ch) {
  return (ch >= 'A' && ch <= 'Z') ? static_cast<char>(ch + 32) : ch;
}

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& ch : folded) {
    ch = LowerAscii(ch);
  }
  return folded;
}

struct Value {
  std::string name;
  RegistryType type = RegistryType::None;
  std::string data;
};

struct Key {
  std::string name;
  std::vector<Value> values;
  std::map<std::string, std::unique_ptr<Key>> subkeys; // by folded name

  Value* FindValue(const std::string& value_name) {
    const std::string folded = Folded(value_name);
    for (Value& value : values) {
      if (Folded(value.name) == folded) {
        return &value;
      }
    }
    return nullptr;
  }
};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  std::string current;
  for (const char ch : path) {
    if (ch == '\\') {
      if (!current.empty()) {
        parts.push_back(current);
      }
      current.clear();
    } else {
      current.push_back(ch);
    }
  }
  if (!current.empty()) {
    parts.push_back(current);
  }
  return parts;
}

bool ValidKeyName(const std::string& name) {
  for (const char ch : name) {
    if (static_cast<unsigned char>(ch) < 0x20) {
      return false;
    }
  }
  return true;
}

Key* FindKey(Key& root, const std::vector<std::string>& parts) {
  Key* key = &root;
  for (const std::string& part : parts) {
    auto it = key->subkeys.find(Folded(part));
    if (it == key->subkeys.end()) {
      return nullptr;
    }
    key = it->second.get();
  }
  return key;
}

Key* CreateKey(Key& root, const std::vector<std::string>& parts, bool& changed) {
  Key* key = &root;
  for (const std::string& part : parts) {
    auto& slot = key->subkeys[Folded(part)];
    if (!slot) {
      slot = std::make_unique<Key>();
      slot->name = part;
      changed = true;
    }
    key = slot.get();
  }
  return key;
}

// --- text form --------------------------------------------------------------

void AppendQuoted(std::string& out, const std::string& text) {
  static const char* const digits = "0123456789abcdef";
  out.push_back('"');
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '\\' || ch == '"') {
      out.push_back('\\');
      out.push_back(ch);
    } else if (ch == '\n') {
      out += "\\n";
    } else if (ch == '\r') {
      out += "\\r";
    } else if (ch == '\t') {
      out += "\\t";
    } else if (byte < 0x20 || byte == 0x7F) {
      out += "\\x";
      out.push_back(digits[byte >> 4]);
      out.push_back(digits[byte & 0xF]);
    } else {
      out.push_back(ch);
    }
  }
  out.push_back('"');
}

void AppendHex(std::string& out, const std::string& data) {
  static const char* const digits = "0123456789abcdef";
  for (size_t i = 0; i < data.size(); ++i) {
    if (i > 0) {
      out.push_back(',');
    }
    const auto byte = static_cast<unsigned char>(data[i]);
    out.push_back(digits[byte >> 4]);
    out.push_back(digits[byte & 0xF]);
  }
}

void AppendKey(std::string& out, const Key& key, const std::string& path) {
  if (!path.empty()) {
    out += "\n[" + path + "]\n";
    for (const Value& value : key.values) {
      if (value.name.empty()) {
        out.push_back('@');
      } else {
        AppendQuoted(out, value.name);
      }
      out.push_back('=');
      if (value.type == RegistryType::String) {
        AppendQuoted(out, value.data);
      } else if (value.type == RegistryType::ExpandString) {
        out += "expand:";
        AppendQuoted(out, value.data);
      } else if (value.type == RegistryType::Dword && value.data.size() == 4) {
        std::uint32_t number = 0;
        for (int i = 3; i >= 0; --i) {
          number = (number << 8) | static_cast<unsigned char>(value.data[i]);
        }
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "dword:%08x", number);
        out += buffer;
      } else if (value.type == RegistryType::Binary) {
        out += "hex:";
        AppendHex(out, value.data);
      } else {
        char buffer[24];
        std::snprintf(buffer, sizeof buffer, "hex(%x):", static_cast<unsigned>(value.type));
        out += buffer;
        AppendHex(out, value.data);
      }
      out.push_back('\n');
    }
  }
  for (const auto& [folded, child] : key.subkeys) {
    AppendKey(out, *child, path.empty() ? child->name : path + "\\" + child->name);
  }
}

std::string Serialize(const Key& root, RegistryRoot which) {
  std::string out = kHiveHeader;
  out += "\n; " + RegistryRootName(which) + " of Vandrel and the programs of Tolvane.\n";
  AppendKey(out, root, "");
  return out;
}

int HexDigit(char ch) {
  if (ch >= '0' && ch <= '9') {
    return ch - '0';
  }
  ch = LowerAscii(ch);
  if (ch >= 'a' && ch <= 'f') {
    return ch - 'a' + 10;
  }
  return -1;
}

// Reads a quoted string at pos; pos ends after the closing quote.
bool ParseQuoted(const std::string& line, size_t& pos, std::string& text) {
  if (pos >= line.size() || line[pos] != '"') {
    return false;
  }
  ++pos;
  text.clear();
  while (pos < line.size()) {
    const char ch = line[pos++];
    if (ch == '"') {
      return true;
    }
    if (ch != '\\') {
      text.push_back(ch);
      continue;
    }
    if (pos >= line.size()) {
      return false;
    }
    const char escaped = line[pos++];
    switch (escaped) {
    case '\\':
    case '"':
      text.push_back(escaped);
      break;
    case 'n':
      text.push_back('\n');
      break;
    case 'r':
      text.push_back('\r');
      break;
    case 't':
      text.push_back('\t');
      break;
    case 'x': {
      if (pos + 2 > line.size() || HexDigit(line[pos]) < 0 || HexDigit(line[pos + 1]) < 0) {
        return false;
      }
      text.push_back(static_cast<char>(HexDigit(line[pos]) * 16 + HexDigit(line[pos + 1])));
      pos += 2;
      break;
    }
    default:
      return false;
    }
  }
  return false;
}

bool ParseHexList(const std::string& text, std::string& data) {
  data.clear();
  if (text.empty()) {
    return true;
  }
  size_t pos = 0;
  for (;;) {
    if (pos + 2 > text.size() || HexDigit(text[pos]) < 0 || HexDigit(text[pos + 1]) < 0) {
      return false;
    }
    data.push_back(static_cast<char>(HexDigit(text[pos]) * 16 + HexDigit(text[pos + 1])));
    pos += 2;
    if (pos == text.size()) {
      return true;
    }
    if (text[pos] != ',') {
      return false;
    }
    ++pos;
  }
}

bool ParseValue(const std::string& line, Value& value) {
  size_t pos = 0;
  if (line[0] == '@') {
    value.name.clear();
    pos = 1;
  } else if (!ParseQuoted(line, pos, value.name)) {
    return false;
  }
  if (pos >= line.size() || line[pos] != '=') {
    return false;
  }
  ++pos;
  const std::string rest = line.substr(pos);
  if (!rest.empty() && rest[0] == '"') {
    value.type = RegistryType::String;
    size_t at = 0;
    return ParseQuoted(rest, at, value.data) && at == rest.size();
  }
  if (rest.rfind("expand:", 0) == 0) {
    value.type = RegistryType::ExpandString;
    size_t at = 7;
    return ParseQuoted(rest, at, value.data) && at == rest.size();
  }
  if (rest.rfind("dword:", 0) == 0) {
    const std::string digits = rest.substr(6);
    if (digits.empty() || digits.size() > 8) {
      return false;
    }
    std::uint32_t number = 0;
    for (const char ch : digits) {
      if (HexDigit(ch) < 0) {
        return false;
      }
      number = number * 16 + static_cast<std::uint32_t>(HexDigit(ch));
    }
    value.type = RegistryType::Dword;
    value.data.assign(4, '\0');
    for (int i = 0; i < 4; ++i) {
      value.data[i] = static_cast<char>((number >> (8 * i)) & 0xFF);
    }
    return true;
  }
  if (rest.rfind("hex:", 0) == 0) {
    value.type = RegistryType::Binary;
    return ParseHexList(rest.substr(4), value.data);
  }
  if (rest.rfind("hex(", 0) == 0) {
    const size_t close = rest.find("):");
    if (close == std::string::npos || close == 4 || close > 12) {
      return false;
    }
    std::uint32_t type = 0;
    for (size_t i = 4; i < close; ++i) {
      if (HexDigit(rest[i]) < 0) {
        return false;
      }
      type = type * 16 + static_cast<std::uint32_t>(HexDigit(rest[i]));
    }
    value.type = static_cast<RegistryType>(type);
    return ParseHexList(rest.substr(close + 2), value.data);
  }
  return false;
}

// Reads every line that can be read; returns how many could not (a line
// that is no header, section or value, a value before any section or under
// a section line that did not read). A missing header line counts as one.
int Parse(const std::string& text, Key& root) {
  int unreadable = 0;
  bool seen_header = false;
  Key* current = nullptr;
  for (const std::string& line : SplitTextLines(text)) {
    if (line.empty() || line[0] == ';') {
      continue;
    }
    if (!seen_header) {
      seen_header = true;
      if (line == kHiveHeader) {
        continue;
      }
      ++unreadable; // and the line itself may still read
    }
    if (line[0] == '[') {
      const std::vector<std::string> parts = line.back() == ']' && line.size() >= 3
                                                 ? SplitPath(line.substr(1, line.size() - 2))
                                                 : std::vector<std::string>();
      bool valid = !parts.empty();
      for (const std::string& part : parts) {
        valid = valid && ValidKeyName(part);
      }
      if (!valid) {
        // Its values cannot be placed: they must not land in the key above.
        ++unreadable;
        current = nullptr;
        continue;
      }
      bool changed = false;
      current = CreateKey(root, parts, changed);
      continue;
    }
    Value value;
    if (current == nullptr || !ParseValue(line, value)) {
      ++unreadable;
      continue;
    }
    if (Value* existing = current->FindValue(value.name)) {
      *existing = std::move(value);
    } else {
      current->values.push_back(std::move(value));
    }
  }
  return unreadable;
}

bool HoldsValues(const Key& key) {
  if (!key.values.empty()) {
    return true;
  }
  for (const auto& [folded, child] : key.subkeys) {
    if (HoldsValues(*child)) {
      return true;
    }
  }
  return false;
}

// --- hive files ---------------------------------------------------------------

std::mutex hive_mutex; // threads of this process; flock covers other processes
std::mutex report_mutex;
RegistryReportHandler report_handler;
std::vector<AnsiString> pending_reports;

void DeliverReports(std::vector<AnsiString> reports) {
  if (reports.empty()) {
    return;
  }
  RegistryReportHandler handler;
  {
    std::lock_guard guard(report_mutex);
    if (!report_handler) {
      pending_reports.insert(pending_reports.end(), reports.begin(), reports.end());
      return;
    }
    handler = report_handler;
  }
  for (const AnsiString& report : reports) {
    handler(report);
  }
}

std::string HiveFolder() {
  const std::string config = UserConfigFolder();
  return config.empty() ? std::string() : config + "/" + kHiveFolderName;
}

std::string HiveFile(RegistryRoot root) {
  return HiveFolder() + "/" + RegistryRootName(root) + ".reg";
}

bool MakeFolders(const std::string& folder) {
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) {
    return S_ISDIR(st.st_mode);
  }
  const size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash))) {
    return false;
  }
  return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DamagedName(const std::string& file) {
  const std::time_t now = std::time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string candidate = file + ".damaged-" + stamp;
  for (int n = 2; access(candidate.c_str(), F_OK) == 0; ++n) {
    candidate = file + ".damaged-" + stamp + "-" + std::to_string(n);
  }
  return candidate;
}

bool SaveHive(RegistryRoot which, const Key& root) {
  // Atomic, a regular file only, the mode of the file it replaces.
  return ReplaceRegularFile(HiveFile(which), Serialize(root, which));
}

// Loads the hive. A file with lines that do not read is kept aside under a
// new name and replaced by what did read, and the damage is reported; a
// file that cannot be kept aside is never overwritten (false).
bool LoadHive(RegistryRoot which, Key& root, std::vector<AnsiString>& reports) {
  const std::string file = HiveFile(which);
  std::string text;
  const ReadResult read = ReadRegularFile(file, text);
  if (read != ReadResult::Ok) {
    return read == ReadResult::Missing;
  }
  const int unreadable = Parse(text, root);
  if (unreadable == 0) {
    return true;
  }
  const std::string aside = DamagedName(file);
  struct stat damaged {};
  const bool mode_known = stat(file.c_str(), &damaged) == 0;
  if (rename(file.c_str(), aside.c_str()) != 0) {
    reports.push_back("Registry : damaged file " + file +
                      " could not be kept aside: " + std::strerror(errno));
    return false;
  }
  if (!HoldsValues(root) && root.subkeys.empty()) {
    reports.push_back("Registry : damaged file " + file + " kept as " + aside +
                      "; nothing in it could be read, the settings start empty");
    return true;
  }
  if (!SaveHive(which, root)) {
    const int error = errno;
    rename(aside.c_str(), file.c_str());
    reports.push_back("Registry : damaged file " + file +
                      " could not be rewritten: " + std::strerror(error));
    return false;
  }
  if (mode_known) {
    chmod(file.c_str(), damaged.st_mode & 07777); // the rewritten hive keeps its mode
  }
  reports.push_back("Registry : damaged file " + file + " kept as " + aside + "; " +
                    std::to_string(unreadable) + (unreadable == 1 ? " line" : " lines") +
                    " could not be read, every other key and value is kept");
  return true;
}

std::string LockFile(RegistryRoot which) {
  return HiveFolder() + "/" + RegistryRootName(which) + ".lock";
}

// Takes the root's lock file (made when missing). A lock file removed or
// replaced while we waited for it protects nothing: take the one there now.
int LockHive(RegistryRoot which) {
  const std::string lock_file = LockFile(which);
  for (;;) {
    const int lock =
        open(lock_file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (lock < 0) {
      return -1;
    }
    struct stat held {};
    if (fstat(lock, &held) != 0 || !S_ISREG(held.st_mode)) {
      close(lock);
      return -1;
    }
    while (flock(lock, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat now {};
    if (lstat(lock_file.c_str(), &now) == 0 && now.st_ino == held.st_ino &&
        now.st_dev == held.st_dev) {
      return lock;
    }
    close(lock);
  }
}

// Runs action on the loaded hive under the locks; saves when it reports a
// change. With modify false a missing hive folder is not created.
template <typename Action> RegistryStatus WithHive(RegistryRoot which, bool modify, Action action) {
  std::vector<AnsiString> reports;
  RegistryStatus status = RegistryStatus::Failed;
  {
    std::lock_guard guard(hive_mutex);
    const std::string folder = HiveFolder();
    struct stat st {};
    const bool folder_exists = !folder.empty() && stat(folder.c_str(), &st) == 0;
    if (folder.empty() || (!folder_exists && modify && !MakeFolders(folder))) {
      return RegistryStatus::Failed;
    }
    int lock = -1;
    if (folder_exists || modify) {
      lock = LockHive(which);
      if (lock < 0) {
        return RegistryStatus::Failed;
      }
    }
    Key root;
    if (lock < 0 || LoadHive(which, root, reports)) {
      bool changed = false;
      status = action(root, changed);
      if (changed && !SaveHive(which, root)) {
        status = RegistryStatus::Failed;
      }
    }
    if (lock >= 0) {
      close(lock); // releases the flock
    }
  }
  DeliverReports(std::move(reports));
  return status;
}

} // namespace

bool DiscardRegistryRootIfEmpty(RegistryRoot root) {
  std::vector<AnsiString> reports;
  bool discarded = false;
  {
    std::lock_guard guard(hive_mutex);
    const std::string folder = HiveFolder();
    struct stat st {};
    if (folder.empty() || stat(folder.c_str(), &st) != 0) {
      return false;
    }
    const int lock = LockHive(root);
    if (lock < 0) {
      return false;
    }
    Key hive;
    if (LoadHive(root, hive, reports) && !HoldsValues(hive)) {
      const std::string file = HiveFile(root);
      discarded =
          (unlink(file.c_str()) == 0 || errno == ENOENT) && unlink(LockFile(root).c_str()) == 0;
    }
    close(lock);
    if (discarded) {
      rmdir(folder.c_str()); // only when nothing else is kept there
    }
  }
  DeliverReports(std::move(reports));
  return discarded;
}

void SetRegistryReportHandler(RegistryReportHandler handler) {
  std::vector<AnsiString> waiting;
  {
    std::lock_guard guard(report_mutex);
    report_handler = std::move(handler);
    if (report_handler) {
      waiting.swap(pending_reports);
    }
  }
  DeliverReports(std::move(waiting));
}

RegistryStatus RegistryKey::Open(RegistryRoot root, const AnsiString& path, bool create,
                                 bool writable) {
  Close();
  const std::vector<std::string> parts = SplitPath(path);
  for (const std::string& part : parts) {
    if (!ValidKeyName(part)) {
      return RegistryStatus::Failed;
    }
  }
  std::string stored_path;
  const RegistryStatus status = WithHive(root, create, [&](Key& hive, bool& changed) {
    Key* key = create ? CreateKey(hive, parts, changed) : FindKey(hive, parts);
    return key != nullptr ? RegistryStatus::Ok : RegistryStatus::NotFound;
  });
  if (status != RegistryStatus::Ok) {
    return status;
  }
  for (const std::string& part : parts) {
    stored_path += (stored_path.empty() ? "" : "\\") + part;
  }
  root_ = root;
  path_ = stored_path;
  open_ = true;
  writable_ = writable;
  return RegistryStatus::Ok;
}

void RegistryKey::Close() {
  open_ = false;
  path_.clear();
}

std::vector<AnsiString> RegistryKey::SubkeyNames() const {
  std::vector<AnsiString> names;
  if (open_) {
    WithHive(root_, false, [&](Key& hive, bool&) {
      if (Key* key = FindKey(hive, SplitPath(path_))) {
        for (const auto& [folded, child] : key->subkeys) {
          names.push_back(child->name);
        }
      }
      return RegistryStatus::Ok;
    });
  }
  return names;
}

std::vector<AnsiString> RegistryKey::ValueNames() const {
  std::vector<AnsiString> names;
  if (open_) {
    WithHive(root_, false, [&](Key& hive, bool&) {
      if (Key* key = FindKey(hive, SplitPath(path_))) {
        for (const Value& value : key->values) {
          names.push_back(value.name);
        }
      }
      return RegistryStatus::Ok;
    });
  }
  return names;
}

RegistryStatus RegistryKey::GetValueType(const AnsiString& name, RegistryType& type) const {
  std::string ignored;
  return ReadRaw(name, type, ignored);
}

RegistryStatus RegistryKey::ReadRaw(const AnsiString& name, RegistryType& type,
                                    std::string& data) const {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  return WithHive(root_, false, [&](Key& hive, bool&) {
    Key* key = FindKey(hive, SplitPath(path_));
    Value* value = key != nullptr ? key->FindValue(name) : nullptr;
    if (value == nullptr) {
      return RegistryStatus::NotFound;
    }
    type = value->type;
    data = value->data;
    return RegistryStatus::Ok;
  });
}

RegistryStatus RegistryKey::WriteRaw(const AnsiString& name, RegistryType type,
                                     const std::string& data) {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  if (!writable_) {
    return RegistryStatus::AccessDenied;
  }
  return WithHive(root_, true, [&](Key& hive, bool& changed) {
    Key* key = FindKey(hive, SplitPath(path_));
    if (key == nullptr) {
      return RegistryStatus::NotFound;
    }
    if (Value* existing = key->FindValue(name)) {
      existing->type = type;
      existing->data = data;
    } else {
      key->values.push_back(Value{name, type, data});
    }
    changed = true;
    return RegistryStatus::Ok;
  });
}

RegistryStatus RegistryKey::DeleteValue(const AnsiString& name) {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  if (!writable_) {
    return RegistryStatus::AccessDenied;
  }
  return WithHive(root_, true, [&](Key& hive, bool& changed) {
    Key* key = FindKey(hive, SplitPath(path_));
    if (key == nullptr) {
      return RegistryStatus::NotFound;
    }
    const std::string folded = Folded(name);
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
      if (Folded(it->name) == folded) {
        key->values.erase(it);
        changed = true;
        return RegistryStatus::Ok;
      }
    }
    return RegistryStatus::NotFound;
  });
}

bool RegistryKeyExists(RegistryRoot root, const AnsiString& path) {
  const std::vector<std::string> parts = SplitPath(path);
  return WithHive(root, false, [&](Key& hive, bool&) {
           return FindKey(hive, parts) != nullptr ? RegistryStatus::Ok : RegistryStatus::NotFound;
         }) == RegistryStatus::Ok;
}

RegistryStatus DeleteRegistryKeyTree(RegistryRoot root, const AnsiString& path) {
  std::vector<std::string> parts = SplitPath(path);
  if (parts.empty()) {
    return RegistryStatus::AccessDenied;
  }
  const std::string last = parts.back();
  parts.pop_back();
  if (!RegistryKeyExists(root, path)) {
    return RegistryStatus::NotFound;
  }
  return WithHive(root, true, [&](Key& hive, bool& changed) {
    Key* parent = FindKey(hive, parts);
    if (parent == nullptr || parent->subkeys.erase(Folded(last)) == 0) {
      return RegistryStatus::NotFound;
    }
    changed = true;
    return RegistryStatus::Ok;
  });
}

} // namespace vandrel::platform
