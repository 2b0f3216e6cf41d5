#include "ui/U_RebuildScript.h"

#include "engine/U_SpannedFileStream.h"
#include "engine/U_UnicodeUtils.h"

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
  const AnsiString name = WideToUtf8(source_name);
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

WideString RebuildScriptName(const WideString& output_dir, const WideString& source_file) {
  return WIncludeTrailingBackslash(output_dir) + WExtractFileName(source_file) + u".bat";
}

void WriteRebuildScript(const WideString& output_dir, const WideString& source_file,
                        std::int32_t part_count) {
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
