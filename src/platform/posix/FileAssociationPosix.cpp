// File association on POSIX desktops: a shared-mime-info package, a desktop
// entry and the default in mimeapps.list, all in the user's XDG folders
// (see platform/FileAssociation.h).

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/FileAssociation.h"
#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"

extern char** environ;

namespace vandrel::platform {

namespace {

constexpr const char* kDefaultsGroup = "[Default Applications]";
constexpr const char* kDesktopGroup = "[Desktop Entry]";
// The theme icon installed with the program (share/icons/hicolor/*/apps/),
// as its own desktop entry names it. An executable holds no icon on Linux.
constexpr const char* kProgramIconName = "vandrel";

// The extension and the type name become file names and a MIME type: keep
// them to characters that are safe in all three.
bool IsSafeName(const AnsiString& name) {
  if (name.empty() || name.size() > 64) {
    return false;
  }
  for (const char c : name) {
    const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-' || c == '+';
    if (!ok) {
      return false;
    }
  }
  return true;
}

AnsiString Lower(AnsiString text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') {
      c = static_cast<char>(c - 'A' + 'a');
    }
  }
  return text;
}

AnsiString MimeTypeOf(const AnsiString& extension) {
  return "application/x-" + Lower(extension);
}

struct Locations {
  AnsiString package;       // mime/packages/T.xml
  AnsiString desktop_entry; // applications/T.desktop
  AnsiString desktop_id;    // T.desktop
  AnsiString mimeapps;      // $XDG_CONFIG_HOME/mimeapps.list
  AnsiString mime_folder;
  AnsiString applications_folder;
};

std::optional<Locations> LocationsFor(const AnsiString& file_type) {
  const AnsiString data = RoamingAppDataFolder();
  const AnsiString config = UserConfigFolder();
  if (data.empty() || config.empty() || !IsSafeName(file_type)) {
    return std::nullopt;
  }
  Locations l;
  l.mime_folder = data + "/mime";
  l.applications_folder = data + "/applications";
  l.package = l.mime_folder + "/packages/" + file_type + ".xml";
  l.desktop_id = file_type + ".desktop";
  l.desktop_entry = l.applications_folder + "/" + l.desktop_id;
  l.mimeapps = config + "/mimeapps.list";
  return l;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) {
      end = text.size();
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

std::string Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
    text.remove_prefix(1);
  }
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return std::string(text);
}

// The key of a "key=value" line, or nothing for other lines.
std::optional<std::string> KeyOf(const std::string& line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos || Trimmed(line).starts_with('#')) {
    return std::nullopt;
  }
  return Trimmed(std::string_view(line).substr(0, equals));
}

bool IsGroupHeader(const std::string& line) {
  return Trimmed(line).starts_with('[');
}

// A key's value in one group of a desktop-entry style file.
std::optional<std::string> FindKey(const std::string& text, const char* group,
                                   const std::string& key) {
  bool inside = false;
  for (const std::string& line : Lines(text)) {
    if (IsGroupHeader(line)) {
      inside = Trimmed(line) == group;
    } else if (inside && KeyOf(line) == key) {
      return Trimmed(std::string_view(line).substr(line.find('=') + 1));
    }
  }
  return std::nullopt;
}

// The text with key set to value in group (or removed when value is empty),
// every other line kept as it was.
std::string WithKey(const std::string& text, const char* group, const std::string& key,
                    const std::string& value) {
  std::vector<std::string> lines = Lines(text);
  std::optional<std::size_t> group_end;
  bool inside = false;
  bool done = false;
  for (std::size_t i = 0; i < lines.size();) {
    if (IsGroupHeader(lines[i])) {
      inside = Trimmed(lines[i]) == group;
      if (inside) {
        group_end = i + 1;
      }
    } else if (inside && KeyOf(lines[i]) == key) {
      if (value.empty() || done) {
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      lines[i] = key + "=" + value;
      done = true;
    } else if (inside && !Trimmed(lines[i]).empty()) {
      group_end = i + 1;
    }
    ++i;
  }
  if (!done && !value.empty()) {
    if (group_end) {
      lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*group_end), key + "=" + value);
    } else {
      if (!lines.empty() && !Trimmed(lines.back()).empty()) {
        lines.emplace_back();
      }
      lines.emplace_back(group);
      lines.push_back(key + "=" + value);
    }
  }
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += '\n';
  }
  return out;
}

// Desktop-entry string escapes (the value level, below Exec's own quoting).
std::string EscapeString(const std::string& value) {
  std::string out;
  for (const char c : value) {
    switch (c) {
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\t':
      out += "\\t";
      break;
    case '\r':
      out += "\\r";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string UnescapeString(const std::string& value) {
  std::string out;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\\' || i + 1 == value.size()) {
      out += value[i];
      continue;
    }
    const char next = value[++i];
    switch (next) {
    case 's':
      out += ' ';
      break;
    case 'n':
      out += '\n';
      break;
    case 't':
      out += '\t';
      break;
    case 'r':
      out += '\r';
      break;
    default:
      out += next;
    }
  }
  return out;
}

// The words of a command in the Windows form: blanks separate, double
// quotes group (and are dropped).
std::vector<std::string> WindowsCommandWords(const std::string& command) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < command.size()) {
    while (i < command.size() && command[i] == ' ') {
      ++i;
    }
    if (i == command.size()) {
      break;
    }
    std::string word;
    bool quoted = false;
    while (i < command.size() && (quoted || command[i] != ' ')) {
      if (command[i] == '"') {
        quoted = !quoted;
      } else {
        word += command[i];
      }
      ++i;
    }
    words.push_back(word);
  }
  return words;
}

// Exec: every word in double quotes with the four escapes the desktop entry
// format asks for, "%" doubled, and the "%1" placeholder as the %f code.
std::string ExecLineFor(const std::string& command) {
  std::string exec;
  for (const std::string& word : WindowsCommandWords(command)) {
    if (!exec.empty()) {
      exec += ' ';
    }
    if (word == "%1") {
      exec += "%f";
      continue;
    }
    exec += '"';
    for (const char c : word) {
      if (c == '"' || c == '`' || c == '$' || c == '\\') {
        exec += '\\';
      }
      exec += c;
      if (c == '%') {
        exec += '%';
      }
    }
    exec += '"';
  }
  return EscapeString(exec);
}

// The Windows-form command of an Exec value: its words, each quoted, the
// file codes as "%1".
std::string CommandOfExecLine(const std::string& value) {
  const std::string exec = UnescapeString(value);
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < exec.size()) {
    while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t')) {
      ++i;
    }
    if (i == exec.size()) {
      break;
    }
    std::string word;
    bool quoted = false, was_quoted = false;
    while (i < exec.size() && (quoted || (exec[i] != ' ' && exec[i] != '\t'))) {
      const char c = exec[i];
      if (c == '"') {
        quoted = !quoted;
        was_quoted = true;
      } else if (quoted && c == '\\' && i + 1 < exec.size()) {
        word += exec[++i];
      } else {
        word += c;
      }
      ++i;
    }
    if (!was_quoted && (word == "%f" || word == "%F" || word == "%u" || word == "%U")) {
      words.emplace_back("%1");
      continue;
    }
    std::string plain;
    for (std::size_t k = 0; k < word.size(); ++k) {
      if (word[k] == '%' && k + 1 < word.size()) {
        if (word[k + 1] == '%') {
          plain += '%';
        }
        ++k; // other field codes expand to nothing
      } else {
        plain += word[k];
      }
    }
    if (!plain.empty()) {
      words.push_back(plain);
    }
  }
  std::string command;
  for (const std::string& word : words) {
    command += (command.empty() ? "\"" : " \"") + word + "\"";
  }
  return command;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    default:
      out += c;
    }
  }
  return out;
}

std::string ReadText(const AnsiString& file) {
  std::string text;
  if (ReadWholeFile(file, text) != ReadResult::Ok) {
    text.clear();
  }
  return text;
}

// Writes a file whole (atomically), creating its folder; the failure text
// names the file and the system's reason.
AnsiString WriteText(const AnsiString& file, const std::string& text) {
  std::error_code error;
  std::filesystem::create_directories(std::filesystem::path(file).parent_path(), error);
  if (error) {
    return "Cannot create the folder of " + file + ": " + error.message();
  }
  if (!ReplaceWholeFile(file, text)) {
    return "Cannot write " + file + ": " + ErrorText(LastError());
  }
  return AnsiString();
}

// Runs a cache tool on a folder and waits for it; a tool that is not
// installed, or fails, changes nothing for us: the desktop reads the files
// themselves too, only more slowly.
void RunIfInstalled(const char* tool, const AnsiString& folder) {
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    return;
  }
  posix_spawn_file_actions_t actions;
  if (posix_spawn_file_actions_init(&actions) != 0) {
    return;
  }
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string program = tool;
  std::string argument = folder;
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t child = 0;
  const int failed = posix_spawnp(&child, tool, &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) {
    return;
  }
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
}

void RefreshCaches(const Locations& l) {
  RunIfInstalled("update-mime-database", l.mime_folder);
  RunIfInstalled("update-desktop-database", l.applications_folder);
}

class XdgFileAssociationBackend : public FileAssociationBackend {
public:
  AnsiString Write(const AnsiString& extension, const AssociationValues& values,
                   const AnsiString& program_name) override {
    const auto l = LocationsFor(values.file_type);
    if (!l || !IsSafeName(extension)) {
      return "Cannot associate the extension \"" + extension + "\" with \"" + values.file_type +
             "\": only letters, digits, \"_\", \"-\" and \"+\" are allowed";
    }
    const AnsiString mime = MimeTypeOf(extension);
    // The entry first and the default last: a failure in between leaves no
    // default that names a missing program.
    std::string entry = std::string(kDesktopGroup) + "\n";
    entry += "Type=Application\n";
    entry += "Name=" + EscapeString(program_name) + "\n";
    entry += "Exec=" + ExecLineFor(values.command) + "\n";
    const std::vector<std::string> words = WindowsCommandWords(values.command);
    if (!values.icon.empty() && !words.empty() && values.icon == words.front()) {
      entry += std::string("Icon=") + kProgramIconName + "\n";
    } else if (!values.icon.empty()) {
      entry += "Icon=" + EscapeString(values.icon) + "\n";
    }
    entry += "MimeType=" + mime + ";\n";
    entry += "NoDisplay=true\n";
    entry += "Terminal=false\n";
    if (AnsiString failure = WriteText(l->desktop_entry, entry); !failure.empty()) {
      return failure;
    }
    const std::string package =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        mime + "\">\n    <comment>" + XmlEscaped(program_name) + " file (." + extension +
        ")</comment>\n    <glob pattern=\"*." + extension + "\"/>\n  </mime-type>\n</mime-info>\n";
    if (AnsiString failure = WriteText(l->package, package); !failure.empty()) {
      return failure;
    }
    const std::string defaults =
        WithKey(ReadText(l->mimeapps), kDefaultsGroup, mime, l->desktop_id);
    if (AnsiString failure = WriteText(l->mimeapps, defaults); !failure.empty()) {
      return failure;
    }
    RefreshCaches(*l);
    return AnsiString();
  }

  AssociationValues Read(const AnsiString& extension, const AnsiString& file_type) override {
    AssociationValues values;
    const auto l = LocationsFor(file_type);
    if (!l || !IsSafeName(extension)) {
      return values;
    }
    std::error_code error;
    if (std::filesystem::exists(l->package, error)) {
      const auto target = FindKey(ReadText(l->mimeapps), kDefaultsGroup, MimeTypeOf(extension));
      if (target) {
        std::string first = Trimmed(target->substr(0, target->find(';')));
        if (first.ends_with(".desktop")) {
          first.resize(first.size() - 8);
        }
        values.file_type = first;
      }
    }
    const std::string entry = ReadText(l->desktop_entry);
    if (const auto exec = FindKey(entry, kDesktopGroup, "Exec")) {
      values.command = CommandOfExecLine(*exec);
    }
    if (const auto icon = FindKey(entry, kDesktopGroup, "Icon")) {
      values.icon = UnescapeString(*icon);
      // The program's theme icon stands for the program's own icon.
      const std::vector<std::string> words = WindowsCommandWords(values.command);
      if (values.icon == kProgramIconName && !words.empty()) {
        values.icon = words.front();
      }
    }
    return values;
  }

  void Remove(const AnsiString& extension, const AnsiString& file_type) override {
    const auto l = LocationsFor(file_type);
    if (!l || !IsSafeName(extension)) {
      return;
    }
    std::error_code ignored;
    std::filesystem::remove(l->package, ignored);
    std::filesystem::remove(l->desktop_entry, ignored);
    const std::string defaults = ReadText(l->mimeapps);
    if (FindKey(defaults, kDefaultsGroup, MimeTypeOf(extension))) {
      WriteText(l->mimeapps, WithKey(defaults, kDefaultsGroup, MimeTypeOf(extension), ""));
    }
    RefreshCaches(*l);
  }
};

} // namespace

FileAssociationBackend& SystemFileAssociationBackend() {
  static XdgFileAssociationBackend backend;
  return backend;
}

} // namespace vandrel::platform
