// The viewer roles: their command line, the standard window and its toolbar,
// the help role and the thesaurus role on small discs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "shell/ViewerCommandLine.h"
#include "shell/ViewerToolbar.h"
#include "ShellDisc.h"

namespace trv::test {
namespace {

ViewerCommandLine Help(const std::string& line, std::size_t pathLength = 0) {
  return ReadViewerCommandLine(line, pathLength, kHelpSwitch);
}

TEST(ViewerCommandLine, TheHelpSwitchFollowsTheDocument) {
  ViewerCommandLine r = Help("\"C:\\Disc\\trivion.exe\" scheme.bmp /h");
  EXPECT_TRUE(r.viewerSwitch);
  EXPECT_EQ(r.document, "scheme.bmp");
  // Alone, the switch is trimmed to "/h": no leading space, no switch.
  r = Help("\"C:\\Disc\\trivion.exe\" /h");
  EXPECT_FALSE(r.viewerSwitch);
  EXPECT_EQ(r.document, "/h");
  // Quotes go everywhere, blanks at both ends.
  r = Help("\"C:\\Disc\\trivion.exe\" \"my pictures\\photo.jpg\" /h\t ");
  EXPECT_TRUE(r.viewerSwitch);
  EXPECT_EQ(r.document, "my pictures\\photo.jpg");
}

TEST(ViewerCommandLine, WithoutAQuotedPathTheProgramPathsLengthGoes) {
  // 15 characters of "C:\\Disc\\run.exe", then the rest.
  ViewerCommandLine r = Help("C:\\Disc\\run.exe notes.txt /h", 15);
  EXPECT_TRUE(r.viewerSwitch);
  EXPECT_EQ(r.document, "notes.txt");
  // A length past the line's end leaves nothing, and reads nothing beyond.
  EXPECT_EQ(Help("short", 500).document, "");
  EXPECT_EQ(ReadViewerCommandLine("\"p\" /t", 0, kThesaurusSwitch).viewerSwitch, false);
  const ViewerCommandLine t = ReadViewerCommandLine("\"p\" words /t", 0, kThesaurusSwitch);
  EXPECT_TRUE(t.viewerSwitch);
  EXPECT_EQ(t.document, "words");
}

TEST(ViewerCommandLine, JoinedLinesReadBackToTheirArguments) {
  const std::string line = JoinCommandLine("/opt/my disc/trivion", {"my doc.bmp", "/h"});
  EXPECT_EQ(line, "\"/opt/my disc/trivion\" \"my doc.bmp\" /h");
  const ViewerCommandLine r = Help(line);
  EXPECT_TRUE(r.viewerSwitch);
  EXPECT_EQ(r.document, "my doc.bmp");
}

TEST(ViewerCommandLine, StandardWindowSizes) {
  EXPECT_EQ(StandardWindowSize("Scheme.BMP"), (Size{780, 550}));
  EXPECT_EQ(StandardWindowSize("d:\\help\\SCHEME_LUX.bmp"), (Size{780, 550}));
  EXPECT_EQ(StandardWindowSize("photo.JPG"), (Size{45, 90}));
  EXPECT_EQ(StandardWindowSize("a.jpeg", {100, 10}), (Size{145, 100}));
  EXPECT_EQ(StandardWindowSize("map.gif"), (Size{45, 90}));
  EXPECT_EQ(StandardWindowSize("notes.txt"), std::nullopt);
  EXPECT_EQ(StandardWindowSize("/h"), std::nullopt);
  EXPECT_EQ(StandardWindowSize(""), std::nullopt);
  EXPECT_EQ(StandardWindowSize("bmp"), std::nullopt);
  EXPECT_EQ(StandardWindowSize("scheme.bmp.txt"), std::nullopt);
}

TEST(ViewerToolbar, ShownButtonsLieLeftToRightInReverseOrderAndOnlyClicksCount) {
  TViewerToolbar bar(nullptr);
  using B = TViewerToolbar;
  // All five shown: back, forward, divider, print, minimize.
  EXPECT_LT(bar.ButtonRect(B::kBack).left, bar.ButtonRect(B::kForward).left);
  EXPECT_LT(bar.ButtonRect(B::kForward).left, bar.ButtonRect(B::kDivider).left);
  EXPECT_EQ(bar.ButtonRect(B::kDivider).Width(), 10);
  EXPECT_LT(bar.ButtonRect(B::kPrint).left, bar.ButtonRect(B::kMinimize).left);
  EXPECT_EQ(bar.BackMenu().items.size(), 7u);
  EXPECT_EQ(bar.ForwardMenu().caption, Utf8ToCp1251("Вперед"));
  // The history buttons and the divider hidden: print comes first.
  bar.At(B::kBack).visible = bar.At(B::kForward).visible = bar.At(B::kDivider).visible = false;
  const Rect print = bar.ButtonRect(B::kPrint), minimize = bar.ButtonRect(B::kMinimize);
  EXPECT_EQ(print.left, 2);
  EXPECT_EQ(minimize.left, print.right);
  EXPECT_EQ(bar.HitTest({print.left - 1, 5}), B::kButtonCount);
  const Point onMin{minimize.left + 3, minimize.top + 3};
  // A press on one button released on another clicks nothing.
  EXPECT_TRUE(bar.MouseDown(onMin));
  EXPECT_EQ(bar.MouseUp({print.left + 3, print.top + 3}), B::kButtonCount);
  EXPECT_TRUE(bar.MouseDown(onMin));
  EXPECT_EQ(bar.MouseUp(onMin), B::kMinimize);
  // The hot button is drawn with the pictures under the mouse.
  Bitmap plain(300, 80, kButtonFace), hot(300, 80, kButtonFace);
  bar.Paint(plain);
  EXPECT_TRUE(bar.MouseMove({print.left + 3, print.top + 3}));
  EXPECT_FALSE(bar.MouseMove({print.left + 4, print.top + 3}));
  EXPECT_EQ(bar.Hot(), B::kPrint);
  bar.Paint(hot);
  EXPECT_NE(plain, hot);
  bar.SetVisible(false);
  EXPECT_EQ(bar.Height(), 0);
  EXPECT_EQ(bar.HitTest(onMin), B::kButtonCount);
}

// Tesaurus.cfs of a small disc: a 120x90 screen, its window buttons at the top
// right, one term. Pictures are made for the screen and the minimize button
// only: the close button's are missing.
std::string Thesaurus() {
  return "title=Слова\nicon=emblem.bmp\n"
         "minimize\nvx=80\nvy=2\nfn1=n.bmp\nfn2=h.bmp\nfn3=p.bmp\nhint=Свернуть\nwav=no\n"
         "close\nvx=100\nvy=30\nfn1=gone_n.bmp\nfn2=gone_h.bmp\nfn3=gone_p.bmp\nhint=Закрыть\nwav=no\n"
         "_screen1 thes.bmp\n"
         "1_text; vx=4; vy=40; vw=100; vh=60; font=arial; size=9; style=bold; color=1,2,3; value=Слово; "
         "ident=term; number=1\n";
}

std::vector<std::uint8_t> Scrambled(const std::string& scriptUtf8) {
  std::string crlf;
  for (char c : scriptUtf8) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  return ScrambleScript(Utf8ToCp1251(crlf));
}

std::vector<std::pair<std::string, std::vector<std::uint8_t>>> ThesaurusEntries(const std::string& script) {
  return {{"Tesaurus.cfs", Scrambled(script)},
          {"thes.bmp", FlatBmp(120, 90, MakeColor(1, 2, 3))},
          {"emblem.bmp", FlatBmp(16, 16, MakeColor(9, 9, 9))}};
}

TEST_F(ShellTest, TheHelpRoleIsTheStandardWindowSizedByItsDocument) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start({"Scheme.BMP", "/h"}));
  EXPECT_EQ(form->CurrentRole(), Role::Help);
  EXPECT_TRUE(form->ViewerSwitch());
  EXPECT_TRUE(form->InStandardWindow());
  EXPECT_EQ(Main()->Caption(), Utf8ToCp1251("Помощь"));
  EXPECT_EQ(Main()->Bounds().Width(), 780);
  EXPECT_EQ(Main()->Bounds().Height(), 550);
  EXPECT_TRUE(Main()->Framed());
  EXPECT_FALSE(Main()->Maximized());
  EXPECT_TRUE(Main()->Visible());
  EXPECT_EQ(Main()->Region(), nullptr);
  EXPECT_TRUE(Main()->AcceptsFiles());
  EXPECT_EQ(form->Archive(), nullptr);  // released once the window is built
  // The help role cannot leave the standard window: no minimize button.
  ASSERT_NE(form->Toolbar(), nullptr);
  EXPECT_FALSE(form->Toolbar()->At(TViewerToolbar::kMinimize).visible);
  EXPECT_TRUE(form->Toolbar()->At(TViewerToolbar::kPrint).visible);
  EXPECT_FALSE(form->Toolbar()->StatusVisible());
  // The toolbar is drawn on the face colour, with its print picture.
  const Rect print = form->Toolbar()->ButtonRect(TViewerToolbar::kPrint);
  EXPECT_EQ(At(Main()->Bounds().Width() - 5, Main()->Bounds().Height() - 5), kButtonFace);
  bool drawn = false;
  for (int y = print.top; y < print.bottom && !drawn; ++y)
    for (int x = print.left; x < print.right && !drawn; ++x) drawn = At(x, y) != kButtonFace;
  EXPECT_TRUE(drawn);
  // Escape ends it, as the switch followed the document.
  platform->KeyPress("main", vk::Escape);
  Wait(1);
  EXPECT_TRUE(Main() == nullptr || !Main()->Visible());
}

TEST_F(ShellTest, AHelpRoleWithoutItsSwitchKeepsItsSizeAndItsEscape) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start({"photo.JPG"}));
  EXPECT_FALSE(form->ViewerSwitch());
  EXPECT_EQ(Main()->Caption(), "");
  EXPECT_EQ(Main()->Bounds().Width(), 45);
  EXPECT_EQ(Main()->Bounds().Height(), 90);
  form.reset();
  ASSERT_TRUE(Start({"notes.txt"}));
  EXPECT_EQ(Main()->Bounds().Width(), 800);
  platform->KeyPress("main", vk::Escape);
  Wait(10);
  EXPECT_TRUE(Main()->Visible());
}

TEST_F(ShellTest, TheThesaurusIsASkinnedScreenFromItsScript) {
  WriteTestDisc(discDir.Path(), TestScript(), true, ThesaurusEntries(Thesaurus()));
  test::LogCapture log;
  ASSERT_TRUE(Start({"words", "/t"}));
  EXPECT_EQ(form->CurrentRole(), Role::Thesaurus);
  EXPECT_TRUE(form->ViewerSwitch());
  EXPECT_FALSE(form->InStandardWindow());
  EXPECT_EQ(Main()->Caption(), Utf8ToCp1251("Тезаурус"));
  EXPECT_EQ(Main()->Bounds().Width(), 120);
  EXPECT_EQ(Main()->Bounds().Height(), 90);
  EXPECT_FALSE(Main()->Icon().Empty());
  EXPECT_EQ(At(2, 80), MakeColor(1, 2, 3));
  EXPECT_EQ(At(81, 3), kNormal);  // the minimize button's normal picture
  EXPECT_EQ(form->Archive(), nullptr);
  ASSERT_EQ(form->Elements().Buttons.size(), 1u);
  ASSERT_EQ(form->Elements().Buttons[0].size(), 2u);
  // The hover look and the hint, as on the shell's screens.
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {85, 5});
  Wait(1500);
  EXPECT_EQ(At(81, 3), kHover);
  EXPECT_NE(platform->FindWindow("hint"), nullptr);
  // The minimize button runs "minimize".
  platform->Click("main", {85, 5});
  Wait(100);
  EXPECT_TRUE(Main()->Minimized());
  Main()->Restore();
  // Escape ends it.
  platform->KeyPress("main", vk::Escape);
  Wait(1);
  EXPECT_TRUE(Main() == nullptr || !Main()->Visible());
}

TEST_F(ShellTest, AThesaurusWithoutItsScriptOrPicturesStillOpens) {
  // No Tesaurus.cfs in the archive.
  WriteTestDisc(discDir.Path());
  {
    test::LogCapture log;
    ASSERT_TRUE(Start({"/t"}));
    EXPECT_TRUE(log.Contains("no readable Tesaurus.cfs")) << log.All();
  }
  EXPECT_FALSE(form->ViewerSwitch());
  EXPECT_TRUE(Main()->Visible());
  EXPECT_EQ(Main()->Caption(), Utf8ToCp1251("Тезаурус"));
  platform->Click("main", {10, 10});
  Wait(10);
  form.reset();
  // A script whose pictures are all missing and whose lines are cut.
  WriteTestDisc(discDir.Path(), TestScript(), true,
                {{"Tesaurus.cfs", Scrambled("minimize\nvx=1\n_screen1 none.bmp\nclose\n1_text; vx=4")}});
  ASSERT_TRUE(Start({"/t"}));
  EXPECT_TRUE(Main()->Visible());
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {5, 5});
  Wait(100);
}

TEST_F(ShellTest, StandartwinTwiceMakesTheToolbarOnceAndItsMinimizeComesBack) {
  WriteTestDisc(discDir.Path());
  ASSERT_TRUE(Start());
  Wait(100);
  const Rect skinned = Main()->Bounds();
  ASSERT_NE(Main()->Region(), nullptr);
  form->RunCommand("standartwin", "", 0, 0, 1);
  EXPECT_TRUE(form->InStandardWindow());
  EXPECT_TRUE(Main()->Maximized());
  EXPECT_TRUE(Main()->Framed());
  EXPECT_EQ(Main()->Region(), nullptr);
  const TViewerToolbar* bar = form->Toolbar();
  ASSERT_NE(bar, nullptr);
  ASSERT_TRUE(bar->At(TViewerToolbar::kMinimize).visible);
  // The skinned buttons take no clicks meanwhile; the toolbar's minimize does.
  const Rect min = bar->ButtonRect(TViewerToolbar::kMinimize);
  platform->Mouse("main", HeadlessPlatform::MouseAction::Move, {min.left + 4, min.top + 4});
  Wait(1500);
  EXPECT_NE(platform->FindWindow("hint"), nullptr);
  platform->Click("main", {min.left + 4, min.top + 4});
  Wait(10);
  EXPECT_FALSE(form->InStandardWindow());
  EXPECT_FALSE(Main()->Framed());
  EXPECT_FALSE(Main()->Maximized());
  EXPECT_EQ(Main()->Bounds(), skinned);
  ASSERT_NE(Main()->Region(), nullptr);
  EXPECT_EQ(Main()->Region()->size(), 4u);
  form->RunCommand("standartwin", "", 0, 0, 1);
  EXPECT_EQ(form->Toolbar(), bar);  // shown again, not made again
  const auto entries = TraceOf("viewer");
  ASSERT_GE(entries.size(), 2u);
  EXPECT_NE(entries.front().find("\"toolbar-made\":true"), std::string::npos);
  EXPECT_NE(entries.back().find("\"toolbar-made\":false"), std::string::npos);
  for (const std::string& line : TraceOf("command-owner")) EXPECT_EQ(line.find("viewer"), std::string::npos) << line;
}

}  // namespace
}  // namespace trv::test
