#include "engine/U_RebuildScript.h"

#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "support/Hermetic.h"

namespace vandrel {
namespace {

struct ScriptCase {
  const char* name;
  const char* source;
  int parts;
  const char* expected;
};

class RebuildScriptBytes : public testing::TestWithParam<ScriptCase> {};

TEST_P(RebuildScriptBytes, AreExactlyTheTwoLines) {
  const ScriptCase& c = GetParam();
  EXPECT_EQ(RebuildScriptText(W(c.source), c.parts), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, RebuildScriptBytes,
    testing::Values(
        ScriptCase{"OnePart", "movie.avi", 1,
                   "@echo off\r\ncopy /b \"movie.avi.vd0\" /b \"movie.avi\" /b /v"},
        ScriptCase{"ThreeParts", "movie.avi", 3,
                   "@echo off\r\ncopy /b \"movie.avi.vd0\" /b +\"movie.avi.vd1\" /b "
                   "+\"movie.avi.vd2\" /b \"movie.avi\" /b /v"},
        ScriptCase{"NoExtension", "README", 2,
                   "@echo off\r\ncopy /b \"README.vd0\" /b +\"README.vd1\" /b \"README\" /b /v"},
        ScriptCase{"EmptySource", "empty.bin", 0, "@echo off\r\ncopy /b  /b \"empty.bin\" /b /v"},
        // The command interpreter reads "%" as the start of a variable.
        ScriptCase{"PercentDoubled", "100%.avi", 2,
                   "@echo off\r\ncopy /b \"100%%.avi.vd0\" /b +\"100%%.avi.vd1\" /b \"100%%.avi\" "
                   "/b /v"},
        ScriptCase{"NonAsciiName", "été à la plage.mkv", 1,
                   "@echo off\r\ncopy /b \"été à la plage.mkv.vd0\" /b \"été à la plage.mkv\" "
                   "/b /v"}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

TEST(RebuildScript, IsWrittenBesideThePartsReplacingAnOldOne) {
  test::TempDir dir;
  test::WriteFile(dir.File("movie.avi.bat"), "an older, much longer script than the new one");
  WriteRebuildScript(W(test::PathText(dir.path())), W("/elsewhere/movie.avi"), 2);
  EXPECT_EQ(test::ReadFile(dir.File("movie.avi.bat")), RebuildScriptText(W("movie.avi"), 2));
  EXPECT_EQ(RebuildScriptName(W(test::PathText(dir.path()) + "/"), W("/x/movie.avi")),
            dir.WFile("movie.avi.bat"));
}

TEST(RebuildScript, ThatCannotBeCreatedRaisesTheCreateError) {
  test::TempDir dir;
  EXPECT_THROW(WriteRebuildScript(dir.WFile("missing folder"), W("movie.avi"), 1), EFCreateError);
}

} // namespace
} // namespace vandrel
