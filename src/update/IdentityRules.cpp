#include "update/IdentityRules.h"

#include <charconv>

#include "shell/U_MelkUtils.h"
#include "update/U_Version.h"

namespace vandrel {

namespace identity_data {
extern const std::string_view k_product_rules;
extern const std::string_view k_company_rules;
extern const std::string_view k_version_rules;
} // namespace identity_data

namespace {

struct Named {
  std::string_view word;
  int value;
};

constexpr Named kFields[] = {
    {"text", static_cast<int>(RuleField::Text)},
    {"name", static_cast<int>(RuleField::Name)},
    {"company", static_cast<int>(RuleField::Company)},
    {"file", static_cast<int>(RuleField::File)},
    {"dir", static_cast<int>(RuleField::Dir)},
    {"folder", static_cast<int>(RuleField::Folder)},
    {"path", static_cast<int>(RuleField::Path)},
    {"version", static_cast<int>(RuleField::Version)},
    {"productversion", static_cast<int>(RuleField::ProductVersion)},
    {"fileversion", static_cast<int>(RuleField::FileVersion)},
};

// Ops with the kind of argument they take: 0 none, 1 text, 2 number.
struct NamedOp {
  std::string_view word;
  RuleOp op;
  int argument;
};
constexpr NamedOp kOps[] = {
    {"equals", RuleOp::Equals, 1},
    {"begins", RuleOp::Begins, 1},
    {"ends", RuleOp::Ends, 1},
    {"contains", RuleOp::Contains, 1},
    {"is", RuleOp::Is, 1},
    {"has", RuleOp::Has, 1},
    {"empty", RuleOp::Empty, 0},
    {"matches", RuleOp::Matches, 1},
    {"major-below", RuleOp::MajorBelow, 2},
    {"major-above", RuleOp::MajorAbove, 2},
    {"newer", RuleOp::Newer, 1},
};
constexpr NamedOp kLookups[] = {
    {"no-uninstall", RuleOp::NoUninstall, 1},
    {"installed", RuleOp::Installed, 1},
    {"exists", RuleOp::Exists, 1},
};

struct NamedAction {
  std::string_view word;
  RuleAction action;
  int texts;
};
constexpr NamedAction kActions[] = {
    {"set", RuleAction::Set, 1},
    {"append", RuleAction::Append, 1},
    {"replace", RuleAction::Replace, 2},
    {"cut-from", RuleAction::CutFrom, 1},
    {"strip-end", RuleAction::StripEnd, 1},
    {"take", RuleAction::Take, 1},
    {"fields", RuleAction::Fields, 1},
    {"sibling", RuleAction::Sibling, 1},
    {"uninstall", RuleAction::Uninstall, 1},
    {"uninstall-in-name", RuleAction::UninstallInName, 1},
    {"uninstall-prefix", RuleAction::UninstallPrefix, 1},
    {"uninstall-first-word", RuleAction::UninstallFirstWord, 1},
    {"uninstall-in-name-first-word", RuleAction::UninstallInNameFirstWord, 1},
    {"uninstall-with", RuleAction::UninstallWith, 2},
    {"uninstall-without", RuleAction::UninstallWithout, 2},
    {"uninstall-hkcu", RuleAction::UninstallHkcu, 0},
    {"ini", RuleAction::Ini, 3},
    {"newest-subfolder", RuleAction::NewestSubfolder, 0},
};

constexpr std::string_view kVersionStringNames[] = {
    "FileDescription", "CompanyName",      "FileVersion", "InternalName",
    "LegalCopyright",  "OriginalFilename", "ProductName", "ProductVersion"};

struct Token {
  AnsiString text;
  bool quoted = false;
};

// Splits a line into words and quoted texts; false on an unclosed quote.
bool Tokenize(std::string_view line, std::vector<Token>& tokens, AnsiString& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      Token token{{}, true};
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size()) {
          token.text += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          ++i;
          closed = true;
          break;
        } else {
          token.text += line[i++];
        }
      }
      if (!closed) {
        error = "unclosed quote";
        return false;
      }
      tokens.push_back(std::move(token));
    } else {
      Token token;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r' &&
             line[i] != '"') {
        token.text += line[i++];
      }
      tokens.push_back(std::move(token));
    }
  }
  return true;
}

bool ParseNumber(const AnsiString& text, long long& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// Parses the tests of tokens[begin, end).
bool ParseTests(const std::vector<Token>& tokens, std::size_t end, IdentityRule& rule,
                AnsiString& error) {
  std::size_t i = 0;
  while (i < end) {
    RuleTest test;
    if (!tokens[i].quoted && tokens[i].text == "not") {
      test.negate = true;
      ++i;
    }
    if (i >= end || tokens[i].quoted) {
      error = "a test must begin with a field or a lookup";
      return false;
    }
    const AnsiString& word = tokens[i].text;
    int argument_kind = -1;
    for (const NamedOp& lookup : kLookups) {
      if (word == lookup.word) {
        test.op = lookup.op;
        argument_kind = lookup.argument;
      }
    }
    if (argument_kind < 0) {
      bool field_found = false;
      for (const Named& field : kFields) {
        if (word == field.word) {
          test.field = static_cast<RuleField>(field.value);
          field_found = true;
        }
      }
      if (!field_found) {
        error = "unknown field '" + word + "'";
        return false;
      }
      ++i;
      if (i >= end || tokens[i].quoted) {
        error = "an operation must follow the field '" + word + "'";
        return false;
      }
      for (const NamedOp& op : kOps) {
        if (tokens[i].text == op.word) {
          test.op = op.op;
          argument_kind = op.argument;
        }
      }
      if (argument_kind < 0) {
        error = "unknown operation '" + tokens[i].text + "'";
        return false;
      }
    }
    ++i;
    if (argument_kind == 1) {
      if (i >= end || !tokens[i].quoted) {
        error = "a quoted text must follow '" + tokens[i - 1].text + "'";
        return false;
      }
      test.argument = tokens[i++].text;
    } else if (argument_kind == 2) {
      if (i >= end || tokens[i].quoted || !ParseNumber(tokens[i].text, test.number)) {
        error = "a number must follow '" + tokens[i - 1].text + "'";
        return false;
      }
      ++i;
    }
    rule.tests.push_back(std::move(test));
    if (i < end) {
      if (tokens[i].quoted || tokens[i].text != "and") {
        error = "tests are joined by 'and'";
        return false;
      }
      ++i;
      if (i >= end) {
        error = "a test must follow 'and'";
        return false;
      }
    }
  }
  if (rule.tests.empty()) {
    error = "a rule needs at least one test";
    return false;
  }
  return true;
}

bool ParseAction(const std::vector<Token>& tokens, std::size_t begin, IdentityRule& rule,
                 AnsiString& error) {
  if (begin >= tokens.size() || tokens[begin].quoted) {
    error = "an action must follow '=>'";
    return false;
  }
  const AnsiString& word = tokens[begin].text;
  for (const NamedAction& action : kActions) {
    if (word != action.word) {
      continue;
    }
    rule.action = action.action;
    const std::size_t count = tokens.size() - begin - 1;
    if (count != static_cast<std::size_t>(action.texts)) {
      error = "'" + word + "' takes " + std::to_string(action.texts) + " argument(s)";
      return false;
    }
    for (std::size_t i = begin + 1; i < tokens.size(); ++i) {
      // take names a field: a bare word; the others take quoted texts.
      if (tokens[i].quoted == (action.action == RuleAction::Take)) {
        error = action.action == RuleAction::Take ? "take names a version string unquoted"
                                                  : "'" + word + "' takes quoted texts";
        return false;
      }
      rule.arguments.push_back(tokens[i].text);
    }
    if (action.action == RuleAction::Take) {
      bool known = false;
      for (std::string_view name : kVersionStringNames) {
        known = known || rule.arguments[0] == name;
      }
      if (!known) {
        error = "unknown version string '" + rule.arguments[0] + "'";
        return false;
      }
    }
    if (action.action == RuleAction::Fields) {
      const AnsiString& order = rule.arguments[0];
      bool good = FieldCount(order, ".") == 4;
      for (std::size_t i = 0; good && i < order.size(); ++i) {
        good = i % 2 == 1 ? order[i] == '.' : order[i] >= '0' && order[i] <= '4';
      }
      if (!good || order.size() != 7) {
        error = "fields takes four digits 0-4 joined by dots";
        return false;
      }
    }
    return true;
  }
  error = "unknown action '" + word + "'";
  return false;
}

long long MajorField(const AnsiString& text) {
  return ParseVersionField(FieldAt(text, 0, "."));
}

bool TestHolds(const RuleTest& test, const AnsiString& text, RuleFacts& facts) {
  switch (test.op) {
  case RuleOp::NoUninstall:
    return facts.NoUninstallVersion(test.argument);
  case RuleOp::Installed:
    return facts.Installed(test.argument);
  case RuleOp::Exists:
    return facts.Exists(test.argument);
  default:
    break;
  }
  const AnsiString value = test.field == RuleField::Text ? text : facts.Field(test.field, text);
  const AnsiString& a = test.argument;
  switch (test.op) {
  case RuleOp::Equals:
    return SameTextAscii(value, a);
  case RuleOp::Begins:
    return StartsText(value, a);
  case RuleOp::Ends:
    return EndsText(value, a);
  case RuleOp::Contains:
    return ContainsText(a, value);
  case RuleOp::Is:
    return value == a;
  case RuleOp::Has:
    return value.find(a) != AnsiString::npos;
  case RuleOp::Empty:
    return value.empty();
  case RuleOp::Matches:
    return WildcardMatches(value, a);
  case RuleOp::MajorBelow:
    return !value.empty() && MajorField(value) < test.number;
  case RuleOp::MajorAbove:
    return !value.empty() && MajorField(value) > test.number;
  case RuleOp::Newer:
    return TTarvixVersion(value).IsNewerThan(TTarvixVersion(a));
  default:
    return false;
  }
}

AnsiString Rearranged(const AnsiString& version, const AnsiString& order) {
  const TTarvixVersion parsed(version);
  const int32_t fields[] = {0, parsed.Major, parsed.Minor, parsed.Release, parsed.Build};
  AnsiString out;
  for (std::size_t i = 0; i < order.size(); i += 2) {
    if (!out.empty()) {
      out += '.';
    }
    out += std::to_string(fields[order[i] - '0']);
  }
  return out;
}

} // namespace

bool WildcardMatches(std::string_view text, std::string_view pattern) {
  std::size_t t = 0, p = 0;
  std::size_t star = std::string_view::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() &&
        (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(text[t]))) {
      ++t;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') {
    ++p;
  }
  return p == pattern.size();
}

IdentityRuleList IdentityRuleList::Parse(std::string_view text) {
  IdentityRuleList list;
  int line_number = 0;
  for (const std::string& line : SplitTextLines(text)) {
    ++line_number;
    const AnsiString trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') {
      continue;
    }
    const auto fail = [&](const AnsiString& why) {
      list.errors_.push_back("line " + std::to_string(line_number) + ": " + why);
    };
    if (trimmed[0] == '[') {
      if (trimmed.back() != ']' || trimmed.size() < 3) {
        fail("a stage is written [name]");
        continue;
      }
      list.stages_.emplace_back(trimmed.substr(1, trimmed.size() - 2), std::vector<IdentityRule>{});
      continue;
    }
    if (list.stages_.empty()) {
      fail("a rule before the first [stage]");
      continue;
    }
    std::vector<Token> tokens;
    AnsiString error;
    if (!Tokenize(trimmed, tokens, error)) {
      fail(error);
      continue;
    }
    std::size_t arrow = tokens.size();
    for (std::size_t i = 0; i < tokens.size(); ++i) {
      if (!tokens[i].quoted && tokens[i].text == "=>") {
        arrow = i;
        break;
      }
    }
    if (arrow == tokens.size()) {
      fail("a rule is written TESTS => ACTION");
      continue;
    }
    IdentityRule rule;
    rule.line = line_number;
    if (!ParseTests(tokens, arrow, rule, error) || !ParseAction(tokens, arrow + 1, rule, error)) {
      fail(error);
      continue;
    }
    list.stages_.back().second.push_back(std::move(rule));
  }
  return list;
}

const std::vector<IdentityRule>& IdentityRuleList::Stage(std::string_view stage) const {
  static const std::vector<IdentityRule> none;
  for (const auto& [name, rules] : stages_) {
    if (name == stage) {
      return rules;
    }
  }
  return none;
}

std::size_t IdentityRuleList::RuleCount() const {
  std::size_t count = 0;
  for (const auto& stage : stages_) {
    count += stage.second.size();
  }
  return count;
}

std::vector<AnsiString> IdentityRuleList::StageNames() const {
  std::vector<AnsiString> names;
  for (const auto& stage : stages_) {
    names.push_back(stage.first);
  }
  return names;
}

bool RuleMatches(const IdentityRule& rule, const AnsiString& text, RuleFacts& facts) {
  for (const RuleTest& test : rule.tests) {
    if (TestHolds(test, text, facts) == test.negate) {
      return false;
    }
  }
  return true;
}

AnsiString RunRuleAction(const IdentityRule& rule, const AnsiString& text, RuleFacts& facts) {
  const std::vector<AnsiString>& a = rule.arguments;
  switch (rule.action) {
  case RuleAction::Set:
    return a[0];
  case RuleAction::Append:
    return text + a[0];
  case RuleAction::Replace:
    return ReplaceAllText(text, a[0], a[1]);
  case RuleAction::CutFrom: {
    const std::size_t at = FindText(text, a[0]);
    return at == std::string_view::npos ? text : Trim(std::string_view(text).substr(0, at));
  }
  case RuleAction::StripEnd:
    return Trim(StripSuffix(text, a[0]));
  case RuleAction::Take:
    return facts.VersionString(a[0]);
  case RuleAction::Fields:
    return Rearranged(text, a[0]);
  default:
    return facts.Source(rule.action, a);
  }
}

AnsiString IdentityRuleList::Apply(std::string_view stage, AnsiString text,
                                   RuleFacts& facts) const {
  for (const IdentityRule& rule : Stage(stage)) {
    if (RuleMatches(rule, text, facts)) {
      text = RunRuleAction(rule, text, facts);
    }
  }
  return text;
}

std::optional<AnsiString> IdentityRuleList::First(std::string_view stage, const AnsiString& text,
                                                  RuleFacts& facts) const {
  for (const IdentityRule& rule : Stage(stage)) {
    if (RuleMatches(rule, text, facts)) {
      AnsiString result = RunRuleAction(rule, text, facts);
      if (!result.empty()) {
        return result;
      }
    }
  }
  return std::nullopt;
}

const IdentityRuleList& ProductRules() {
  static const IdentityRuleList list = IdentityRuleList::Parse(identity_data::k_product_rules);
  return list;
}

const IdentityRuleList& CompanyRules() {
  static const IdentityRuleList list = IdentityRuleList::Parse(identity_data::k_company_rules);
  return list;
}

const IdentityRuleList& VersionRules() {
  static const IdentityRuleList list = IdentityRuleList::Parse(identity_data::k_version_rules);
  return list;
}

} // namespace vandrel
