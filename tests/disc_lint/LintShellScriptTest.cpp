// Struct.txt: each kind of problem is reported once, on the line that holds
// the value at fault.
#include "disc_lint/LintTestDisc.h"
#include "platform/Paths.h"

namespace trv::test {
namespace {

using disc::LintSeverity;
const std::string S = "Struct.txt";

std::size_t Errors(const std::vector<disc::LintFinding>& findings) {
  std::size_t n = 0;
  for (const auto& f : findings) n += f.severity == LintSeverity::kError;
  return n;
}

TEST(LintShellScriptTest, PicturesMissingFromTheArchive) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "background=back1.bmp", "background=gone_bg.bmp");
  LintDisc::Edit(s, "_screen3 back1.bmp", "_screen3 nope3.bmp");
  LintDisc::Edit(s, "fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=contextmenu5", "fn2=x2.bmp;fn3=p.bmp;fn4=i.bmp;go=contextmenu5");
  LintDisc::Edit(s, "fn5=i.bmp", "fn5=x5.bmp");
  LintDisc::Edit(s, "fn4=s4.bmp;state=off", "fn4=x4.bmp;state=off");
  LintDisc::Edit(s, "fnbtnmove=[item_h.bmp]", "fnbtnmove=[pics\\item_x.bmp]");
  // Items are read by their file part alone, so a folder in front is harmless.
  LintDisc::Edit(s, "fnbtnup=[item_n.bmp]", "fnbtnup=[any\\folder\\item_n.bmp]");
  d.archive.erase("app.bmp");
  d.archive.erase("pop.bmp");
  d.archive["back2.bmp"] = {'B', 'M', 1, 2, 3};  // there, but no bitmap
  const auto f = d.Lint();

  EXPECT_TRUE(Found(f, S, 2, "the application icon picture \"app.bmp\" is not in Mev.dhl")) << All(f);
  EXPECT_TRUE(Found(f, S, 3, "background picture \"gone_bg.bmp\" is not in Mev.dhl")) << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "nope3.bmp"), "the background of screen 3 picture \"nope3.bmp\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "x2.bmp"), "button fn2 picture \"x2.bmp\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "x5.bmp"), "button fn5 picture \"x5.bmp\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "x4.bmp"), "switch fn4 picture \"x4.bmp\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "fnfon"), "popup fnfon picture \"pop.bmp\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "item_x"),
                    "popup item fnbtnmove picture \"pics\\item_x.bmp\" (looked up as \"item_x.bmp\")"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "_screen2"), "picture \"back2.bmp\" cannot be shown: it is not a readable bitmap"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "_screen5"), "picture \"back2.bmp\" cannot be shown"));
  EXPECT_EQ(Errors(f), 10u) << All(f);
}

TEST(LintShellScriptTest, IconTakenFromAnotherWordIsExplained) {
  LintDisc d;
  d.structScript->push_back("rem lexicon: old");
  const auto f = d.Lint();
  const int line = int(d.structScript->size());
  EXPECT_TRUE(Found(f, S, line, "finds \"icon\" inside this line and takes \"old\" as the application icon "
                                "(it replaces the icon of line 2)", LintSeverity::kWarning)) << All(f);
  EXPECT_TRUE(Found(f, S, line, "the application icon picture \"old\" is not in Mev.dhl")) << All(f);
}

TEST(LintShellScriptTest, TreeBackgroundsComeFromTheTreeOrTheDisc) {
  {
    LintDisc d;  // on the disc instead of in the tree, with other letter case
    d.tree.erase("pics\\tree.bmp");
    const auto picture = Picture(40, 40);
    d.disk["Pics/Tree.BMP"] = std::string(picture.begin(), picture.end());
    const auto f = d.Lint();
    EXPECT_TRUE(f.empty()) << All(f);
  }
  LintDisc d;
  d.tree.erase("pics\\tree.bmp");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "backgroundimage"),
                    "tree backgroundimage \"pics\\tree.bmp\" is neither in interface.dat nor on the disc"))
      << All(f);
  EXPECT_EQ(Errors(f), 1u) << All(f);
}

TEST(LintShellScriptTest, SoundsAndClipsMustBeOnTheDisc) {
  LintDisc d;
  Lines& s = *d.structScript;
  d.disk.erase("sw.wav");
  d.disk.erase("Music/Song2.MP3");
  LintDisc::Edit(s, "clip=video\\intro.avi", "clip=video\\outro.avi");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, 4, "the background-music song \"music\\song2.mp3\" is not on the disc")) << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "switchone1"), "switch sound \"sw.wav\" is not on the disc"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "_path2"), "input box typing sound \"sw.wav\""));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "outro"),
                    "button command \"clip=video\\outro.avi\" plays \"video\\outro.avi\", which is not on the disc"))
      << All(f);
  EXPECT_TRUE(Found(f, "Options.txt", LintDisc::LineOf(*d.options, "switchgrp"), "switch sound \"sw.wav\""));
  EXPECT_TRUE(Found(f, "Dialog.txt", LintDisc::LineOf(*d.dialog, "switchgrp"), "switch sound \"sw.wav\""));
  EXPECT_EQ(Errors(f), 6u) << All(f);
}

TEST(LintShellScriptTest, PathRulesOfTheScriptsAreFollowed) {
  LintDisc d;
  Lines& s = *d.structScript;
  const DiscPaths paths = ComputeDiscPaths(d.dir.Path());
  const std::string folder = Cp1251ToUtf8(paths.programDir.substr(paths.cdRoot.size()));  // below the disc root
  std::string up = paths.programDir.substr(0, paths.programDir.size() - 1);
  up = Cp1251ToUtf8(up.substr(up.rfind('\\') + 1));  // the disc folder's own name
  // "<cd>" is the root of the disc's file system; ".." climbs from the program folder.
  LintDisc::Edit(s, "clip=video\\intro.avi", "clip=<cd>" + folder + "VIDEO\\intro.avi");
  LintDisc::Edit(s, "music\\Song1.mp3", "..\\" + up + "\\music\\Song1.mp3");
  EXPECT_TRUE(d.Lint().empty()) << All(d.Lint());

  LintDisc::Edit(s, "VIDEO\\intro", "VIDEO\\missing");
  LintDisc::Edit(s, "\\music\\Song1", "\\nomusic\\Song1");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "missing"), "plays")) << All(f);
  EXPECT_TRUE(Found(f, S, 4, "the background-music song")) << All(f);
  EXPECT_EQ(Errors(f), 2u) << All(f);
}

TEST(LintShellScriptTest, EmptyItemOfAMusicListIsAnError) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "bgsounddef=[music\\Song1.mp3;music\\song2.mp3]", "bgsounddef=[music\\Song1.mp3;");
  s.insert(s.begin() + 4, "music\\song2.mp3]");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, 4, "the background-music list has an empty item")) << All(f);
  EXPECT_EQ(Errors(f), 1u) << All(f);
}

TEST(LintShellScriptTest, CommandsThatNoRuleTakes) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "go=exit", "go=Exit");
  LintDisc::Edit(s, "go=about", "go=unarc");
  LintDisc::Edit(s, "go=options", "go=frobnicate");
  LintDisc::Edit(s, "goup=offtree", "goup=hidetree");
  LintDisc::Edit(s, "go=settree2", "go=settree7");
  LintDisc::Edit(s, "go=contextmenu5", "go=contextmenu9");
  LintDisc::Edit(s, "go=[screen1=store;exit]", "go=[screen1=store;jump;setusername=Вася;no;html=a.htm]");
  LintDisc::Edit(s, "caption=[Первый;Второй]", "caption=[Первый;Второй;В;Н;Х]");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "go=Exit"),
                    "button command \"Exit\" matches no rule of the command interpreter; it does nothing "
                    "(commands are case-sensitive; \"exit\"?)"))
      << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "unarc"), "\"unarc\" is a shell keyword that no command acts on"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "frobnicate"), "\"frobnicate\" matches no rule"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "hidetree"), "switch's goup command \"hidetree\" matches no rule"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "settree7"), "selects tree number 7, which no _tree block has"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "contextmenu9"),
                    "asks for popup 9, which screen 2 has no _popup of"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "jump"), "popup item command \"jump\" matches no rule"));
  // "about" and "options" are used no more, so their scripts need no command.
  EXPECT_EQ(Errors(f), 7u) << All(f);
}

TEST(LintShellScriptTest, CommandsForWindowsTheArchiveLacks) {
  LintDisc d;
  d.options.reset();
  d.about.reset();
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "go=about"), "shows nothing: Mev.dhl holds no About.txt"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "go=options"),
                    "shows nothing: Mev.dhl holds no Options.txt"));
  EXPECT_EQ(Errors(f), 2u) << All(f);
}

TEST(LintShellScriptTest, ScreensThatDoNotExist) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "go=screen2=store", "go=screen7=store");
  LintDisc::Edit(s, "go=about", "go=9");
  LintDisc::Edit(s, "go=[screen1=store;exit]", "go=[screen4=store;screen2=x=Глава 1]");
  LintDisc::Edit(s, "_screen4 back1.bmp", "_screen0 back1.bmp");
  s.push_back("button4;vx=1;vy=1;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=2;hint=;wav=no");
  s.push_back("button0;vx=1;vy=1;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=2;hint=;wav=no");
  LintDisc::Edit(*d.options, "startscreen 2", "startscreen 6");
  d.about.reset();  // "about" is no longer used
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "screen7"),
                    "button command \"screen7=store\" names screen 7, but the screens of Struct.txt run from 1 to 5"))
      << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "go=9"), "names screen 9, but the screens"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "screen4=store"), "names screen 4, which has no _screen picture"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "screen4=store"), "its first must be a tree number; it does nothing"));
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "_screen0"), "_screen line names screen 0"));
  EXPECT_TRUE(Found(f, S, int(s.size()) - 1, "button block is on screen 4, which has no _screen picture"));
  EXPECT_TRUE(Found(f, S, int(s.size()), "button block names screen 0; screens run from 1 to 1000"));
  EXPECT_TRUE(Found(f, "Options.txt", LintDisc::LineOf(*d.options, "startscreen"),
                    "option \"startscreen 6\" names screen 6, but the screens of Struct.txt run from 1 to 5"));
  EXPECT_EQ(Errors(f), 8u) << All(f);
}

TEST(LintShellScriptTest, ListsThatNeverCloseAreReportedWhereTheyOpen) {
  {
    LintDisc d;  // nothing closes it before the end
    LintDisc::Edit(*d.structScript, "vertex=[]", "vertex=[");
    const auto f = d.Lint();
    EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "vertex=["),
                      "the list of \"vertex\" opened here never closes; it runs to the end of the script"))
        << All(f);
  }
  {
    LintDisc d;
    Lines& s = *d.structScript;
    s.erase(s.begin() + 3);
    s.push_back("bgsounddef=[music\\Song1.mp3;music\\song2.mp3");
    const auto f = d.Lint();
    EXPECT_TRUE(Found(f, S, int(s.size()), "the list of \"bgsounddef\" opened here never closes")) << All(f);
    EXPECT_EQ(Errors(f), 1u) << All(f);  // its items are not taken for songs
  }
  {
    LintDisc d;
    LintDisc::Edit(*d.about, "0,100]", "0,100");
    const auto f = d.Lint();
    EXPECT_TRUE(Found(f, "About.txt", 2, "the list of \"vertex\" opened here never closes")) << All(f);
  }
}

TEST(LintShellScriptTest, ListsThatRunIntoTheNextList) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "caption=[Первый;Второй]", "caption=[Первый;Второй");
  const auto f = d.Lint();
  const int caption = LintDisc::LineOf(s, "caption");
  EXPECT_TRUE(Found(f, S, caption,
                    "the list of \"caption\" opened here has no \"]\" before line " + std::to_string(caption + 1) +
                        ", where another list opens; it takes in every line up to line " + std::to_string(caption + 1)))
      << All(f);
}

TEST(LintShellScriptTest, ListsSharingALineOrLackingABracket) {
  LintDisc d;
  Lines& s = *d.structScript;
  const int move = LintDisc::LineOf(s, "fnbtnmove");
  s[std::size_t(move - 1)] = "fnbtnmove=[item_h.bmp];fnbtndown=[item_x.bmp]";
  s.erase(s.begin() + move);  // the old fnbtndown line
  const auto f = d.Lint();
  // Both keys read the first list of the line: item_x.bmp is never looked for.
  EXPECT_TRUE(Found(f, S, move, "\"fnbtndown\" reads the first \"[\" list of its line, which stands before it"))
      << All(f);
  EXPECT_EQ(Errors(f), 1u) << All(f);

  LintDisc e;
  LintDisc::Edit(*e.structScript, "fnbtndown=[item_p.bmp]", "fnbtndown=item_p.bmp");
  const auto g = e.Lint();
  const int line = LintDisc::LineOf(*e.structScript, "fnbtndown");
  EXPECT_TRUE(Found(g, S, line, "\"fnbtndown\" has no \"[\" list on its line; it reads as empty", LintSeverity::kWarning))
      << All(g);
  EXPECT_TRUE(Found(g, S, line, "popup has 2 items but no \"fnbtndown\" picture")) << All(g);
}

TEST(LintShellScriptTest, MalformedShapesStopTheShell) {
  LintDisc d;
  LintDisc::Edit(*d.structScript, "200,150;", "200,x;");
  LintDisc::Edit(*d.structScript, "vertex=[]", "vertex=[1,1;2]");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, 5, "the window shape cannot be read (the shell does not start)")) << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "vertex=["), "popup shape cannot be read")) << All(f);
}

TEST(LintShellScriptTest, OptionalKeysOnTheLastLineAreNotRead) {
  LintDisc d;
  d.structScript->push_back("button1;vx=1;vy=1;fn1=n.bmp;fn2=h.bmp;fn3=p.bmp;fn4=i.bmp;go=2;hint=;wav=no;name=mm;fn6=z.bmp");
  const auto f = d.Lint();
  const int line = int(d.structScript->size());
  EXPECT_TRUE(Found(f, S, line, "\"name\" stands on the line of the block's last key", LintSeverity::kWarning)) << All(f);
  EXPECT_TRUE(Found(f, S, line, "\"fn6\" stands on the line of the block's last key", LintSeverity::kWarning));
  EXPECT_EQ(Errors(f), 0u) << All(f);  // z.bmp is never read, so never looked for
}

TEST(LintShellScriptTest, MissingRequiredKeysSwallowTheNextBlock) {
  LintDisc d;
  Lines& s = *d.structScript;
  LintDisc::Edit(s, "go=exit;hint=;wav=no", "go=exit;hint=");
  s.push_back("button1;vx=1;vy=2");
  const auto f = d.Lint();
  const int exitLine = LintDisc::LineOf(s, "go=exit");
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(s, "vx=100;vy=20;fn5"),
                    "button block has no \"wav\" before line " + std::to_string(exitLine + 1) +
                        ", where another block starts; the element pass takes it from line " +
                        std::to_string(exitLine + 1)))
      << All(f);
  EXPECT_TRUE(Found(f, S, int(s.size()), "button block has no \"fn1\" before the end of the script"));
}

TEST(LintShellScriptTest, TreesOffScreenNeedASettree) {
  LintDisc d;
  Lines& s = *d.structScript;
  // The tree's own colour keys on lines of their own: "hintcolor=" then
  // begins a line, as the script's hint colour line does, and is no block.
  LintDisc::Edit(s, "sbbarhinttextcolor=1,1,1;hintcolor=1,1,1;hinttextcolor=1,1,1", "sbbarhinttextcolor=1,1,1");
  s.push_back("hintcolor=1,1,1");
  s.push_back("hinttextcolor=1,1,1");
  // A second tree on a screen never shown: reachable through "settree2".
  LintDisc::Edit(s, "_tree3", "_tree99");
  s.push_back("_tree98;vx=1;vy=1;vw=2;vh=2;selectcolor=0,0,0;selectcolortext=0,0,0;fnlist=no;number=4;"
              "backgroundimage=;fontup=A;sizeup=1;styleup=;colorup=0,0,0;fontmv=A;sizemv=1;stylemv=;colormv=0,0,0;"
              "fontnm=A;sizenm=1;stylenm=;colornm=0,0,0;sbcolor=0,0,0;sbbarcolor=0,0,0;sbarrowcolor=0,0,0;"
              "sbarrowhottrackcolor=0,0,0;sbhintcolor=0,0,0;sbbarhinttextcolor=0,0,0;hintcolor=0,0,0;"
              "hinttextcolor=0,0,0");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, int(s.size()),
                    "_tree block is on screen 98, which has no _screen picture, and no settree command asks for its "
                    "number 4: it is never shown"))
      << All(f);
  EXPECT_EQ(Errors(f), 1u) << All(f);
}

TEST(LintShellScriptTest, ScreenOneMustHaveAPicture) {
  LintDisc d;
  LintDisc::Edit(*d.structScript, "_screen1 back1.bmp", "rem");
  const auto f = d.Lint();
  EXPECT_TRUE(Found(f, S, 0, "no _screen line gives screen 1 a picture")) << All(f);
  EXPECT_TRUE(Found(f, S, LintDisc::LineOf(*d.structScript, "name=mt"),
                    "button block is on screen 1, which has no _screen picture"))
      << All(f);
}

}  // namespace
}  // namespace trv::test
