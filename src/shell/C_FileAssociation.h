#pragma once
// The file-association component: makes the desktop open files of one
// extension with the program, and reads back or removes that association,
// through the platform's backend (registry keys on Windows, XDG files on
// Linux; platform/FileAssociation.h). The program changes the association
// only when asked to ("register" / "unregister" on the command line).

#include "base/Component.h"
#include "platform/FileAssociation.h"
#include "platform/Strings.h"

namespace vandrel {

// The properties are C++ accessors, not published by name: nothing reads
// them through the component tree.
class TFileAssociation : public TComponent {
public:
  /// Creates the component, owned by owner, working on backend (the
  /// system's when null; tests pass their own).
  explicit TFileAssociation(TComponent* owner = nullptr,
                            platform::FileAssociationBackend* backend = nullptr);

  /// The extension without a dot.
  const AnsiString& Extension() const { return extension_; }
  /// Trims leading and trailing blanks and removes every "." (" .vd0 " gives
  /// vd0).
  void SetExtension(const AnsiString& value);
  /// The associated program as the system holds it now: runs
  /// ReadAssociation() first (empty when the extension is not associated).
  AnsiString Executable();
  /// Stores the program to register; only stored.
  void SetExecutable(const AnsiString& value) { executable_ = value; }
  /// The icon file as the system holds it now (runs ReadAssociation()).
  AnsiString Icon();
  /// Stores the icon file to register; empty means the executable.
  void SetIcon(const AnsiString& value) { icon_ = value; }
  /// Stored only; nothing uses it.
  int IconCount() const { return icon_count_; }
  void SetIconCount(int value) { icon_count_ = value; }

  /// True when Extension is not empty, the stored Executable is an existing
  /// file and the stored Icon is empty or an existing file.
  bool CanRegister() const;
  /// When CanRegister(): points the extension to the file type Extension +
  /// "_file", whose open command is OpenCommandFor(Executable) and whose icon
  /// is Icon (or Executable). Otherwise does nothing. Raises Exception with
  /// the backend's reason when a write fails (what was written before
  /// stays), and before writing anything when the program's name holds a
  /// double quote, which the quoted command cannot carry.
  void RegisterAssociation();
  /// Removes the extension's association, whoever wrote it, then
  /// ReadAssociation(). Never fails.
  void RemoveAssociation();
  /// Reads the association back into Executable and Icon; true when the
  /// extension points to a file type whose name begins with Extension (case
  /// counts). Otherwise empties both and returns false.
  bool ReadAssociation();

private:
  AnsiString FileType() const { return extension_ + "_file"; }

  platform::FileAssociationBackend& backend_;
  AnsiString extension_;
  AnsiString executable_;
  AnsiString icon_;
  int icon_count_ = 0;
};

/// The open command stored for a program: the program and the "%1"
/// placeholder, each in double quotes, so that folders and files with
/// blanks open ("\"/opt/my apps/vandrel\" \"%1\"").
AnsiString OpenCommandFor(const AnsiString& executable);
/// The program named by a stored open command: the text inside the leading
/// quotes of a quoted command; for an unquoted one the text before its
/// first "%" (at most 255 characters, nothing without a "%"), trimmed.
AnsiString ExecutableFromCommand(const AnsiString& command);

} // namespace vandrel
