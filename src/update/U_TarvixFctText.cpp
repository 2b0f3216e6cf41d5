// Product identity: the generic clean-up of names, companies and version
// texts (the rule lists are in IdentityRules).

#include <cstdlib>

#include "shell/Settings.h"
#include "shell/U_MelkUtils.h"
#include "update/U_TarvixFct.h"
#include "update/U_Version.h"

namespace vandrel {

namespace {

// Each pass of a clean-up that repeats until nothing changes makes the text
// shorter; the cap only guards against a mistake in that reasoning.
constexpr int kMaxPasses = 10000;

constexpr std::string_view kLicenceTexts[] = {"GNU",
                                              "GPL",
                                              "GPLv2",
                                              "GPLv3",
                                              "LGPL",
                                              "GNU LGPL",
                                              "GNU/GPL",
                                              "Released under GPL",
                                              "Released under the GPL",
                                              "GNU General Public License",
                                              "GNU General Public License v2",
                                              "GNU General Public License v3",
                                              "GNU Lesser General Public License"};
constexpr std::string_view kLicenceEndings[] = {" - Licensed under GPL",
                                                " - Licensed under the GPL",
                                                " - Released under GPL",
                                                " - GPL",
                                                " (GNU GPL)",
                                                "(GPL)",
                                                ": GPLv2 or commercial",
                                                " under GPL"};
constexpr std::string_view kAuthorBeginnings[] = {"Author: ", "Original author: ", "Developed by ",
                                                  ". See LICENSE.TXT for details."};

constexpr std::string_view kTrailingLicences[] = {"Freeware licensed under GPL",
                                                  " licensed under the GPL",
                                                  " licensed under GPL",
                                                  " released under the GPL",
                                                  " released under GPL",
                                                  " under the GNU GPL",
                                                  " under GNU GPL",
                                                  " under the LGPL",
                                                  " under LGPL",
                                                  " under the GPL",
                                                  " under GPL"};
constexpr std::string_view kTrailingAllRights[] = {". All Rights Reserved.",
                                                   ". All Rights Reserved", ", All Rights Reserved",
                                                   " All Rights Reserved.", " All Rights Reserved"};
constexpr std::string_view kLeadingRights[] = {"Portions Copyright",
                                               "Copyright(c)",
                                               "Copyright(r)",
                                               "Copyright (c)",
                                               "Copyright \xC2\xA9",
                                               "Copyright by",
                                               "Copyright:",
                                               "Copyrights",
                                               "Copyright",
                                               "All rights reserved",
                                               "Rights reserved",
                                               "Copr.",
                                               "(c)",
                                               "(r)",
                                               "\xC2\xA9",
                                               "\xC2\xAE"};
constexpr std::string_view kTrailingRights[] = {"All rights reserved.", "No rights reserved.",
                                                "Some rights reserved.", "All rights reserved",
                                                "No rights reserved"};

bool AllDigits(std::string_view text) {
  if (text.empty()) {
    return false;
  }
  for (char c : text) {
    if (c < '0' || c > '9') {
      return false;
    }
  }
  return true;
}

bool IsYear(std::string_view word) {
  return word.size() == 4 && AllDigits(word) && std::atoi(AnsiString(word).c_str()) > 1990;
}

bool IsSmallPositiveNumber(std::string_view word) {
  return word.size() == 2 && AllDigits(word) && std::atoi(AnsiString(word).c_str()) > 0;
}

bool IsLeadingMark(std::string_view word) {
  return SameTextAscii(word, "C") || SameTextAscii(word, "(C)") || word == "\xC2\xA9" ||
         word == "," || SameTextAscii(word, "copyright") || SameTextAscii(word, "by");
}

bool IsTrailingMark(std::string_view word) {
  return SameTextAscii(word, "(C)") || word == "\xC2\xA9" || word == "," ||
         SameTextAscii(word, "copyright");
}

// The text without its first count bytes and the byte after them.
AnsiString DropFront(const AnsiString& text, std::size_t count) {
  return Trim(std::string_view(text).substr(std::min(text.size(), count + 1)));
}

// The text without its last count bytes and the byte before them.
AnsiString DropBack(const AnsiString& text, std::size_t count) {
  return Trim(std::string_view(text).substr(0, text.size() - std::min(text.size(), count + 1)));
}

AnsiString LastField(const AnsiString& text, std::string_view separators) {
  const std::size_t at = text.find_last_of(separators);
  return at == AnsiString::npos ? text : text.substr(at + 1);
}

AnsiString CopyrightNoisePass(AnsiString text) {
  text = Trim(text);
  if (!text.empty() && text.back() == ',') {
    text = Trim(text.substr(0, text.size() - 1));
  }
  if (!text.empty() && text.front() == ',') {
    text = Trim(text.substr(1));
  }

  const AnsiString first = FieldAt(text, 0, " -");
  if (!first.empty() && IsLeadingMark(first)) {
    text = DropFront(text, first.size());
  } else if (text == ",") {
    text.clear();
  }
  if (StartsText(text, "(c)")) {
    text = Trim(text.substr(3));
  } else if (StartsText(text, "c)")) {
    text = Trim(text.substr(2));
  }

  const AnsiString year = FieldAt(text, 0, " -,");
  if (IsYear(year)) {
    text = DropFront(text, year.size());
  }
  const std::size_t slash = text.find('/');
  if (slash != AnsiString::npos) {
    const std::string_view before = std::string_view(text).substr(0, slash);
    // Only years and two-digit numbers: "2003/2010 Acme" loses "2003/".
    if ((before.size() == 4 && AllDigits(before)) || IsSmallPositiveNumber(before)) {
      text = Trim(text.substr(slash + 1));
    }
  }

  const AnsiString last = LastField(text, " -");
  if (!last.empty() && (IsTrailingMark(last) || IsYear(last) || IsSmallPositiveNumber(last))) {
    text = DropBack(text, last.size());
  }
  if (!text.empty() && text.back() == '-') {
    text = Trim(text.substr(0, text.size() - 1));
  }

  for (std::string_view phrase : kTrailingLicences) {
    text = Trim(StripSuffix(text, phrase));
  }
  for (std::string_view phrase : kTrailingAllRights) {
    text = Trim(StripSuffix(text, phrase));
  }
  const AnsiString final_word = LastField(text, " ");
  if (final_word.size() == 5 && final_word.back() == '.' &&
      IsYear(std::string_view(final_word).substr(0, 4))) {
    text = Trim(text.substr(0, text.size() - 5));
  }
  if (!text.empty() && text.front() == '-') {
    text = Trim(text.substr(1));
  }
  if (!text.empty() && text.back() == '-') {
    text = Trim(text.substr(0, text.size() - 1));
  }

  for (std::string_view phrase : kLeadingRights) {
    text = Trim(StripPrefix(text, phrase));
  }
  for (std::string_view phrase : kTrailingRights) {
    text = Trim(StripSuffix(text, phrase));
  }
  return text;
}

} // namespace

AnsiString StripTrailingUrls(const AnsiString& Text) {
  AnsiString text = Text;
  for (std::string_view scheme : {"http://", "https://"}) {
    while (FieldCount(text, " ") > 1) {
      const std::size_t blank = text.rfind(' ');
      if (!StartsText(std::string_view(text).substr(blank + 1), scheme)) {
        break;
      }
      text = Trim(text.substr(0, blank));
    }
  }
  return text;
}

AnsiString CleanName(const AnsiString& Text) {
  AnsiString text = Text;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    AnsiString next = Trim(StripTrailingUrls(text));
    if (StartsStr(next, "?")) {
      next = next.substr(1);
    }
    if (next.size() >= 2 && next.compare(next.size() - 2, 2, " -") == 0) {
      next.resize(next.size() - 2);
    }
    if (next == "@") {
      next.clear();
    }
    if (next == text) {
      break;
    }
    text = std::move(next);
  }
  return text;
}

AnsiString StripCopyrightNoise(const AnsiString& Company) {
  AnsiString text = Company;
  for (int pass = 0; pass < kMaxPasses; ++pass) {
    AnsiString next = CopyrightNoisePass(text);
    if (next == text) {
      break;
    }
    text = std::move(next);
  }
  return text;
}

AnsiString CleanCompanyText(const AnsiString& Company) {
  AnsiString company = Trim(Company);
  for (std::string_view licence : kLicenceTexts) {
    if (SameTextAscii(company, licence)) {
      company.clear();
    }
  }
  if (ContainsText("GNU GPL", company)) {
    company.clear();
  }
  for (std::string_view ending : kLicenceEndings) {
    company = Trim(StripSuffix(company, ending));
  }
  for (std::string_view beginning : kAuthorBeginnings) {
    company = Trim(StripPrefix(company, beginning));
  }
  // That sentence only ever ends a copyright line.
  company = Trim(StripSuffix(company, ". See LICENSE.TXT for details."));

  for (auto [marker, after] : {std::pair<std::string_view, std::size_t>{"http://", 5},
                               std::pair<std::string_view, std::size_t>{"www.", 9}}) {
    const std::size_t at = FindText(company, marker);
    if (at != std::string_view::npos && at >= after && company.find(' ', at) == AnsiString::npos) {
      company = Trim(company.substr(0, at));
    }
  }
  if (EndsText(company, "L.L.C.")) {
    company = company.substr(0, company.size() - 6) + "LLC";
  }
  while (company.size() > 1 && AnsiString("-,;([").find(company.back()) != AnsiString::npos) {
    company = Trim(company.substr(0, company.size() - 1));
  }
  for (std::string_view placeholder : {"TODO", "Company", "none", "."}) {
    if (SameTextAscii(company, placeholder)) {
      company.clear();
    }
  }
  if (StartsStr(company, "$")) {
    company.clear();
  }
  return CleanName(company);
}

AnsiString GetXmlValue(const AnsiString& Name, const std::vector<AnsiString>& Lines) {
  const AnsiString open = "<" + Name + ">";
  const AnsiString close = "</" + Name + ">";
  AnsiString value;
  for (const AnsiString& line : Lines) {
    if (!ContainsText(open, line)) {
      continue;
    }
    AnsiString text = Trim(line);
    if (text.find("<!--") != AnsiString::npos) {
      text = TextBefore(TextAfter(text, "<!--"), "-->");
    }
    value = Trim(TextBefore(TextAfter(text, open), close));
  }
  return value;
}

AnsiString CleanVersionText(const AnsiString& Text) {
  AnsiString out;
  for (char c : Text) {
    if (AnsiString("0123456789., ").find(c) == AnsiString::npos) {
      break;
    }
    if (c == ',') {
      out += '.';
    } else if (c != ' ') {
      out += c;
    }
  }
  return out;
}

bool IsVersionText(const AnsiString& Text) {
  for (char c : Text) {
    if ((c < '0' || c > '9') && c != '.') {
      return false;
    }
  }
  return true;
}

bool IsValidVersionText(const AnsiString& Text) {
  return !Text.empty() && TTarvixVersion(Text).IsValid();
}

AnsiString GetVersionFromNewestSubfolder(const AnsiString& FileName) {
  std::vector<AnsiString> folders;
  ListSubfolders(ExtractFilePath(ToSysnativePath(FileName)), folders);
  AnsiString best;
  for (const AnsiString& folder : folders) {
    // The whole name: "120.0.6099.130" is a version, not a name and an
    // extension, and a folder such as "Locales" is no version at all.
    const std::size_t slash = folder.find_last_of("/\\");
    const AnsiString name = slash == AnsiString::npos ? folder : folder.substr(slash + 1);
    if (!IsVersionText(name) || !IsValidVersionText(name)) {
      continue;
    }
    if (best.empty() || TTarvixVersion(name).IsNewerThan(TTarvixVersion(best))) {
      best = name;
    }
  }
  return best;
}

} // namespace vandrel
