#pragma once
// The file-association seam: which program the desktop starts for files of
// one extension. The values are the registry's three: what the extension
// points to (a file type name), the file type's open command and its icon.
//
// Win32 backend: the default values of HKEY_CLASSES_ROOT ".X",
// "T\shell\open\command" and "T\DefaultIcon" (T the file type name).
// POSIX backend, in the XDG folders of the user:
// - a shared-mime-info package "$XDG_DATA_HOME/mime/packages/T.xml" that
//   gives "*.X" the MIME type "application/x-X" (X in lower case);
// - a desktop entry "$XDG_DATA_HOME/applications/T.desktop" whose Exec runs
//   the command's program on the file ("%1" becomes "%f"); an icon that is
//   that program itself is written as the program's installed theme icon
//   ("Icon=vandrel", an executable holds no icon here) and reads back as
//   the program;
// - the default for that MIME type in "$XDG_CONFIG_HOME/mimeapps.list"
//   ("[Default Applications]", "application/x-X=T.desktop");
// then update-mime-database and update-desktop-database refresh the caches
// when they are installed. The extension "points to" the desktop entry
// that mimeapps.list makes the default, without ".desktop", while the
// package exists.

#include "platform/Strings.h"

namespace vandrel::platform {

struct AssociationValues {
  /// The file type the extension points to; empty when none.
  AnsiString file_type;
  /// The file type's open command in the Windows form: the program, then
  /// the "%1" placeholder for the file ("\"/opt/v/vandrel\" \"%1\"").
  AnsiString command;
  /// The file type's icon: a file name; empty when none.
  AnsiString icon;
};

class FileAssociationBackend {
public:
  virtual ~FileAssociationBackend() = default;
  /// Makes extension point to values.file_type and gives that type the
  /// command and icon; program_name is the name the desktop shows for it.
  /// Returns an empty text, or on failure what failed and on which key or
  /// file (writing stops there; what was written before stays).
  virtual AnsiString Write(const AnsiString& extension, const AssociationValues& values,
                           const AnsiString& program_name) = 0;
  /// What extension points to, and the command and icon of file_type
  /// (which need not be the one the extension points to). Missing parts
  /// read as empty; never fails.
  virtual AssociationValues Read(const AnsiString& extension, const AnsiString& file_type) = 0;
  /// Removes the extension's entry and the file type's, whoever wrote them.
  /// Never fails: what cannot be removed stays.
  virtual void Remove(const AnsiString& extension, const AnsiString& file_type) = 0;
};

/// The backend of this system.
FileAssociationBackend& SystemFileAssociationBackend();

} // namespace vandrel::platform
