#include "shell/C_FileAssociation.h"

#include <algorithm>

#include "base/Exceptions.h"
#include "engine/U_UnicodeUtils.h"

namespace vandrel {

namespace {

AnsiString Trim(const AnsiString& text) {
  std::size_t start = 0;
  std::size_t end = text.size();
  while (start < end && static_cast<unsigned char>(text[start]) <= ' ') {
    ++start;
  }
  while (end > start && static_cast<unsigned char>(text[end - 1]) <= ' ') {
    --end;
  }
  return text.substr(start, end - start);
}

} // namespace

TFileAssociation::TFileAssociation(TComponent* owner, platform::FileAssociationBackend* backend)
    : TComponent(owner), backend_(backend ? *backend : platform::SystemFileAssociationBackend()) {}

void TFileAssociation::SetExtension(const AnsiString& value) {
  AnsiString extension = Trim(value);
  std::erase(extension, '.');
  extension_ = extension;
}

AnsiString TFileAssociation::Executable() {
  ReadAssociation();
  return executable_;
}

AnsiString TFileAssociation::Icon() {
  ReadAssociation();
  return icon_;
}

bool TFileAssociation::CanRegister() const {
  return !extension_.empty() && WFileExists(Utf8ToWide(executable_)) &&
         (icon_.empty() || WFileExists(Utf8ToWide(icon_)));
}

void TFileAssociation::RegisterAssociation() {
  if (!CanRegister()) {
    return;
  }
  // The quotes of the open command delimit the program: a name holding one
  // (possible on POSIX) would be stored as another program's name.
  if (executable_.find('"') != AnsiString::npos) {
    throw Exception("Cannot register " + executable_ +
                    ": a program name with a double quote cannot be stored in the open command");
  }
  const AnsiString icon = icon_.empty() ? executable_ : icon_;
  const AnsiString failure = backend_.Write(
      extension_, {FileType(), OpenCommandFor(executable_), icon}, VANDREL_PRODUCT_NAME);
  if (!failure.empty()) {
    throw Exception(failure);
  }
}

void TFileAssociation::RemoveAssociation() {
  backend_.Remove(extension_, FileType());
  ReadAssociation();
}

bool TFileAssociation::ReadAssociation() {
  const platform::AssociationValues values = backend_.Read(extension_, FileType());
  if (!extension_.empty() && values.file_type.starts_with(extension_)) {
    executable_ = ExecutableFromCommand(values.command);
    icon_ = values.icon;
    return true;
  }
  executable_.clear();
  icon_.clear();
  return false;
}

AnsiString OpenCommandFor(const AnsiString& executable) {
  return "\"" + executable + "\" \"%1\"";
}

AnsiString ExecutableFromCommand(const AnsiString& command) {
  const AnsiString text = Trim(command);
  if (text.starts_with('"')) {
    const std::size_t closing = text.find('"', 1);
    if (closing != AnsiString::npos) {
      return text.substr(1, closing - 1);
    }
  }
  const std::size_t percent = command.find('%');
  if (percent == AnsiString::npos) {
    return AnsiString();
  }
  return Trim(command.substr(0, std::min<std::size_t>(percent, 255)));
}

} // namespace vandrel
