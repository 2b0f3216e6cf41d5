#pragma once
// The rebuild script written next to the parts after a split: a batch file
// that joins the parts with "copy /b" on a machine without the program.

#include <cstdint>

#include "platform/Strings.h"

namespace vandrel {

/// The script's bytes for the parts 0 .. part_count-1 of source_name (a
/// file name without folder): "@echo off" CR LF, then one line without a
/// final line break. Every "%" in the name is doubled, since the command
/// interpreter would read "%...%" as a variable. Text in the code page the
/// command interpreter reads scripts in (platform::BatchFileCodePage: the
/// OEM code page on Windows, UTF-8 on Linux).
AnsiString RebuildScriptText(const WideString& source_name, std::int32_t part_count);

/// False when the name holds a character that a batch file cannot quote:
/// a double quote, CR or LF (on Windows also a letter that the OEM code
/// page cannot hold). Written unquoted, such a name could run commands.
bool ScriptCanQuoteName(const WideString& source_name);

/// The script's path: the output folder, a separator, the source's file
/// name and ".bat".
WideString RebuildScriptName(const WideString& output_dir, const WideString& source_file);

/// Writes the script, replacing an existing file. Raises the create or
/// write error of the file layer (EFCreateError, EWriteError). The caller
/// checks ScriptCanQuoteName first; a name that fails it raises
/// EAssertionFailed and writes nothing.
void WriteRebuildScript(const WideString& output_dir, const WideString& source_file,
                        std::int32_t part_count);

} // namespace vandrel
