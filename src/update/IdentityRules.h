#pragma once
// The rule engine of product identity: ordered lists of "tests => action"
// rules that repair the product names, company names and version numbers
// other programs declare. The lists are data (data/identity/*.rules,
// compiled in); this module reads them and applies them.
//
// A list is read from text, one rule per line:
//
//   # comment
//   [stage]                          rules below belong to that stage
//   TEST and TEST ... => ACTION
//
// A TEST is "[not] FIELD OP [ARGUMENT]" or one of the lookups below;
// ARGUMENT is a double-quoted text (\" and \\ escape) or a whole number.
//   FIELDS  text (what the list builds), name (product name), company,
//           file (file name without extension), dir (name of the file's
//           folder), folder (the file's folder path), path (the name as
//           given), version (the file's version), productversion and
//           fileversion (the version strings)
//   OPS     equals, begins, ends, contains (any case); is, has (exact case
//           equality and containment); empty; matches (a wildcard pattern:
//           "*" any run, "?" one byte, any case); major-below N and
//           major-above N (the first dot-separated field as a number);
//           newer "V" (as a version)
//   LOOKUPS no-uninstall "NAME" (no uninstall entry gives a version);
//           installed "PREFIX" (the installed-program list has it);
//           exists "RELATIVE/PATH" (a file beside the file)
// An ACTION is one of
//   set "T", append "T", replace "FROM" "TO" (every occurrence, any case),
//   cut-from "T" (from its first occurrence on), strip-end "T",
//   take FIELD-OF-THE-VERSION-STRINGS (FileDescription ... ProductVersion),
//   fields "1.2.4.0" (rearranges a version: digits 1-4 name a field, 0 is 0)
// or a source the identity code fetches (version lists): sibling "FILE",
// uninstall "N", uninstall-in-name "N", uninstall-prefix "N",
// uninstall-first-word "N", uninstall-in-name-first-word "N",
// uninstall-with "N" "ALSO", uninstall-without "N" "NOT", uninstall-hkcu,
// ini "RELATIVE/FILE" "SECTION" "ENTRY", newest-subfolder.
//
// Work is bounded: every test is linear in the texts' lengths, and each
// rule runs once per pass.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Strings.h"

namespace vandrel {

enum class RuleField {
  Text,
  Name,
  Company,
  File,
  Dir,
  Folder,
  Path,
  Version,
  ProductVersion,
  FileVersion
};

enum class RuleOp {
  Equals,
  Begins,
  Ends,
  Contains,
  Is,
  Has,
  Empty,
  Matches,
  MajorBelow,
  MajorAbove,
  Newer,
  NoUninstall,
  Installed,
  Exists
};

enum class RuleAction {
  Set,
  Append,
  Replace,
  CutFrom,
  StripEnd,
  Take,
  Fields,
  Sibling,
  Uninstall,
  UninstallInName,
  UninstallPrefix,
  UninstallFirstWord,
  UninstallInNameFirstWord,
  UninstallWith,
  UninstallWithout,
  UninstallHkcu,
  Ini,
  NewestSubfolder
};

struct RuleTest {
  RuleField field = RuleField::Text;
  RuleOp op = RuleOp::Equals;
  bool negate = false;
  AnsiString argument;
  long long number = 0;
};

struct IdentityRule {
  std::vector<RuleTest> tests;
  RuleAction action = RuleAction::Set;
  std::vector<AnsiString> arguments;
  int line = 0; ///< line in its list, for messages
};

/// What the rules ask of the file under examination. The identity code
/// implements it; tests script it.
class RuleFacts {
public:
  virtual ~RuleFacts() = default;
  /// The value of a field other than Text; text is what the list has
  /// built so far.
  virtual AnsiString Field(RuleField field, const AnsiString& text) = 0;
  /// The version-string entry of that name ("FileDescription", ...).
  virtual AnsiString VersionString(std::string_view name) = 0;
  /// No uninstall entry gives a version for name.
  virtual bool NoUninstallVersion(const AnsiString& name) = 0;
  virtual bool Installed(const AnsiString& prefix) = 0;
  /// A file of that relative path exists beside the file.
  virtual bool Exists(const AnsiString& relative) = 0;
  /// The version an outside source gives (sibling, uninstall, ini, ...);
  /// empty when it gives none.
  virtual AnsiString Source(RuleAction action, const std::vector<AnsiString>& arguments) = 0;
};

/// One list: its stages in the order they were named, each with its rules
/// in file order.
class IdentityRuleList {
public:
  /// Reads a list from text. Lines that cannot be read are left out and
  /// described in Errors() ("line N: ..."); nothing throws.
  static IdentityRuleList Parse(std::string_view text);

  const std::vector<AnsiString>& Errors() const { return errors_; }
  /// The rules of a stage (none for a stage the list does not have).
  const std::vector<IdentityRule>& Stage(std::string_view stage) const;
  std::size_t RuleCount() const;
  std::vector<AnsiString> StageNames() const;

  /// Applies every rule of stage in order, each on the result of the ones
  /// before; returns the final text.
  AnsiString Apply(std::string_view stage, AnsiString text, RuleFacts& facts) const;
  /// The first rule of stage whose tests hold and whose action gives a
  /// non-empty text; nothing when none does.
  std::optional<AnsiString> First(std::string_view stage, const AnsiString& text,
                                  RuleFacts& facts) const;

private:
  std::vector<std::pair<AnsiString, std::vector<IdentityRule>>> stages_;
  std::vector<AnsiString> errors_;
};

/// True when all tests of rule hold for text.
bool RuleMatches(const IdentityRule& rule, const AnsiString& text, RuleFacts& facts);
/// The text after rule's action on text (the tests are not looked at).
AnsiString RunRuleAction(const IdentityRule& rule, const AnsiString& text, RuleFacts& facts);
/// Wildcard match, any case: "*" any run of bytes, "?" one byte. Linear in
/// the text's length times the pattern's.
bool WildcardMatches(std::string_view text, std::string_view pattern);

/// The three compiled-in lists (data/identity), read once.
const IdentityRuleList& ProductRules();
const IdentityRuleList& CompanyRules();
const IdentityRuleList& VersionRules();

} // namespace vandrel
