// File association through HKEY_CLASSES_ROOT: ".X" names the file type T,
// "T\shell\open\command" and "T\DefaultIcon" hold its command and icon, each
// as the key's default value.

#include "platform/FileAssociation.h"
#include "platform/Registry.h"

namespace vandrel::platform {

namespace {

AnsiString DefaultValue(const AnsiString& path) {
  RegistryKey key;
  AnsiString value;
  if (key.Open(RegistryRoot::ClassesRoot, path, false, false) == RegistryStatus::Ok) {
    key.ReadString("", value);
  }
  return value;
}

class ClassesRootAssociation final : public FileAssociationBackend {
public:
  AnsiString Write(const AnsiString& extension, const AssociationValues& values,
                   const AnsiString&) override {
    const std::pair<AnsiString, AnsiString> writes[] = {
        {"." + extension, values.file_type},
        {values.file_type + "\\shell\\open\\command", values.command},
        {values.file_type + "\\DefaultIcon", values.icon},
    };
    for (const auto& [path, value] : writes) {
      RegistryKey key;
      RegistryStatus status = key.Open(RegistryRoot::ClassesRoot, path, true);
      if (status == RegistryStatus::Ok) {
        status = key.WriteString("", value);
      }
      if (status != RegistryStatus::Ok) {
        return "Cannot write HKEY_CLASSES_ROOT\\" + path + ": " + RegistryStatusText(status);
      }
    }
    return {};
  }

  AssociationValues Read(const AnsiString& extension, const AnsiString& file_type) override {
    AssociationValues values;
    values.file_type = DefaultValue("." + extension);
    if (!file_type.empty()) {
      values.command = DefaultValue(file_type + "\\shell\\open\\command");
      values.icon = DefaultValue(file_type + "\\DefaultIcon");
    }
    return values;
  }

  void Remove(const AnsiString& extension, const AnsiString& file_type) override {
    DeleteRegistryKeyTree(RegistryRoot::ClassesRoot, "." + extension);
    if (file_type.empty()) {
      return;
    }
    for (const char* below : {"\\shell\\open\\command", "\\shell\\open", "\\shell", ""}) {
      DeleteRegistryKeyTree(RegistryRoot::ClassesRoot, file_type + below);
    }
  }
};

} // namespace

FileAssociationBackend& SystemFileAssociationBackend() {
  static ClassesRootAssociation backend;
  return backend;
}

} // namespace vandrel::platform
