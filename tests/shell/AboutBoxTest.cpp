// The About box on a small archive: its links (what they show, where they
// take the mouse, what they open, the hand pointer), its buttons, keys and
// hover looks, the credits at the second corner press, and the addresses the
// shell hands to the desktop.
#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "platform/Keys.h"
#include "script/ScriptLines.h"
#include "shell/OutsideLinks.h"
#include "shell/ShellDisc.h"
#include "windows/About.h"

namespace trv::test {
namespace {

constexpr Color kBg = MakeColor(20, 30, 40);
constexpr Color kBtn = MakeColor(255, 0, 0);
constexpr Color kBtnHover = MakeColor(0, 255, 0);
constexpr int kW = 300, kH = 200;

const char* kAboutScript =
    "picture=bg.bmp\n"
    "vertex=[0,0;300,0;300,200;0,200]\n"
    "button; vx=250; vy=10\n"
    "  fn1=n.bmp; fn2=h.bmp; hint=Закрыть; wav=close.wav\n"
    "button; vx=100; vy=150\n"
    "  fn1=n.bmp; fn2=nohover.bmp; hint=; wav=no\n"
    "button; vx=10; vy=150\n"
    "  fn1=missing.bmp; fn2=h.bmp; hint=; wav=no\n"
    "text; vx=20; vy=40; font=Arial; size=10; style=underline; color=255,255,255\n"
    "  value=team@x.example?subject=Привет мир; idenf=url; wav=link.wav\n"
    "text; vx=20; vy=80; font=Arial; size=10; style=; color=255,255,255\n"
    "  value=http://x.example/а б\"; idenf=URL; wav=no\n"
    "text; vx=20; vy=110; font=Arial; size=10; style=; color=255,255,255\n"
    "  value=Просто текст; idenf=label; wav=no\n";

class AboutBoxTest : public ShellTest {
 protected:
  AboutBoxTest() {
    disc::ArchiveWriter w;
    w.Add("bg.bmp", FlatBmp(kW, kH, kBg));
    w.Add("n.bmp", FlatBmp(20, 10, kBtn));
    w.Add("h.bmp", FlatBmp(20, 10, kBtnHover));
    w.Write(discDir / "Mev.dhl");
    archive.OpenNative(discDir / "Mev.dhl");
    main = platform->CreateWindow({"main", "", Rect::FromSize(0, 0, 640, 480)});
    main->Show();
  }

  void Make(const std::string& script = kAboutScript) {
    std::string cp;
    for (char c : Utf8ToCp1251(script)) {
      if (c == '\n') cp += '\r';  // scripts end their lines with CR LF
      cp += c;
    }
    TDynamicStringArray lines;
    SplitLines(reinterpret_cast<const std::uint8_t*>(cp.data()), cp.size(), true, lines);
    AboutBoxHost host;
    host.soundsOn = [this] { return soundsOn; };
    host.showHints = [] { return true; };
    host.playSound = [this](const std::string& s) { sounds.push_back(s); };
    host.openLink = [this](const std::string& c) { opened.push_back(c); };
    box = std::make_unique<TAboutBox>(*platform, archive, lines, ScriptPaths{"\\disc\\", "\\"}, std::move(host));
  }

  // Shows the box with `steps` played in turn from the idle loop, each after
  // the clock moved on (the opening fade ends first); false when it never closed.
  bool Show(std::deque<std::function<void()>> steps) {
    int idle = 0;
    platform->VirtualLoop().SetIdleDriver([&]() {
      if (++idle > 100) return false;
      Wait(400);
      if (!steps.empty()) {
        auto step = std::move(steps.front());
        steps.pop_front();
        step();
      }
      return true;
    });
    box->ShowModal();
    platform->VirtualLoop().SetIdleDriver(nullptr);
    return idle <= 100;
  }
  HeadlessWindow* About() { return platform->FindWindow("about"); }
  void Move(Point p) { platform->Mouse("about", HeadlessPlatform::MouseAction::Move, p); }
  void Click(Point p) {
    Move(p);
    platform->Click("about", p);
  }
  int Width(const std::string& utf8, unsigned style = 0) {
    return platform->Fonts().CreateFont(FontSpec{"Arial", 10, style})->TextExtent(Utf8ToCp1251(utf8)).width;
  }

  TReadBin archive;
  std::unique_ptr<Window> main;
  std::unique_ptr<TAboutBox> box;
  bool soundsOn = true;
  std::vector<std::string> sounds, opened;
};

TEST_F(AboutBoxTest, LinksShowTheirAddressTakeTheMouseThereAndOpenWhatTheyName) {
  Make();
  ASSERT_EQ(box->Links().size(), 2u);  // the plain text is no link
  const TAboutLink& mail = box->Links()[0];
  const TAboutLink& web = box->Links()[1];
  EXPECT_EQ(mail.display, "team@x.example");
  EXPECT_EQ(mail.command, Utf8ToCp1251("mailto:team@x.example?subject=Привет мир"));
  EXPECT_EQ(mail.bounds, Rect::FromSize(20, 40, Width("team@x.example", kFontUnderline), mail.bounds.Height()));
  EXPECT_EQ(web.command, Utf8ToCp1251("http://x.example/а б\""));

  std::vector<Cursor> cursors;
  const Point inMail{mail.bounds.left + 2, mail.bounds.top + 3};
  const Point pastMail{mail.bounds.right + 3, mail.bounds.top + 3};  // over where "?subject" would be
  ASSERT_TRUE(Show({
      // From the second link straight onto the first: the hand stays.
      [&] { Move({web.bounds.left + 1, web.bounds.top + 2}); cursors.push_back(About()->CurrentCursor()); },
      [&] { Move(inMail); cursors.push_back(About()->CurrentCursor()); },
      [&] { Move(pastMail); cursors.push_back(About()->CurrentCursor()); },
      [&] { Click(pastMail); },  // no link there: the press drags the window
      [&] { Click(inMail); },
      [&] { Click({web.bounds.left + 1, web.bounds.top + 2}); },
      [&] { EXPECT_TRUE(About()->Visible()); platform->KeyPress("about", vk::Escape); },
  }));
  EXPECT_EQ(cursors, (std::vector<Cursor>{Cursor::Hand, Cursor::Hand, Cursor::Arrow}));
  EXPECT_EQ(opened, (std::vector<std::string>{mail.command, web.command}));
  EXPECT_EQ(sounds, std::vector<std::string>{"link.wav"});
  EXPECT_FALSE(About()->Visible());
  EXPECT_TRUE(main->HasFocus());  // the box gave the keyboard back
}

TEST_F(AboutBoxTest, AnyPlainButtonClosesEnterClosesAndHoverCrossFades) {
  Make();
  // The button without picture 1 has no area; its place is background.
  EXPECT_EQ(box->Canvas().Pixel(12, 152), kBg);
  EXPECT_EQ(box->Canvas().Pixel(252, 12), kBtn);
  for (const Point at : {Point{255, 15}, Point{105, 155}}) {
    Color hovered{}, left{};
    ASSERT_TRUE(Show({
        [&] { Move(at); },
        [&] { hovered = About()->Presented().Pixel(at.x, at.y); Move({150, 100}); },
        [&] { left = About()->Presented().Pixel(at.x, at.y); Click({12, 152}); },  // no area: nothing closes
        [&] { EXPECT_TRUE(About()->Visible()); Click(at); },
    }));
    EXPECT_EQ(hovered, at.x == 255 ? kBtnHover : kBtn);  // no picture 2: no hover look
    EXPECT_EQ(left, kBtn);
    EXPECT_FALSE(About()->Visible());
    EXPECT_EQ(About()->CurrentCursor(), Cursor::Arrow);
  }
  EXPECT_EQ(sounds, std::vector<std::string>{"close.wav"});
  soundsOn = false;
  ASSERT_TRUE(Show({[&] { platform->KeyPress("about", vk::Return); }}));
  ASSERT_TRUE(Show({[&] { Click({255, 15}); }}));
  EXPECT_EQ(sounds.size(), 1u);
}

TEST_F(AboutBoxTest, TheCreditsShowAtTheSecondExactCornerPressOnly) {
  Make();
  const Point corner{kW - 5, kH - 5};
  ASSERT_TRUE(Show({
      [&] { Click({kW - 4, kH - 5}); },  // one pixel off
      [&] { Click(corner); },
      [&] { EXPECT_TRUE(platform->MessageBoxes().empty()); Click(corner); },
      [&] { Click(corner); },
      [&] { platform->KeyPress("about", vk::Escape); },
  }));
  ASSERT_EQ(platform->MessageBoxes().size(), 1u);
  EXPECT_EQ(platform->MessageBoxes()[0].text.rfind(Utf8ToCp1251("Программеры:"), 0), 0u);
  ASSERT_TRUE(Show({[&] { Click(corner); }, [&] { Click(corner); }, [&] { platform->KeyPress("about", vk::Escape); }}));
  EXPECT_EQ(platform->MessageBoxes().size(), 1u);
}

TEST_F(AboutBoxTest, AMissingBackgroundOrAnEmptyScriptGivesABoxThatStillCloses) {
  LogCapture log;
  Make("picture=none.bmp\nvertex=[]\ntext; vx=1; vy=1; font=; size=-3; style=; color=; value=a@b; idenf=url\n");
  EXPECT_EQ(box->Canvas().Width(), 0);
  EXPECT_EQ(About()->Region(), nullptr);  // rectangular
  EXPECT_TRUE(log.Contains("none.bmp")) << log.All();
  ASSERT_TRUE(Show({[&] { platform->KeyPress("about", vk::Escape); }}));
  Make("");
  ASSERT_TRUE(Show({[&] { platform->KeyPress("about", vk::Return); }}));
}

TEST(LinkAddressTest, BlanksQuotesAndNonAsciiTextArePercentEncoded) {
  EXPECT_EQ(LinkAddress("http://x.example/a?b=1&c=%20d#top"), "http://x.example/a?b=1&c=%20d#top");
  EXPECT_EQ(LinkAddress(Utf8ToCp1251(" http://x.example/а б\"'\\`$(x) ")),
            "http://x.example/%D0%B0%20%D0%B1%22%27%5C%60$(x)");
  EXPECT_EQ(LinkAddress(Utf8ToCp1251("mailto:team@x.example?subject=Привет мир")),
            "mailto:team@x.example?subject=%D0%9F%D1%80%D0%B8%D0%B2%D0%B5%D1%82%20%D0%BC%D0%B8%D1%80");
  EXPECT_EQ(LinkAddress("100%"), "100%25");
  EXPECT_EQ(LinkAddress("a\r\nb"), "a%0D%0Ab");
}

}  // namespace
}  // namespace trv::test
