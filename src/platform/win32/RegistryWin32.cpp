#include "platform/win32/Windows.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/Registry.h"
#include "platform/win32/Win32Text.h"

namespace vandrel::platform {

static_assert(static_cast<DWORD>(RegistryType::None) == REG_NONE);
static_assert(static_cast<DWORD>(RegistryType::String) == REG_SZ);
static_assert(static_cast<DWORD>(RegistryType::ExpandString) == REG_EXPAND_SZ);
static_assert(static_cast<DWORD>(RegistryType::Binary) == REG_BINARY);
static_assert(static_cast<DWORD>(RegistryType::Dword) == REG_DWORD);
static_assert(static_cast<DWORD>(RegistryType::DwordBigEndian) == REG_DWORD_BIG_ENDIAN);
static_assert(static_cast<DWORD>(RegistryType::Link) == REG_LINK);
static_assert(static_cast<DWORD>(RegistryType::MultiString) == REG_MULTI_SZ);
static_assert(static_cast<DWORD>(RegistryType::Qword) == REG_QWORD);

namespace {

HKEY RootKey(RegistryRoot root) {
  switch (root) {
  case RegistryRoot::CurrentUser:
    return HKEY_CURRENT_USER;
  case RegistryRoot::LocalMachine:
    return HKEY_LOCAL_MACHINE;
  case RegistryRoot::ClassesRoot:
    break;
  }
  return HKEY_CLASSES_ROOT;
}

RegistryStatus StatusOf(LONG error) {
  switch (error) {
  case ERROR_SUCCESS:
    return RegistryStatus::Ok;
  case ERROR_FILE_NOT_FOUND:
  case ERROR_PATH_NOT_FOUND:
  case ERROR_KEY_DELETED:
    return RegistryStatus::NotFound;
  case ERROR_ACCESS_DENIED:
    return RegistryStatus::AccessDenied;
  default:
    return RegistryStatus::Failed;
  }
}

AnsiString Trimmed(const AnsiString& path) {
  size_t first = 0;
  size_t last = path.size();
  while (first < last && path[first] == '\\') {
    ++first;
  }
  while (last > first && path[last - 1] == '\\') {
    --last;
  }
  return path.substr(first, last - first);
}

bool IsText(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ || type == REG_LINK;
}

// Texts are UTF-16 in the registry and UTF-8 for us; other data is bytes.
std::string FromStored(DWORD type, const std::vector<BYTE>& stored) {
  if (!IsText(type)) {
    return std::string(stored.begin(), stored.end());
  }
  std::wstring text(stored.size() / 2, L'\0');
  std::memcpy(text.data(), stored.data(), text.size() * 2);
  if (type != REG_MULTI_SZ) {
    while (!text.empty() && text.back() == L'\0') {
      text.pop_back();
    }
  }
  return win32::Utf8(text);
}

std::vector<BYTE> ToStored(DWORD type, const std::string& data) {
  if (!IsText(type)) {
    return std::vector<BYTE>(data.begin(), data.end());
  }
  std::wstring text = win32::Wide(data);
  if (type != REG_MULTI_SZ || text.empty() || text.back() != L'\0') {
    text.push_back(L'\0');
  }
  std::vector<BYTE> stored(text.size() * 2);
  std::memcpy(stored.data(), text.data(), stored.size());
  return stored;
}

std::mutex report_mutex;
RegistryReportHandler report_handler;

} // namespace

RegistryStatus RegistryKey::Open(RegistryRoot root, const AnsiString& path, bool create,
                                 bool writable) {
  Close();
  const AnsiString trimmed = Trimmed(path);
  const std::wstring name = win32::Wide(trimmed);
  const REGSAM access = writable ? KEY_READ | KEY_WRITE : KEY_READ;
  HKEY key = nullptr;
  LONG error = 0;
  if (create) {
    error = RegCreateKeyExW(RootKey(root), name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                            access, nullptr, &key, nullptr);
  } else {
    error = RegOpenKeyExW(RootKey(root), name.c_str(), 0, access, &key);
  }
  if (error != ERROR_SUCCESS) {
    return StatusOf(error);
  }
  root_ = root;
  path_ = trimmed;
  open_ = true;
  writable_ = writable;
  native_ = reinterpret_cast<std::intptr_t>(key);
  return RegistryStatus::Ok;
}

void RegistryKey::Close() {
  if (open_ && native_ != 0) {
    RegCloseKey(reinterpret_cast<HKEY>(native_));
  }
  open_ = false;
  native_ = 0;
}

std::vector<AnsiString> RegistryKey::SubkeyNames() const {
  std::vector<AnsiString> names;
  if (!open_) {
    return names;
  }
  const HKEY key = reinterpret_cast<HKEY>(native_);
  for (DWORD index = 0;; ++index) {
    wchar_t name[256];
    DWORD length = 256;
    if (RegEnumKeyExW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(win32::Utf8(std::wstring_view(name, length)));
  }
  std::sort(names.begin(), names.end(),
            [](const AnsiString& a, const AnsiString& b) { return LessTextAscii(a, b); });
  return names;
}

std::vector<AnsiString> RegistryKey::ValueNames() const {
  std::vector<AnsiString> names;
  if (!open_) {
    return names;
  }
  const HKEY key = reinterpret_cast<HKEY>(native_);
  for (DWORD index = 0;; ++index) {
    wchar_t name[16384];
    DWORD length = 16384;
    if (RegEnumValueW(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS) {
      break;
    }
    names.push_back(win32::Utf8(std::wstring_view(name, length)));
  }
  return names;
}

RegistryStatus RegistryKey::GetValueType(const AnsiString& name, RegistryType& type) const {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  DWORD stored_type = 0;
  const LONG error = RegQueryValueExW(reinterpret_cast<HKEY>(native_), win32::Wide(name).c_str(),
                                      nullptr, &stored_type, nullptr, nullptr);
  if (error == ERROR_SUCCESS) {
    type = static_cast<RegistryType>(stored_type);
  }
  return StatusOf(error);
}

RegistryStatus RegistryKey::ReadRaw(const AnsiString& name, RegistryType& type,
                                    std::string& data) const {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  const HKEY key = reinterpret_cast<HKEY>(native_);
  const std::wstring value_name = win32::Wide(name);
  // The value may grow between the two calls: ask again until it fits.
  std::vector<BYTE> stored(256);
  for (;;) {
    DWORD stored_type = 0;
    DWORD size = static_cast<DWORD>(stored.size());
    const LONG error =
        RegQueryValueExW(key, value_name.c_str(), nullptr, &stored_type, stored.data(), &size);
    if (error == ERROR_MORE_DATA) {
      stored.resize(size + 2);
      continue;
    }
    if (error != ERROR_SUCCESS) {
      return StatusOf(error);
    }
    stored.resize(size);
    type = static_cast<RegistryType>(stored_type);
    data = FromStored(stored_type, stored);
    return RegistryStatus::Ok;
  }
}

RegistryStatus RegistryKey::WriteRaw(const AnsiString& name, RegistryType type,
                                     const std::string& data) {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  if (!writable_) {
    return RegistryStatus::AccessDenied;
  }
  const std::vector<BYTE> stored = ToStored(static_cast<DWORD>(type), data);
  return StatusOf(RegSetValueExW(reinterpret_cast<HKEY>(native_), win32::Wide(name).c_str(), 0,
                                 static_cast<DWORD>(type), stored.data(),
                                 static_cast<DWORD>(stored.size())));
}

RegistryStatus RegistryKey::DeleteValue(const AnsiString& name) {
  if (!open_) {
    return RegistryStatus::NotFound;
  }
  if (!writable_) {
    return RegistryStatus::AccessDenied;
  }
  return StatusOf(RegDeleteValueW(reinterpret_cast<HKEY>(native_), win32::Wide(name).c_str()));
}

bool RegistryKeyExists(RegistryRoot root, const AnsiString& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(RootKey(root), win32::Wide(Trimmed(path)).c_str(), 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

RegistryStatus DeleteRegistryKeyTree(RegistryRoot root, const AnsiString& path) {
  const AnsiString trimmed = Trimmed(path);
  if (trimmed.empty()) {
    return RegistryStatus::AccessDenied;
  }
  const std::wstring name = win32::Wide(trimmed);
  LONG error = RegDeleteTreeW(RootKey(root), name.c_str());
  if (error == ERROR_SUCCESS) {
    // RegDeleteTree empties the key; the key itself goes here (it may
    // already be gone).
    error = RegDeleteKeyW(RootKey(root), name.c_str());
    if (error == ERROR_FILE_NOT_FOUND) {
      error = ERROR_SUCCESS;
    }
  }
  return StatusOf(error);
}

bool DiscardRegistryRootIfEmpty(RegistryRoot) {
  return false;
}

void SetRegistryReportHandler(RegistryReportHandler handler) {
  // The system's registry has no damaged files of ours to report.
  std::lock_guard lock(report_mutex);
  report_handler = std::move(handler);
}

} // namespace vandrel::platform
