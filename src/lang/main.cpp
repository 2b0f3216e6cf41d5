// vandrel-lang: language files to gettext PO files and back, so that
// translators can work with the tools they already know.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "localization/Lang_Storageobj.h"
#include "localization/U_LangPo.h"
#include "platform/CommandLine.h"

namespace {

using vandrel::TLangFile;
using vandrel::TLangFileStatus;

constexpr int kExitSuccess = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "Usage:\n"
                   "  vandrel-lang to-po FILE.SPK [--template ORIGINAL.SPK] [-o FILE.po]\n"
                   "  vandrel-lang to-spk FILE.po [--template ORIGINAL.SPK] -o FILE.SPK\n"
                   "\n"
                   "to-po writes the PO file to standard output unless -o is given; with a\n"
                   "template, translated entries get their English text from it.\n"
                   "to-spk takes the components from the template when one is given, and\n"
                   "from the PO file otherwise; translated entries (msgstr not empty, not\n"
                   "fuzzy) are marked as translated.\n");
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "vandrel-lang: %s\n", message.c_str());
  return kExitFailed;
}

int Usage(const std::string& message) {
  std::fprintf(stderr, "vandrel-lang: %s\n", message.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

// Read in one piece of the file's size: a large PO file is held once.
bool ReadText(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary | std::ios::ate);
  if (!in) {
    return false;
  }
  const std::streamoff size = in.tellg();
  if (size < 0) {
    return false;
  }
  text.resize(static_cast<size_t>(size));
  in.seekg(0);
  in.read(text.data(), size);
  return in.gcount() == size;
}

// Written beside the target and renamed over it, so a failed write never
// leaves half a PO file.
bool WritePoFile(const std::string& name, const TLangFile& file, const TLangFile* english,
                 std::string& error) {
  const std::string temporary = name + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!vandrel::WriteLanguageFilePo(file, english, out, error)) {
      out.close();
      std::remove(temporary.c_str());
      return false;
    }
    out.flush();
    if (!out) {
      std::remove(temporary.c_str());
      error = name + ": cannot be written";
      return false;
    }
  }
  if (std::rename(temporary.c_str(), name.c_str()) != 0) {
    std::remove(temporary.c_str());
    error = name + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

struct Options {
  std::string input;
  std::string output;
  std::string templ;
};

bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-o" || a == "--output" || a == "--template") {
      if (i + 1 >= args.size()) {
        error = a + " needs a file name";
        return false;
      }
      (a == "--template" ? options.templ : options.output) = args[++i];
    } else if (!a.empty() && a[0] == '-') {
      error = "unknown option " + a;
      return false;
    } else if (options.input.empty()) {
      options.input = a;
    } else {
      error = "one input file only";
      return false;
    }
  }
  if (options.input.empty()) {
    error = "no input file";
    return false;
  }
  return true;
}

// Reads a language file as the program would, with the program's reason
// for a refusal.
bool LoadLanguageFile(const std::string& name, TLangFile& file, std::string& error) {
  std::string message;
  if (vandrel::ReadLanguageFile(vandrel::Utf8ToWide(name), file, &message) !=
      TLangFileStatus::Read) {
    error = name + ": " + message;
    return false;
  }
  return true;
}

int ToPo(const Options& options) {
  TLangFile file, templ;
  std::string error;
  if (!LoadLanguageFile(options.input, file, error) ||
      (!options.templ.empty() && !LoadLanguageFile(options.templ, templ, error))) {
    return Fail(error);
  }
  const TLangFile* english = options.templ.empty() ? nullptr : &templ;
  if (options.output.empty()) {
    if (!vandrel::WriteLanguageFilePo(file, english, std::cout, error)) {
      return Fail(options.input + ": " + error);
    }
    std::cout.flush();
    return std::cout ? kExitSuccess : Fail("standard output: write failed");
  }
  return WritePoFile(options.output, file, english, error) ? kExitSuccess : Fail(error);
}

int ToSpk(const Options& options) {
  if (options.output.empty()) {
    return Usage("to-spk needs -o FILE.SPK");
  }
  std::vector<vandrel::TPoEntry> entries;
  {
    std::string po, error;
    if (!ReadText(options.input, po)) {
      return Fail(options.input + ": cannot be read");
    }
    if (!vandrel::ParsePo(po, entries, error)) {
      return Fail(options.input + ": " + error);
    }
  }
  TLangFile templ, file;
  std::string error;
  if (!options.templ.empty() && !LoadLanguageFile(options.templ, templ, error)) {
    return Fail(error);
  }
  if (!vandrel::PoToLanguageFile(std::move(entries), options.templ.empty() ? nullptr : &templ, file,
                                 error)) {
    return Fail(options.input + ": " + error);
  }
  // Built under a temporary name: a failure leaves any older file in place.
  const std::string temporary = options.output + ".tmp";
  bool written = false;
  try {
    written = vandrel::WriteLanguageFile(vandrel::Utf8ToWide(temporary), file);
  } catch (const vandrel::Exception& e) {
    error = e.Message();
  }
  if (!written) {
    std::remove(temporary.c_str());
    return Fail(temporary + ": cannot be written" + (error.empty() ? "" : " (" + error + ")"));
  }
  if (std::rename(temporary.c_str(), options.output.c_str()) != 0) {
    std::remove(temporary.c_str());
    return Fail(options.output + ": cannot be written (" + std::strerror(errno) + ")");
  }
  return kExitSuccess;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args = vandrel::platform::CommandLineArguments(argc, argv);
  args.erase(args.begin());
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitUsage : kExitSuccess;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  Options options;
  std::string error;
  if (command != "to-po" && command != "to-spk") {
    return Usage("unknown command " + command);
  }
  if (!ParseOptions(args, options, error)) {
    return Usage(error);
  }
  return command == "to-po" ? ToPo(options) : ToSpk(options);
}
