// vandrel-lang: language files to gettext PO files and back, so that
// translators can work with the tools they already know.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "localization/U_LangPo.h"

namespace {

using vandrel::TLangRecords;

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

bool ReadText(const std::string& name, std::string& text) {
  std::ifstream in(name, std::ios::binary);
  if (!in) {
    return false;
  }
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return !in.bad();
}

// Written beside the target and renamed over it, so a failed write never
// leaves half a PO file.
bool WriteText(const std::string& name, const std::string& text, std::string& error) {
  const std::string temporary = name + ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out << text;
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

bool LoadTemplate(const Options& options, TLangRecords& records, std::string& error) {
  return options.templ.empty() ||
         vandrel::ReadLanguageRecords(vandrel::Utf8ToWide(options.templ), records, error);
}

int ToPo(const Options& options) {
  TLangRecords file, templ;
  std::string error, po;
  if (!vandrel::ReadLanguageRecords(vandrel::Utf8ToWide(options.input), file, error) ||
      !LoadTemplate(options, templ, error)) {
    return Fail(error);
  }
  if (!vandrel::LanguageFileToPo(file, options.templ.empty() ? nullptr : &templ, po, error)) {
    return Fail(options.input + ": " + error);
  }
  if (options.output.empty()) {
    std::fwrite(po.data(), 1, po.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitSuccess : Fail("standard output: write failed");
  }
  return WriteText(options.output, po, error) ? kExitSuccess : Fail(error);
}

int ToSpk(const Options& options) {
  if (options.output.empty()) {
    return Usage("to-spk needs -o FILE.SPK");
  }
  std::string po, error;
  if (!ReadText(options.input, po)) {
    return Fail(options.input + ": cannot be read");
  }
  TLangRecords templ, file;
  if (!LoadTemplate(options, templ, error)) {
    return Fail(error);
  }
  if (!vandrel::PoToLanguageFile(po, options.templ.empty() ? nullptr : &templ, file, error)) {
    return Fail(options.input + ": " + error);
  }
  // Built under a temporary name: a failure leaves any older file in place.
  const std::string temporary = options.output + ".tmp";
  if (!vandrel::WriteLanguageRecords(vandrel::Utf8ToWide(temporary), file, error)) {
    std::remove(temporary.c_str());
    return Fail(error);
  }
  if (std::rename(temporary.c_str(), options.output.c_str()) != 0) {
    std::remove(temporary.c_str());
    return Fail(options.output + ": cannot be written (" + std::strerror(errno) + ")");
  }
  return kExitSuccess;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
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
