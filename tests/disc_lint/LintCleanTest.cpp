// A disc whose every name resolves lints clean, through the library and
// through the tool's verb.
#include <sstream>

#include "disc/Verbs.h"
#include "script/ScriptLines.h"
#include "disc_lint/LintTestDisc.h"

namespace trv::test {
namespace {

TEST(LintCleanTest, CleanDiscHasNoFinding) {
  LintDisc disc;
  const auto findings = disc.Lint();
  EXPECT_TRUE(findings.empty()) << All(findings);
  EXPECT_FALSE(disc::HasErrors(findings));
}

TEST(LintCleanTest, ScrambledScriptsLintTheSame) {
  LintDisc disc;
  disc.Write();
  // The same disc with Struct.txt in its scrambled form: lower-cased on
  // reading, still clean, since archive and disk names ignore case.
  disc::ArchiveWriter w;
  std::string text;
  for (const auto& l : *disc.structScript) text += l + "\r\n";
  w.Add("Struct.txt", ScrambleScript(Utf8ToCp1251(text)));
  for (const auto& [name, bytes] : disc.archive) w.Add(Utf8ToCp1251(name), bytes);
  w.Add("Dialog.txt", ScriptBytes(*disc.dialog));
  w.Add("Options.txt", ScriptBytes(*disc.options));
  w.Add("About.txt", ScriptBytes(*disc.about));
  w.Write(disc.dir / "Mev.dhl");
  const auto findings = disc::LintDisc(disc.dir.Path());
  EXPECT_TRUE(findings.empty()) << All(findings);
}

int RunLint(const std::vector<std::string>& args, std::string* out, std::string* err) {
  static const bool added = (disc::AddVerbs(disc::LintVerbs()), true);
  (void)added;
  std::ostringstream o, e;
  disc::ToolIo io{o, e};
  const int status = disc::RunTool(args, io);
  *out = o.str();
  *err = e.str();
  return status;
}

TEST(LintCleanTest, VerbPrintsOneLinePerFindingAndFailsOnErrors) {
  LintDisc disc;
  disc.Write();
  std::string out, err;
  EXPECT_EQ(RunLint({"lint", disc.dir.Path().string()}, &out, &err), 0) << out;
  EXPECT_EQ(out, "");
  EXPECT_NE(err.find("0 errors, 0 warnings"), std::string::npos) << err;

  LintDisc broken;
  LintDisc::Edit(*broken.structScript, "fn3=p.bmp;fn4=i.bmp;go=exit", "fn3=gone.bmp;fn4=i.bmp;go=exit");
  broken.Write();
  EXPECT_EQ(RunLint({"lint", broken.dir.Path().string()}, &out, &err), 1);
  const int line = LintDisc::LineOf(*broken.structScript, "gone.bmp");
  EXPECT_EQ(out, "Struct.txt:" + std::to_string(line) +
                     ": error: button fn3 picture \"gone.bmp\" is not in Mev.dhl\n");
  EXPECT_NE(err.find("1 error, 0 warnings"), std::string::npos) << err;

  EXPECT_EQ(RunLint({"lint", (disc.dir / "no-such-folder").string()}, &out, &err), 1);
  EXPECT_NE(err.find("is not a folder"), std::string::npos) << err;
  EXPECT_EQ(RunLint({"lint"}, &out, &err), 1);
  EXPECT_NE(err.find("usage: trivion-disc lint DISC_DIR"), std::string::npos) << err;
}

}  // namespace
}  // namespace trv::test
