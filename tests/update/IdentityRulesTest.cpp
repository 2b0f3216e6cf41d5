// The rule engine and the compiled-in rule lists: every list reads without
// an error, each test and action kind does what the syntax says, and each
// of the lists' telling rows rewrites the names it is meant for.

#include "update/IdentityRules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vandrel {
namespace {

// Facts scripted by the test; the sources answer with a text that names the
// action and its arguments, so a test can see which one ran.
class ScriptedFacts : public RuleFacts {
public:
  std::map<RuleField, AnsiString> fields;
  std::map<AnsiString, AnsiString> strings;
  std::set<AnsiString> uninstall_names;
  std::set<AnsiString> installed;
  std::set<AnsiString> existing;

  AnsiString Field(RuleField field, const AnsiString&) override {
    const auto found = fields.find(field);
    return found == fields.end() ? AnsiString() : found->second;
  }
  AnsiString VersionString(std::string_view name) override {
    const auto found = strings.find(AnsiString(name));
    return found == strings.end() ? AnsiString() : found->second;
  }
  bool NoUninstallVersion(const AnsiString& name) override {
    return uninstall_names.count(name) == 0;
  }
  bool Installed(const AnsiString& prefix) override { return installed.count(prefix) != 0; }
  bool Exists(const AnsiString& relative) override { return existing.count(relative) != 0; }
  AnsiString Source(RuleAction action, const std::vector<AnsiString>& arguments) override {
    AnsiString text = std::to_string(static_cast<int>(action));
    for (const AnsiString& argument : arguments) {
      text += "|" + argument;
    }
    return text;
  }
};

TEST(IdentityRuleListsTest, CompiledListsReadWithoutErrorsAndHaveTheirStages) {
  struct Case {
    const char* name;
    const IdentityRuleList& list;
    std::vector<AnsiString> stages;
  };
  const Case cases[] = {
      {"product", ProductRules(), {"pseudo", "main", "last"}},
      {"company", CompanyRules(), {"pseudo", "file", "main"}},
      {"version", VersionRules(), {"pseudo", "source", "default", "strings", "last"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const AnsiString& error : c.list.Errors()) {
      ADD_FAILURE() << error;
    }
    EXPECT_EQ(c.list.StageNames(), c.stages);
    EXPECT_EQ(c.list.Stage("pseudo").size(), 8u);
  }
}

TEST(IdentityRuleListsTest, ReportsEveryLineItCannotRead) {
  struct Case {
    const char* line;
    const char* error;
  };
  const Case cases[] = {
      {"text equals \"A\" => set \"B", "unclosed quote"},
      {"text equals \"A\" set \"B\"", "TESTS => ACTION"},
      {"colour equals \"A\" => set \"B\"", "unknown field 'colour'"},
      {"text resembles \"A\" => set \"B\"", "unknown operation 'resembles'"},
      {"text equals A => set \"B\"", "a quoted text must follow 'equals'"},
      {"productversion major-below x => set \"B\"", "a number must follow 'major-below'"},
      {"text empty or text equals \"A\" => set \"B\"", "joined by 'and'"},
      {"text empty and => set \"B\"", "must follow 'and'"},
      {"=> set \"B\"", "at least one test"},
      {"text empty =>", "an action must follow"},
      {"text empty => paint \"B\"", "unknown action 'paint'"},
      {"text empty => set \"B\" \"C\"", "'set' takes 1 argument(s)"},
      {"text empty => set B", "'set' takes quoted texts"},
      {"text empty => take \"FileDescription\"", "take names a version string unquoted"},
      {"text empty => take Comments", "unknown version string 'Comments'"},
      {"text empty => fields \"1.2.5.0\"", "four digits 0-4"},
      {"text empty => fields \"1.2.3\"", "four digits 0-4"},
      {"[]", "a stage is written [name]"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto list = IdentityRuleList::Parse(AnsiString("[main]\n") + c.line + "\n");
    ASSERT_EQ(list.Errors().size(), 1u);
    EXPECT_NE(list.Errors()[0].find("line 2: "), AnsiString::npos) << list.Errors()[0];
    EXPECT_NE(list.Errors()[0].find(c.error), AnsiString::npos) << list.Errors()[0];
    EXPECT_EQ(list.RuleCount(), 0u);
  }
  const auto orphan = IdentityRuleList::Parse("text empty => set \"B\"\n");
  ASSERT_EQ(orphan.Errors().size(), 1u);
  EXPECT_NE(orphan.Errors()[0].find("before the first [stage]"), AnsiString::npos);
}

TEST(IdentityRuleListsTest, EachTestKindDecidesAsItsNameSays) {
  struct Case {
    const char* test;
    const char* text;
    bool holds;
  };
  const Case cases[] = {
      {"text equals \"Foo Bar\"", "foo BAR", true},
      {"text equals \"Foo\"", "Foo Bar", false},
      {"text is \"Foo\"", "Foo", true},
      {"text is \"Foo\"", "foo", false},
      {"text begins \"foo\"", "FOO bar", true},
      {"text begins \"bar\"", "foo bar", false},
      {"text ends \"BAR\"", "foo bar", true},
      {"text contains \"O B\"", "foo bar", true},
      {"text contains \"baz\"", "foo bar", false},
      {"text has \"Bar\"", "Foo Bar", true},
      {"text has \"bar\"", "Foo Bar", false},
      {"text empty", "", true},
      {"text empty", " ", false},
      {"not text empty", "x", true},
      {"text matches \"a*c?e\"", "ABBBCDE", true},
      {"text matches \"a*c?e\"", "abbbcde!", false},
      {"text matches \"*\"", "", true},
      {"text matches \"a*b*c\"", "aXbYbZc", true},
      {"file equals \"setup\"", "", true},
      {"file begins \"set\" and folder contains \"tools\"", "", true},
      {"company contains \"acme\"", "", true},
      {"company empty", "", false},
      {"dir equals \"Exact Audio Copy\"", "", true},
      {"path is \"C:/x/setup.exe\"", "", true},
      {"productversion major-below 8", "", true},
      {"productversion major-above 6", "", true},
      {"productversion major-above 7", "", false},
      {"fileversion major-below 8", "", false},
      {"version newer \"1.307.738.0\"", "", true},
      {"version newer \"1.307.738.1\"", "", false},
      {"no-uninstall \"Listed\"", "", false},
      {"no-uninstall \"Unlisted\"", "", true},
      {"installed \"doPDF\"", "", true},
      {"not installed \"doPDF\"", "", false},
      {"exists \"App/AppInfo/appinfo.ini\"", "", true},
      {"exists \"other.ini\"", "", false},
  };
  ScriptedFacts facts;
  facts.fields = {{RuleField::File, "SETUP"},
                  {RuleField::Folder, "C:/Tools/"},
                  {RuleField::Company, "The ACME Company"},
                  {RuleField::Dir, "exact audio copy"},
                  {RuleField::Path, "C:/x/setup.exe"},
                  {RuleField::ProductVersion, "7.40.0.151"},
                  {RuleField::FileVersion, "12.1"},
                  {RuleField::Version, "1.307.738.1"}};
  facts.uninstall_names = {"Listed"};
  facts.installed = {"doPDF"};
  facts.existing = {"App/AppInfo/appinfo.ini"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.test);
    const auto list = IdentityRuleList::Parse(AnsiString("[s]\n") + c.test + " => set \"hit\"\n");
    ASSERT_TRUE(list.Errors().empty()) << list.Errors()[0];
    EXPECT_EQ(list.Apply("s", c.text, facts), c.holds ? "hit" : c.text);
  }
}

TEST(IdentityRuleListsTest, EachActionKindRewritesOrAsksItsSource) {
  struct Case {
    const char* action;
    const char* text;
    const char* result;
  };
  const Case cases[] = {
      {"set \"New\"", "Old", "New"},
      {"append \" Portable\"", "Tool", "Tool Portable"},
      {"replace \"mpc\" \"Player\"", "MPC one, mpc two", "Player one, Player two"},
      {"cut-from \" - \"", "Tool - Setup - Extra", "Tool"},
      {"cut-from \"absent\"", "Tool", "Tool"},
      {"strip-end \" (beta)\"", "Tool (BETA)", "Tool"},
      {"take FileDescription", "Tool", "A described tool"},
      {"take InternalName", "Tool", ""},
      {"fields \"1.2.4.0\"", "4.5.6.7", "4.5.7.0"},
      {"fields \"2.1.0.0\"", "4.5", "5.4.0.0"},
      {"sibling \"upc.exe\"", "", "7|upc.exe"},
      {"uninstall \"Tool\"", "", "8|Tool"},
      {"uninstall-in-name \"Tool\"", "", "9|Tool"},
      {"uninstall-prefix \"Tool\"", "", "10|Tool"},
      {"uninstall-first-word \"Tool\"", "", "11|Tool"},
      {"uninstall-in-name-first-word \"Tool\"", "", "12|Tool"},
      {"uninstall-with \"Tool\" \"64-bit\"", "", "13|Tool|64-bit"},
      {"uninstall-without \"Tool\" \"64-bit\"", "", "14|Tool|64-bit"},
      {"uninstall-hkcu", "", "15"},
      {"ini \"Upgrade.ini\" \"Version\" \"Product Version\"", "",
       "16|Upgrade.ini|Version|Product Version"},
      {"newest-subfolder", "", "17"},
  };
  ScriptedFacts facts;
  facts.strings = {{"FileDescription", "A described tool"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.action);
    const auto list =
        IdentityRuleList::Parse(AnsiString("[s]\nnot text is \"-\" => ") + c.action + "\n");
    ASSERT_TRUE(list.Errors().empty()) << list.Errors()[0];
    EXPECT_EQ(list.Apply("s", c.text, facts), c.result);
  }
}

TEST(IdentityRuleListsTest, RulesRunInOrderOnEachOthersResultAndFirstStopsAtAResult) {
  const auto list = IdentityRuleList::Parse(R"(# a comment line
[chain]
text equals "a" => set "b"   # trailing comment
text equals "b" => set "c"
text equals "a" => set "never"
[first]
text empty => take ProductVersion
text empty => set "second"
text empty => set "third"
)");
  ASSERT_TRUE(list.Errors().empty());
  ScriptedFacts facts;
  EXPECT_EQ(list.Apply("chain", "a", facts), "c");
  EXPECT_EQ(list.Apply("missing", "a", facts), "a");
  // The first rule gives nothing (no ProductVersion), so the next one counts.
  EXPECT_EQ(list.First("first", "", facts), "second");
  EXPECT_EQ(list.First("first", "x", facts), std::nullopt);
}

TEST(IdentityRuleListsTest, WildcardMatchingStaysLinearOnHostilePatterns) {
  // A classic backtracking trap: many stars against a long near-miss.
  const AnsiString text(20000, 'a');
  EXPECT_FALSE(WildcardMatches(text, "*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(WildcardMatches(text + "b", "*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(WildcardMatches("", ""));
  EXPECT_FALSE(WildcardMatches("a", ""));
  EXPECT_TRUE(WildcardMatches("Acme Software Ltd", "acme * l?d"));
}

// The telling rows of the product list, each with the facts it looks at.
TEST(ProductRulesTest, TellingRowsRenameTheirProducts) {
  struct Case {
    const char* name;
    std::map<RuleField, AnsiString> fields;
    bool uninstall_listed;
    bool dopdf_installed;
    const char* expected;
  };
  const std::map<RuleField, AnsiString> none;
  const std::map<RuleField, AnsiString> nova = {{RuleField::Folder, "/opt/NovaPDF 9/"}};
  const Case cases[] = {
      {"Zoom Meetings", none, false, false, "Zoom"},
      {"Zoom Meetings Installer", none, false, false, "Zoom"},
      {"XnView Classic", none, false, false, "XnView"},
      {"xnview classic", none, false, false, "XnView"},
      {"XnView Classic Plus", none, false, false, "XnView Classic Plus"},
      {"ccPortable", none, false, false, "CCleaner Portable"},
      {"FileZilla FTP Client", none, false, false, "FileZilla"},
      {"MPC-BE x64", none, false, false, "Media Player Classic - Black Edition x64"},
      {"MPC-BE-beats", none, false, false, "MPC-BE-beats"},
      {"mpc-hc", none, false, false, "Media Player Classic - Home Cinema"},
      {"The MPC-HC player", none, false, false, "The Media Player Classic - Home Cinema player"},
      {"Skype", {{RuleField::ProductVersion, "7.40.0.151"}}, false, false, "Skype Classic"},
      {"Skype", {{RuleField::ProductVersion, "8.1.0.0"}}, false, false, "Skype"},
      {"PhotoFiltre", {{RuleField::ProductVersion, "7.2.1"}}, false, false, "PhotoFiltre Studio"},
      {"PhotoFiltre", {{RuleField::ProductVersion, "6.5.3"}}, false, false, "PhotoFiltre"},
      {"DVD Flick", {{RuleField::Version, "1.307.738.1"}}, false, false, "DVD Flick v2"},
      {"DVD Flick", {{RuleField::Version, "1.3.0.7"}}, false, false, "DVD Flick"},
      {"Malwarebytes Anti-Malware", none, false, false, "Malwarebytes Anti-Malware Portable"},
      {"Malwarebytes Anti-Malware", none, true, false, "Malwarebytes Anti-Malware"},
      {"malwarebytes anti-malware", none, false, false, "malwarebytes anti-malware"},
      {"Startup", nova, false, false, "novaPDF"},
      {"Startup", nova, false, true, "doPDF"},
      {"startup", nova, false, false, "novaPDF"},
      {"Startup", {{RuleField::Folder, "/opt/Other/"}}, false, false, "Startup"},
      {"Startup",
       {{RuleField::Folder, "/opt/novapdf/"}, {RuleField::Company, "Softland"}},
       false,
       false,
       "Startup"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedFacts facts;
    facts.fields = c.fields;
    if (c.uninstall_listed) {
      facts.uninstall_names = {"Malwarebytes Anti-Malware"};
    }
    if (c.dopdf_installed) {
      facts.installed = {"doPDF"};
    }
    EXPECT_EQ(ProductRules().Apply("main", c.name, facts), c.expected);
  }
}

TEST(CompanyRulesTest, TellingRowsRenameTheirCompanies) {
  struct Case {
    const char* company;
    const char* product;
    const char* expected;
  };
  const Case cases[] = {
      {"Micron Electronics", "", "Micron Technology, Inc."},
      {"micron", "", "Micron Technology, Inc."},
      {"Micronix Ltd", "", "Micronix Ltd"},
      {"Evernote Corporation", "", "Evernote Corp."},
      {"Alien Skin Software, LLC", "", "Exposure Software, LLC"},
      {"alien skin software, llc", "", "Exposure Software, LLC"},
      {"TuneUp Software GmbH", "", "TuneUp Software"},
      {"TUNEUP SOFTWARE GMBH", "", "TUNEUP SOFTWARE GMBH"},
      {"Safer-Networking Ltd.", "", "Safer Networking Limited"},
      {"safer networking", "", "safer networking"},
      {"AVIRA Operations GmbH & Co. KG", "", "Avira GmbH"},
      {"", "WizTree64", "Antibody Software"},
      {"", "Other", ""},
      {"Someone", "WizTree", "Someone"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.company);
    ScriptedFacts facts;
    facts.fields = {{RuleField::Name, c.product}};
    EXPECT_EQ(CompanyRules().Apply("main", c.company, facts), c.expected);
  }

  ScriptedFacts eac;
  eac.fields = {{RuleField::File, "EAC"}, {RuleField::Dir, "Exact Audio Copy"}};
  EXPECT_EQ(CompanyRules().First("file", "", eac), "ExactAudioCopy.org");
  EXPECT_EQ(CompanyRules().First("file", "Andre Wiethoff", eac), std::nullopt);
  eac.fields[RuleField::Dir] = "Other";
  EXPECT_EQ(CompanyRules().First("file", "", eac), std::nullopt);
}

TEST(VersionRulesTest, NamedProductsTakeTheirVersionFromTheirSource) {
  struct Case {
    std::map<RuleField, AnsiString> fields;
    const char* stage;
    const char* version;
    std::set<AnsiString> existing;
    std::optional<AnsiString> expected;
  };
  const Case cases[] = {
      {{{RuleField::File, "WindscribeLauncher"}}, "source", "", {}, "7|Windscribe.exe"},
      {{{RuleField::Name, "Uplay"}, {RuleField::File, "Uplay"}}, "source", "", {}, "7|upc.exe"},
      {{{RuleField::Name, "Uplay"}, {RuleField::File, "upc"}}, "source", "", {}, std::nullopt},
      {{{RuleField::Name, "Windows 11 Manager"}, {RuleField::Company, "Yamicsoft"}},
       "source",
       "",
       {},
       "15"},
      {{{RuleField::Name, "Windows 11 Manager"}, {RuleField::Company, "Other"}},
       "source",
       "",
       {},
       std::nullopt},
      {{{RuleField::Name, "Google Chrome"}}, "default", "0.0.0.0", {}, "17"},
      {{{RuleField::Name, "Google Chrome"}}, "default", "120.0.1.2", {}, "120.0.1.2"},
      {{{RuleField::File, "ToolPortable"}},
       "last",
       "1.0.0.0",
       {"App/AppInfo/appinfo.ini"},
       "16|App/AppInfo/appinfo.ini|Version|PackageVersion"},
      {{{RuleField::File, "ToolPortable"}}, "last", "1.0.0.0", {}, "1.0.0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    ScriptedFacts facts;
    facts.fields = c.fields;
    facts.existing = c.existing;
    if (AnsiString(c.stage) == "source") {
      EXPECT_EQ(VersionRules().First("source", c.version, facts), c.expected);
    } else {
      EXPECT_EQ(VersionRules().Apply(c.stage, c.version, facts), c.expected.value());
    }
  }
}

} // namespace
} // namespace vandrel
