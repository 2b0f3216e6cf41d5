#include "engine/U_RebuildScript.h"

#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"
#include "platform/CodePages.h"

namespace vandrel {

namespace {

AnsiString QuotedForScript(const AnsiString& name) {
  AnsiString quoted = "\"";
  for (char ch : name) {
    quoted += ch;
    if (ch == '%') {
      quoted += '%';
    }
  }
  return quoted + "\"";
}

} // namespace

AnsiString RebuildScriptText(const WideString& source_name, std::int32_t part_count) {
  // In the code page cmd reads scripts in (on Windows the OEM one: a name
  // in the ANSI code page would name another file); where that is UTF-8,
  // the name's own bytes, so that a name that is not valid UTF-8 still
  // names the file.
  const unsigned code_page = platform::BatchFileCodePage();
  const AnsiString name = code_page == platform::kCodePageUtf8
                              ? EncodeNativeName(source_name)
                              : platform::Utf8ToCodePageLossy(WideToUtf8(source_name), code_page);
  AnsiString text = "@echo off\r\ncopy /b ";
  for (std::int32_t i = 0; i < part_count; ++i) {
    text += QuotedForScript(name + ".vd" + std::to_string(i));
    if (i + 1 < part_count) {
      text += " /b +";
    }
  }
  text += " /b " + QuotedForScript(name) + " /b /v";
  return text;
}

bool ScriptCanQuoteName(const WideString& source_name) {
  return source_name.find_first_of(u"\"\r\n") == WideString::npos &&
         platform::Utf8ToCodePage(WideToUtf8(source_name), platform::BatchFileCodePage())
             .has_value();
}

WideString RebuildScriptName(const WideString& output_dir, const WideString& source_file) {
  return WIncludeTrailingBackslash(output_dir) + WExtractFileName(source_file) + u".bat";
}

void WriteRebuildScript(const WideString& output_dir, const WideString& source_file,
                        std::int32_t part_count) {
  if (!ScriptCanQuoteName(WExtractFileName(source_file))) {
    throw EAssertionFailed("The name cannot be quoted in a batch file");
  }
  const AnsiString text = RebuildScriptText(WExtractFileName(source_file), part_count);
  const WideString name = RebuildScriptName(output_dir, source_file);
  TWFileStream script(name, fmCreate);
  const auto size = static_cast<std::int64_t>(text.size());
  if (script.Write(text.data(), size) != size) {
    throw EWriteError("Cannot write " + WideToUtf8(name), name,
                      platform::ErrorText(platform::LastError()));
  }
}

} // namespace vandrel
