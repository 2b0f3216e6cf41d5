// Product identity: versions from the system's uninstall entries.

#include <functional>

#include "platform/Registry.h"
#include "shell/U_MelkUtils.h"
#include "update/U_TarvixFct.h"
#include "update/U_Version.h"

namespace vandrel {

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;

constexpr char kUninstallPath[] = "Microsoft\\Windows\\CurrentVersion\\Uninstall";
// A hive is the user's own file; more entries than this are not looked at.
constexpr std::size_t kMaxEntries = 20000;

struct UninstallEntry {
  AnsiString display_name;
  AnsiString display_version;
  AnsiString publisher;
};

std::vector<UninstallEntry> EntriesUnder(RegistryRoot root, const AnsiString& path) {
  std::vector<UninstallEntry> entries;
  RegistryKey key;
  if (key.Open(root, path, false, false) != RegistryStatus::Ok) {
    return entries;
  }
  std::vector<AnsiString> names = key.SubkeyNames();
  if (names.size() > kMaxEntries) {
    names.resize(kMaxEntries);
  }
  for (const AnsiString& name : names) {
    RegistryKey entry;
    if (entry.Open(root, path + "\\" + name, false, false) != RegistryStatus::Ok) {
      continue;
    }
    UninstallEntry item;
    if (entry.ReadString("DisplayName", item.display_name) != RegistryStatus::Ok) {
      continue; // only entries with a string DisplayName count
    }
    entry.ReadString("DisplayVersion", item.display_version);
    entry.ReadString("Publisher", item.publisher);
    item.display_name = Trim(LeftText(item.display_name, kMaxIdentityText));
    item.display_version = Trim(LeftText(item.display_version, kMaxIdentityText));
    entries.push_back(std::move(item));
  }
  return entries;
}

// The entries of one pass of HKEY_LOCAL_MACHINE: "SOFTWARE\" + sub-path.
using Pick = std::function<AnsiString(const std::vector<UninstallEntry>&)>;

// Runs pick on the plain pass and, where the system has one (64-bit
// Windows), on the "Wow6432Node" pass; the higher result wins.
AnsiString BothPasses(const Pick& pick) {
  AnsiString best =
      pick(EntriesUnder(RegistryRoot::LocalMachine, AnsiString("SOFTWARE\\") + kUninstallPath));
  const AnsiString wow = AnsiString("SOFTWARE\\Wow6432Node\\") + kUninstallPath;
  if (platform::RegistryKeyExists(RegistryRoot::LocalMachine, wow)) {
    const AnsiString other = pick(EntriesUnder(RegistryRoot::LocalMachine, wow));
    if (TTarvixVersion(other).IsNewerThan(TTarvixVersion(best))) {
      best = other;
    }
  }
  return best;
}

AnsiString Highest(const AnsiString& best, const AnsiString& candidate) {
  return best.empty() || TTarvixVersion(candidate).IsNewerThan(TTarvixVersion(best)) ? candidate
                                                                                     : best;
}

// The last run of digits and dots that holds a digit.
AnsiString LastVersionRun(const AnsiString& text) {
  std::size_t end = text.size();
  while (end > 0) {
    std::size_t start = end;
    bool digit = false;
    while (start > 0 &&
           ((text[start - 1] >= '0' && text[start - 1] <= '9') || text[start - 1] == '.')) {
      digit = digit || text[start - 1] != '.';
      --start;
    }
    if (digit) {
      return text.substr(start, end - start);
    }
    end = start == end ? end - 1 : start;
  }
  return {};
}

AnsiString HighestDisplayVersion(const std::function<bool(const UninstallEntry&)>& matches) {
  return BothPasses([&](const std::vector<UninstallEntry>& entries) {
    AnsiString best;
    for (const UninstallEntry& entry : entries) {
      if (matches(entry) && !entry.display_version.empty()) {
        best = Highest(best, entry.display_version);
      }
    }
    return best;
  });
}

AnsiString HighestVersionInName(const std::function<bool(const UninstallEntry&)>& matches) {
  return BothPasses([&](const std::vector<UninstallEntry>& entries) {
    AnsiString best;
    for (const UninstallEntry& entry : entries) {
      const AnsiString run = matches(entry) ? LastVersionRun(entry.display_name) : AnsiString();
      if (!run.empty()) {
        best = Highest(best, run);
      }
    }
    return best;
  });
}

bool FirstWordIs(const UninstallEntry& entry, const AnsiString& name) {
  return SameTextAscii(FieldAt(entry.display_name, 0, " -"), name);
}

} // namespace

AnsiString FindUninstallVersion(const AnsiString& Name) {
  return HighestDisplayVersion(
      [&](const UninstallEntry& entry) { return ContainsText(Name, entry.display_name); });
}

AnsiString FindUninstallVersionInName(const AnsiString& Name) {
  return HighestVersionInName(
      [&](const UninstallEntry& entry) { return ContainsText(Name, entry.display_name); });
}

AnsiString FindUninstallVersionByPrefix(const AnsiString& Name) {
  return BothPasses([&](const std::vector<UninstallEntry>& entries) {
    AnsiString last;
    for (const UninstallEntry& entry : entries) {
      if (StartsText(entry.display_name, Name)) {
        const std::size_t at = entry.display_name.find_last_of(" -");
        last =
            Trim(at == AnsiString::npos ? entry.display_name : entry.display_name.substr(at + 1));
      }
    }
    return last;
  });
}

AnsiString FindUninstallVersionByFirstWord(const AnsiString& Name) {
  return BothPasses([&](const std::vector<UninstallEntry>& entries) {
    AnsiString last;
    for (const UninstallEntry& entry : entries) {
      if (FirstWordIs(entry, Name)) {
        last = FieldAt(entry.display_name, 1, " -");
      }
    }
    return last;
  });
}

AnsiString FindUninstallVersionInNameByFirstWord(const AnsiString& Name) {
  return HighestVersionInName(
      [&](const UninstallEntry& entry) { return FirstWordIs(entry, Name); });
}

AnsiString FindUninstallVersionWith(const AnsiString& Name, const AnsiString& Also) {
  return HighestDisplayVersion([&](const UninstallEntry& entry) {
    return ContainsText(Name, entry.display_name) && ContainsText(Also, entry.display_name);
  });
}

AnsiString FindUninstallVersionWithout(const AnsiString& Name, const AnsiString& Not) {
  return HighestDisplayVersion([&](const UninstallEntry& entry) {
    return ContainsText(Name, entry.display_name) && !ContainsText(Not, entry.display_name);
  });
}

AnsiString FindCurrentUserUninstallVersion() {
  AnsiString best;
  for (const UninstallEntry& entry :
       EntriesUnder(RegistryRoot::CurrentUser, AnsiString("SOFTWARE\\") + kUninstallPath)) {
    if (SameTextAscii(entry.publisher, "Yamicsoft") &&
        ContainsText("Manager", entry.display_name) &&
        ContainsText("Windows", entry.display_name) && !entry.display_version.empty()) {
      best = Highest(best, entry.display_version);
    }
  }
  return best;
}

} // namespace vandrel
