#include "LangFileFuzzing.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "LangFileFixture.h"
#include "localization/U_LangPo.h"

namespace vandrel::test {

namespace {

// What a language switch may change, to check that a refused file changed
// none of it.
std::string Snapshot(const TComponent& root) {
  std::string out;
  TComponentList list;
  CollectComponents("", list, {}, const_cast<TComponent*>(&root));
  for (const auto& entry : list) {
    out += entry.path + "{";
    for (const AnsiString& name : entry.component->PropertyNames()) {
      const auto value = entry.component->GetProp(name);
      out += name + "=";
      std::visit(
          [&out](const auto& v) {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, AnsiString>) {
              out += v;
            } else if constexpr (std::is_same_v<T, TStrings>) {
              for (const auto& line : v) {
                out += line + "|";
              }
            } else if constexpr (std::is_same_v<T, TFont>) {
              out += v.Name + "/" + std::to_string(v.Charset) + "/" + std::to_string(v.Size);
            } else {
              out += std::to_string(v);
            }
          },
          *value);
      out += ";";
    }
    out += "}";
  }
  return out;
}

std::string ScratchFile() {
  const char* tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/vandrel-fuzz-" + std::to_string(getpid()) +
         ".spk";
}

} // namespace

void FuzzLanguageFile(const std::uint8_t* data, std::size_t size) {
  static const std::string path = ScratchFile();
  const WideString name = Utf8ToWide(path);
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
      std::abort();
    }
    std::fputs(kLanguageFileSignature, f);
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  {
    TStorefile file;
    file.SetSignature(kLanguageFileSignature);
    file.SetFilename(name);
    file.SetReadOnly(true);
    file.Open();
    char buffer[16];
    std::string text;
    for (int step = 0; step < 64 && !file.AtEnd(); ++step) {
      std::int32_t wanted = static_cast<std::int32_t>(sizeof buffer);
      file.ReadData(buffer, wanted, false);
      if (wanted < 0 || wanted > static_cast<std::int32_t>(sizeof buffer)) {
        std::abort();
      }
      file.DataSize();
      file.ReadString(text, true);
    }
    file.Last();
    file.Prior();
    // The count comes from the file: any 32-bit value, INT_MIN included.
    const std::int64_t count = file.RecordCount();
    file.GoToRecord(static_cast<std::int32_t>(count / 2));
    file.GoToRecord(5);
    file.First();
    file.GoToRecord(static_cast<std::int32_t>(std::max<std::int64_t>(count - 1, 0)));
  }

  AppTree tree;
  const std::string before = Snapshot(tree.app);
  TLanguageRecord record(4, &tree.app, nullptr);
  bool applied = false;
  try {
    applied = record.ApplyFile(name);
    if (!applied && Snapshot(tree.app) != before) {
      std::abort(); // a refused file must leave every component as it was
    }
  } catch (const Exception&) {
    // Unsupported revisions and bad flags are reported, before any change.
    if (Snapshot(tree.app) != before) {
      std::abort();
    }
  }

  // The tool reads what the program applies, and gives it back byte for
  // byte through PO text.
  TLangFile file;
  const TLangFileStatus status = ReadLanguageFile(name, file);
  if (applied != (status == TLangFileStatus::Read)) {
    std::abort();
  }
  if (applied) {
    std::string po, error;
    const TLangRecords records = LanguageFileRecords(file);
    TLangRecords back;
    if (!LanguageFileToPo(records, nullptr, po, error) ||
        !PoToLanguageFile(po, nullptr, back, error) || back != records) {
      std::abort();
    }
  }
  std::remove(path.c_str());
}

} // namespace vandrel::test
