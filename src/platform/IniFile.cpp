#include "platform/IniFile.h"

#include "platform/AtomicFile.h"

namespace vandrel::platform {

namespace {

struct Line {
  size_t start = 0; // offset of the line in the text
  size_t end = 0;   // offset after the line's content (before CR LF)
  size_t next = 0;  // offset of the next line
};

std::vector<Line> SplitLines(const std::string& text) {
  std::vector<Line> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t newline = text.find('\n', start);
    Line line;
    line.start = start;
    line.next = newline == std::string::npos ? text.size() : newline + 1;
    line.end = newline == std::string::npos ? text.size() : newline;
    if (line.end > start && text[line.end - 1] == '\r') {
      --line.end;
    }
    lines.push_back(line);
    start = line.next;
  }
  return lines;
}

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) {
    return {};
  }
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool SameName(const std::string& a, const std::string& b) {
  return SameTextAscii(a, b);
}

enum class Kind { Other, Section, Entry };

struct Parsed {
  Kind kind = Kind::Other;
  std::string name;  // section or entry name, trimmed
  std::string value; // entry value, trimmed and unquoted
};

Parsed ParseLine(const std::string& text, const Line& line) {
  Parsed parsed;
  const std::string content = Trimmed(text.substr(line.start, line.end - line.start));
  if (content.empty() || content[0] == ';') {
    return parsed;
  }
  if (content[0] == '[') {
    const size_t close = content.find(']');
    parsed.kind = Kind::Section;
    parsed.name =
        Trimmed(content.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return parsed;
  }
  const size_t equals = content.find('=');
  if (equals == std::string::npos) {
    return parsed;
  }
  parsed.kind = Kind::Entry;
  parsed.name = Trimmed(content.substr(0, equals));
  parsed.value = Trimmed(content.substr(equals + 1));
  if (parsed.value.size() >= 2 && (parsed.value[0] == '"' || parsed.value[0] == '\'') &&
      parsed.value.back() == parsed.value[0]) {
    parsed.value = parsed.value.substr(1, parsed.value.size() - 2);
  }
  return parsed;
}

std::string ReadText(const AnsiString& file) {
  std::string text;
  if (ReadRegularFile(file, text) != ReadResult::Ok) {
    text.clear();
  }
  return text;
}

} // namespace

std::vector<AnsiString> IniSectionNamesOf(const std::string& text) {
  std::vector<AnsiString> names;
  for (const Line& line : SplitLines(text)) {
    const Parsed parsed = ParseLine(text, line);
    if (parsed.kind == Kind::Section) {
      names.push_back(parsed.name);
    }
  }
  return names;
}

std::vector<AnsiString> IniEntryNamesOf(const std::string& text, const AnsiString& section) {
  std::vector<AnsiString> names;
  bool inside = false;
  const std::string wanted = Trimmed(section);
  for (const Line& line : SplitLines(text)) {
    const Parsed parsed = ParseLine(text, line);
    if (parsed.kind == Kind::Section) {
      inside = SameName(parsed.name, wanted);
    } else if (parsed.kind == Kind::Entry && inside) {
      // An empty name is an entry too: the registry's default value.
      bool seen = false;
      for (const AnsiString& name : names) {
        seen = seen || SameName(name, parsed.name);
      }
      if (!seen) {
        names.push_back(parsed.name);
      }
    }
  }
  return names;
}

bool IniFindValue(const std::string& text, const AnsiString& section, const AnsiString& name,
                  AnsiString& value) {
  bool inside = false;
  const std::string wanted_section = Trimmed(section);
  const std::string wanted_name = Trimmed(name);
  for (const Line& line : SplitLines(text)) {
    const Parsed parsed = ParseLine(text, line);
    if (parsed.kind == Kind::Section) {
      inside = SameName(parsed.name, wanted_section);
    } else if (parsed.kind == Kind::Entry && inside && SameName(parsed.name, wanted_name)) {
      value = parsed.value;
      return true;
    }
  }
  return false;
}

std::string IniWithEntry(const std::string& text, const AnsiString& section, const AnsiString& name,
                         const AnsiString& value) {
  const std::vector<Line> lines = SplitLines(text);
  // The file's own line ends; CR LF for a new file, as Windows writes.
  const bool crlf = lines.empty() || lines[0].next != lines[0].end + 1;
  const std::string eol = crlf ? "\r\n" : "\n";
  const std::string entry = Trimmed(name) + "=" + value;
  const std::string wanted_section = Trimmed(section);
  const std::string wanted_name = Trimmed(name);
  bool inside = false;
  bool found_section = false;
  size_t insert_at = std::string::npos; // after the section's last entry
  for (const Line& line : lines) {
    const Parsed parsed = ParseLine(text, line);
    if (parsed.kind == Kind::Section) {
      if (found_section && inside) {
        break; // the first section of that name takes the entry
      }
      inside = SameName(parsed.name, wanted_section);
      if (inside) {
        found_section = true;
        insert_at = line.next;
      }
      continue;
    }
    if (!inside) {
      continue;
    }
    if (parsed.kind == Kind::Entry && SameName(parsed.name, wanted_name)) {
      return text.substr(0, line.start) + entry + text.substr(line.end);
    }
    if (line.end > line.start && !Trimmed(text.substr(line.start, line.end - line.start)).empty()) {
      insert_at = line.next; // after the section's last non-blank line
    }
  }
  std::string result = text;
  const bool ends_open = !result.empty() && result.back() != '\n';
  if (found_section) {
    if (insert_at == result.size() && ends_open) {
      result += eol;
      insert_at = result.size();
    }
    result.insert(insert_at, entry + eol);
    return result;
  }
  if (ends_open) {
    result += eol;
  }
  result += "[" + wanted_section + "]" + eol + entry + eol;
  return result;
}

std::vector<AnsiString> IniReadSectionNames(const AnsiString& file) {
  return IniSectionNamesOf(ReadText(file));
}

std::vector<AnsiString> IniReadEntryNames(const AnsiString& file, const AnsiString& section) {
  return IniEntryNamesOf(ReadText(file), section);
}

AnsiString IniReadString(const AnsiString& file, const AnsiString& section, const AnsiString& name,
                         const AnsiString& fallback) {
  AnsiString value;
  return IniFindValue(ReadText(file), section, name, value) ? value : fallback;
}

bool IniWriteString(const AnsiString& file, const AnsiString& section, const AnsiString& name,
                    const AnsiString& value) {
  // Under the file's lock: two copies ending together each add their
  // entries to what the other wrote.
  return UpdateRegularFile(file, [&](std::string& text) {
    text = IniWithEntry(text, section, name, value);
    return true;
  });
}

} // namespace vandrel::platform
