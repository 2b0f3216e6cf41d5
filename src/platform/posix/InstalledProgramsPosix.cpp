#include <dirent.h>

#include <algorithm>
#include <cstdlib>
#include <set>
#include <string>

#include "platform/AtomicFile.h"
#include "platform/InstalledPrograms.h"
#include "platform/SpecialFolders.h"

namespace vandrel::platform {

namespace {

std::vector<std::string> ApplicationFolders() {
  std::vector<std::string> folders;
  const std::string data_home = RoamingAppDataFolder();
  if (!data_home.empty()) {
    folders.push_back(data_home + "/applications");
  }
  const char* dirs = std::getenv("XDG_DATA_DIRS");
  std::string list = dirs != nullptr && dirs[0] != '\0' ? dirs : "/usr/local/share:/usr/share";
  size_t start = 0;
  while (start <= list.size()) {
    size_t colon = list.find(':', start);
    if (colon == std::string::npos) {
      colon = list.size();
    }
    std::string folder = list.substr(start, colon - start);
    while (folder.size() > 1 && folder.back() == '/') {
      folder.pop_back();
    }
    if (!folder.empty() && folder[0] == '/') {
      folders.push_back(folder + "/applications");
    }
    start = colon + 1;
  }
  return folders;
}

// The keys of the "[Desktop Entry]" group.
std::map<std::string, std::string> ReadDesktopEntry(const std::string& text) {
  std::map<std::string, std::string> fields;
  bool inside = false;
  for (const std::string& line : SplitTextLines(text)) {
    if (line.empty() || line[0] == '#') {
      continue;
    }
    if (line[0] == '[') {
      inside = line == "[Desktop Entry]";
      continue;
    }
    const size_t equals = line.find('=');
    if (!inside || equals == std::string::npos) {
      continue;
    }
    std::string key = line.substr(0, equals);
    while (!key.empty() && key.back() == ' ') {
      key.pop_back();
    }
    size_t value_start = equals + 1;
    while (value_start < line.size() && line[value_start] == ' ') {
      ++value_start;
    }
    fields.emplace(key, line.substr(value_start)); // the first of a repeated key wins
  }
  return fields;
}

} // namespace

std::vector<InstalledProgram> ListInstalledPrograms() {
  std::vector<InstalledProgram> programs;
  std::set<std::string> seen;
  for (const std::string& folder : ApplicationFolders()) {
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) {
      continue;
    }
    std::vector<std::string> names;
    while (dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 8 && name.compare(name.size() - 8, 8, ".desktop") == 0) {
        names.push_back(name);
      }
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      if (!seen.insert(name).second) {
        continue;
      }
      std::string text;
      if (ReadWholeFile(folder + "/" + name, text) != ReadResult::Ok) {
        continue;
      }
      InstalledProgram program;
      program.entry_name = name.substr(0, name.size() - 8);
      program.fields = ReadDesktopEntry(text);
      auto hidden = program.fields.find("Hidden");
      if (hidden != program.fields.end() && hidden->second == "true") {
        continue;
      }
      auto display = program.fields.find("Name");
      if (display != program.fields.end()) {
        program.display_name = display->second;
        program.has_display_name = true;
      }
      programs.push_back(std::move(program));
    }
  }
  return programs;
}

} // namespace vandrel::platform
