// The build's own steps and its bookkeeping, on small content folders made
// by the tests.
#include <gtest/gtest.h>

#include <sstream>

#include "disc/Verbs.h"
#include "disc/build/BuildVerbs.h"
#include "disc/build/StepRunner.h"
#include "disc/build/Steps.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "store/PackedTree.h"
#include "store/ReadBin.h"
#include "support/TestSupport.h"

namespace trv::disc {
namespace {

using test::TempDir;
using test::WriteFile;

struct Built : test::LineLog {
  TempDir content;
  TempDir disc;
  BuildContext Context() {
    BuildContext ctx;
    ctx.contentDir = content.Path();
    ctx.discDir = disc.Path();
    ctx.log = Sink();
    return ctx;
  }
};

int runs = 0;
bool CountingStep(const BuildContext&) { return ++runs, true; }
bool FailingStep(const BuildContext&) { return ++runs, false; }

TEST(StepRunner, RedoesAStepOnlyWhenItsSourcesOrVersionChange) {
  Built b;
  WriteFile(b.content / "a" / "one.txt", "1");
  runs = 0;
  const auto ctx = b.Context();
  EXPECT_TRUE(RunSteps(ctx, {{"a", {"a"}, 1, CountingStep}}));
  EXPECT_TRUE(RunSteps(ctx, {{"a", {"a"}, 1, CountingStep}}));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(b.Logged("a: up to date"));
  WriteFile(b.content / "a" / "one.txt", "2");
  RunSteps(ctx, {{"a", {"a"}, 1, CountingStep}});
  EXPECT_EQ(runs, 2);
  WriteFile(b.content / "a" / "sub" / "two.txt", "");  // a new, even empty, file counts
  RunSteps(ctx, {{"a", {"a"}, 1, CountingStep}});
  EXPECT_EQ(runs, 3);
  RunSteps(ctx, {{"a", {"a"}, 2, CountingStep}});
  EXPECT_EQ(runs, 4);
  RunSteps(ctx, {{"a", {"a"}, 2, CountingStep}}, true);
  EXPECT_EQ(runs, 5) << "forced";

  // A failed step is tried again next time.
  EXPECT_FALSE(RunSteps(ctx, {{"f", {"a"}, 1, FailingStep}}));
  EXPECT_FALSE(RunSteps(ctx, {{"f", {"a"}, 1, FailingStep}}));
  EXPECT_EQ(runs, 7);
}

// A step that makes one disc file per line of content/m/list.txt ("a\b.wav"
// makes a/b.wav) and fails when the list says "fail".
bool ListStep(const BuildContext& ctx) {
  std::istringstream in(test::ReadFile(ctx.contentDir / "m" / "list.txt"));
  bool ok = true;
  for (std::string line; std::getline(in, line);) {
    if (line == "fail") {
      ok = false;
      continue;
    }
    ctx.Made(ctx.discDir / line);
    WriteFile(ctx.discDir / line, line);
  }
  return ok;
}

TEST(StepRunner, RemovesWhatAStepNoLongerMakesOnceItSucceeds) {
  Built b;
  const auto ctx = b.Context();
  const std::vector<BuildStepInfo> steps = {{"m", {"m"}, 1, ListStep}};
  WriteFile(b.content / "m" / "list.txt", "keep.wav\nold/deep/gone.wav\nold/other.wav\n");
  WriteFile(b.disc / "player.txt", "not the build's");
  ASSERT_TRUE(RunSteps(ctx, steps));
  ASSERT_TRUE(std::filesystem::exists(b.disc / "old" / "deep" / "gone.wav"));

  // A recipe broken for now removes nothing.
  WriteFile(b.content / "m" / "list.txt", "keep.wav\nfail\n");
  EXPECT_FALSE(RunSteps(ctx, steps));
  EXPECT_TRUE(std::filesystem::exists(b.disc / "old" / "deep" / "gone.wav"));
  EXPECT_TRUE(std::filesystem::exists(b.disc / "old" / "other.wav"));

  // Mended without those two: they go, with the folders they leave empty.
  WriteFile(b.content / "m" / "list.txt", "keep.wav\nold/new.wav\n");
  ASSERT_TRUE(RunSteps(ctx, steps));
  EXPECT_TRUE(std::filesystem::exists(b.disc / "keep.wav"));
  EXPECT_TRUE(std::filesystem::exists(b.disc / "old" / "new.wav"));
  EXPECT_FALSE(std::filesystem::exists(b.disc / "old" / "other.wav"));
  EXPECT_FALSE(std::filesystem::exists(b.disc / "old" / "deep"));
  EXPECT_TRUE(std::filesystem::exists(b.disc / "player.txt"));
  EXPECT_TRUE(b.Logged("m: removed old/other.wav, which nothing makes any more"));

  // A list edited by hand cannot reach outside the disc or into the stages.
  TempDir outside;
  WriteFile(outside / "precious.txt", "x");
  const std::string climb = std::filesystem::relative(outside.Path() / "precious.txt", b.disc.Path()).generic_string();
  WriteFile(b.disc / ".stage" / "made" / "m",
            "keep.wav\n" + (outside / "precious.txt").string() + "\n" + climb + "\n.stage/stamps\n");
  WriteFile(b.content / "m" / "list.txt", "keep.wav\n");
  ASSERT_TRUE(RunSteps(ctx, steps));
  EXPECT_TRUE(std::filesystem::exists(outside / "precious.txt"));
  EXPECT_TRUE(std::filesystem::exists(b.disc / ".stage" / "stamps"));
}

TEST(BuildScripts, StoresCodePage1251WithCrLfAndScramblesWhatTheListNames) {
  Built b;
  WriteFile(b.content / "scripts" / "Struct.txt", "title=Тест\n_screen1 фон.bmp\n");
  WriteFile(b.content / "scripts" / "Tesaurus.cfs", "слово\r\n");
  WriteFile(b.content / "scripts" / "scrambled.list", "Tesaurus.cfs\n");
  ASSERT_TRUE(BuildScripts(b.Context()));
  const auto stage = b.Context().ArchiveStage("scripts");
  const auto plain = test::ReadFile(stage / "Struct.txt");
  EXPECT_EQ(plain, Utf8ToCp1251("title=Тест\r\n_screen1 фон.bmp\r\n"));
  const auto scrambled = test::ReadFile(stage / "Tesaurus.cfs");
  const std::vector<std::uint8_t> bytes(scrambled.begin(), scrambled.end());
  EXPECT_TRUE(IsScrambledScript(bytes));
  TDynamicStringArray lines;
  SplitLines(bytes, false, lines);
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], Utf8ToCp1251("слово"));

  WriteFile(b.content / "scripts" / "scrambled.list", "Gone.txt\n");
  WriteFile(b.content / "scripts" / "Bad.txt", "ok\nstill ok\nemoji \xF0\x9F\x98\x80\n");
  EXPECT_FALSE(BuildScripts(b.Context()));
  EXPECT_TRUE(b.Logged("Bad.txt:3: a character outside code page 1251"));
  EXPECT_TRUE(b.Logged("scrambled.list names Gone.txt"));
}

TEST(BuildQuestionBank, TranscodesToTheDeclaredEncoding) {
  Built b;
  EXPECT_FALSE(BuildQuestionBank(b.Context()));
  EXPECT_TRUE(b.Logged("questions.xml is missing"));
  WriteFile(b.content / "questions" / "questions.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<a/>\n");
  EXPECT_FALSE(BuildQuestionBank(b.Context()));
  EXPECT_TRUE(b.Logged("must name encoding"));
  const std::string xml = "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<q>Ёлка</q>\n";
  WriteFile(b.content / "questions" / "questions.xml", xml);
  ASSERT_TRUE(BuildQuestionBank(b.Context()));
  EXPECT_EQ(test::ReadFile(b.Context().TreeStage("questions") / "questions.xml"), Utf8ToCp1251(xml));
}

TEST(BuildTreeFiles, ConvertsTextListsAndKeepsOtherFilesAsTheyAre) {
  Built b;
  EXPECT_TRUE(BuildTreeFiles(b.Context())) << "no content/tree is no error";
  WriteFile(b.content / "tree" / "lists" / "игры.txt", "Первая\nВторая\n");
  WriteFile(b.content / "tree" / "data.bin", std::string("\x01\x00\xff\n", 4));
  WriteFile(b.content / "tree" / "README.md", "notes");
  ASSERT_TRUE(BuildTreeFiles(b.Context()));
  const auto stage = b.Context().TreeStage("files");
  EXPECT_EQ(test::ReadFile(stage / "lists" / "игры.txt"), Utf8ToCp1251("Первая\r\nВторая\r\n"));
  EXPECT_EQ(test::ReadFile(stage / "data.bin"), std::string("\x01\x00\xff\n", 4));
  EXPECT_FALSE(std::filesystem::exists(stage / "README.md"));
}

TEST(VerbBuild, MakesTheArchiveAndTheTreeAndRebuildsOnlyWhatChanged) {
  Built b;
  WriteFile(b.content / "scripts" / "Struct.txt", "title=Тест\n");
  WriteFile(b.content / "pictures" / "p.pic",
            "part base.bmp 8 8\n fill #336699\nend\n"
            "picture фон.bmp 8 8\n image base.bmp 0 0\nend\ntreepicture trees\\bg.bmp 2 2\nend\n");
  WriteFile(b.content / "questions" / "questions.xml",
            "<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n<questions/>\n");
  auto run = [&](std::vector<std::string> extra = {}) {
    std::ostringstream out, err;
    ToolIo io{out, err};
    std::vector<std::string> args = {b.content.Path().string(), b.disc.Path().string()};
    args.insert(args.end(), extra.begin(), extra.end());
    const int status = VerbBuild(args, io);
    b.log.push_back(err.str());
    return status;
  };
  ASSERT_EQ(run(), 0) << b.log.back();
  TReadBin archive;
  archive.OpenNative(b.disc / "Mev.dhl");
  EXPECT_TRUE(archive.Exists("Struct.txt"));
  std::vector<std::uint8_t> picture;
  EXPECT_GT(archive.ReadToBuffer(Utf8ToCp1251("фон.bmp"), picture), 0);
  EXPECT_FALSE(archive.Exists("base.bmp")) << "a part is drawn into others, not stored";
  TPackedTree tree;
  tree.OpenTreeNative(b.disc / "interface.dat");
  EXPECT_GE(tree.FindFile("questions.xml"), 0);
  EXPECT_GE(tree.FindFile("trees\\bg.bmp"), 0);

  ASSERT_EQ(run(), 0);
  EXPECT_NE(b.log.back().find("pictures: up to date"), std::string::npos);
  WriteFile(b.content / "pictures" / "p.pic", "picture x.bmp 8 8\nend\n");
  ASSERT_EQ(run(), 0);
  TReadBin again;
  again.OpenNative(b.disc / "Mev.dhl");
  EXPECT_TRUE(again.Exists("x.bmp"));
  EXPECT_FALSE(again.Exists(Utf8ToCp1251("фон.bmp"))) << "a picture whose recipe is gone leaves the archive";

  WriteFile(b.content / "pictures" / "p.pic", "picture x.bmp 8 8\n  blur\nend\n");
  EXPECT_EQ(run(), 1);
  EXPECT_NE(b.log.back().find("p.pic:2: unknown command blur"), std::string::npos);
}

}  // namespace
}  // namespace trv::disc
