#pragma once
// What the window and the command line check and do before a split or a
// join, written once: the source and folder checks, the parts of an earlier
// split, and the whole-set check that a join makes before it writes.
//
// Every name the user gave is literal. The only wildcard is the program's
// own ".vd*": the folder is listed and names are compared as text.

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

/// A folder as the user typed it, made canonical: runs of separators become
/// one and a final separator goes, but the root folder stays "/" (Windows:
/// "X:\" stays a bare drive). An empty text stays empty.
WideString NormalizeFolder(const WideString& typed);

/// What is wrong with a file named as a source or a part.
enum class FileProblem {
  None,       ///< a regular file
  Missing,    ///< no entry of that name
  NotRegular, ///< a folder, FIFO, device, or a file of /proc or /sys
};
FileProblem CheckInputFile(const WideString& name);

/// The question asked before the parts of an earlier split are deleted.
extern const char* const EarlierPartsQuestion;

/// Files (never folders) in output_dir whose name is the source's file name
/// followed by ".vd" and anything, in the order the folder lists them.
std::vector<WideString> FindEarlierParts(const WideString& output_dir,
                                         const WideString& source_file);

struct DeleteFailure {
  WideString file;
  int error = 0; ///< the system's error code
};
/// Deletes the files in order, calling before_delete with each name first;
/// stops at the first file that cannot be deleted and returns it.
std::optional<DeleteFailure>
DeleteFiles(const std::vector<WideString>& files,
            const std::function<void(const WideString&)>& before_delete = {});

/// The part set that a join would read, checked as a whole.
struct PartSetCheck {
  std::int32_t count = 0;  ///< parts .vd0 .. count-1 found and whole
  std::int64_t total = 0;  ///< their bytes together
  AnsiString error_format; ///< empty when the set is whole; else an English
                           ///< text with "%s" for each of error_args
  std::vector<AnsiString> error_args;
  bool Whole() const { return error_format.empty(); }
};
/// Lists the folder of part_prefix (a part's name without its number) and
/// checks every part from 0 to the highest number present: each exists and
/// is a regular file, and each but the last holds exactly as many bytes as
/// part 0 (the last at most as many). Reads no data and writes nothing.
PartSetCheck CheckPartSet(const WideString& part_prefix);

/// The folder to list for a name: up to and with its last separator (the
/// root for "/name"), the current folder "." for a bare name.
WideString FolderOfName(const WideString& name);

/// The bytes of a regular file, or nothing.
std::optional<std::int64_t> RegularFileSize(const WideString& name);

} // namespace vandrel
