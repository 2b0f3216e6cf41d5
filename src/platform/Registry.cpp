#include "platform/Registry.h"

namespace vandrel::platform {

static_assert(static_cast<std::uint32_t>(RegistryType::String) == 1, "REG_SZ");
static_assert(static_cast<std::uint32_t>(RegistryType::ExpandString) == 2, "REG_EXPAND_SZ");
static_assert(static_cast<std::uint32_t>(RegistryType::Binary) == 3, "REG_BINARY");
static_assert(static_cast<std::uint32_t>(RegistryType::Dword) == 4, "REG_DWORD");
static_assert(static_cast<std::uint32_t>(RegistryType::MultiString) == 7, "REG_MULTI_SZ");
static_assert(static_cast<std::uint32_t>(RegistryType::Qword) == 11, "REG_QWORD");

AnsiString RegistryStatusText(RegistryStatus status) {
  switch (status) {
  case RegistryStatus::Ok:
    return "The operation completed successfully";
  case RegistryStatus::NotFound:
    return "The registry key or value does not exist";
  case RegistryStatus::WrongType:
    return "Invalid data type";
  case RegistryStatus::AccessDenied:
    return "Access denied";
  case RegistryStatus::Failed:
    break;
  }
  return "The registry could not be read or written";
}

AnsiString RegistryRootName(RegistryRoot root) {
  switch (root) {
  case RegistryRoot::CurrentUser:
    return "HKEY_CURRENT_USER";
  case RegistryRoot::LocalMachine:
    return "HKEY_LOCAL_MACHINE";
  case RegistryRoot::ClassesRoot:
    break;
  }
  return "HKEY_CLASSES_ROOT";
}

RegistryStatus RegistryKey::WriteString(const AnsiString& name, const AnsiString& text) {
  return WriteRaw(name, RegistryType::String, text);
}

RegistryStatus RegistryKey::WriteExpandString(const AnsiString& name, const AnsiString& text) {
  return WriteRaw(name, RegistryType::ExpandString, text);
}

RegistryStatus RegistryKey::WriteDword(const AnsiString& name, std::uint32_t value) {
  std::string data(4, '\0');
  for (int i = 0; i < 4; ++i) {
    data[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
  }
  return WriteRaw(name, RegistryType::Dword, data);
}

RegistryStatus RegistryKey::ReadString(const AnsiString& name, AnsiString& text) const {
  RegistryType type{};
  std::string data;
  const RegistryStatus status = ReadRaw(name, type, data);
  if (status != RegistryStatus::Ok) {
    return status;
  }
  if (type != RegistryType::String && type != RegistryType::ExpandString) {
    return RegistryStatus::WrongType;
  }
  text = std::move(data);
  return RegistryStatus::Ok;
}

RegistryStatus RegistryKey::ReadDword(const AnsiString& name, std::uint32_t& value) const {
  RegistryType type{};
  std::string data;
  const RegistryStatus status = ReadRaw(name, type, data);
  if (status != RegistryStatus::Ok) {
    return status;
  }
  if (type != RegistryType::Dword || data.size() != 4) {
    return RegistryStatus::WrongType;
  }
  value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(data[i]);
  }
  return RegistryStatus::Ok;
}

bool RegistryKey::HasValue(const AnsiString& name) const {
  RegistryType type{};
  return GetValueType(name, type) == RegistryStatus::Ok;
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept
    : root_(other.root_), path_(std::move(other.path_)), open_(other.open_),
      writable_(other.writable_), native_(other.native_) {
  other.open_ = false;
  other.native_ = 0;
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
  if (this != &other) {
    Close();
    root_ = other.root_;
    path_ = std::move(other.path_);
    open_ = other.open_;
    writable_ = other.writable_;
    native_ = other.native_;
    other.open_ = false;
    other.native_ = 0;
  }
  return *this;
}

RegistryKey::~RegistryKey() {
  Close();
}

} // namespace vandrel::platform
