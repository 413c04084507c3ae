// The results page of the game dialog while a score is sent: the exchange runs
// beside the loop, the page waits with only its close button active, Escape,
// the close button and the program's own close give up at once, and a result
// that comes after the page went is dropped. Also the page's boxes: the
// password masked and emptied after a submission, Tab going round them, and
// the help button's single sound.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <functional>

#include "game/CoolDialog.h"
#include "platform/Keys.h"
#include "shell/ShellDisc.h"

namespace trv::test {
namespace {

using ::testing::ElementsAre;
using Clock = std::chrono::steady_clock;

// A loopback port whose connections the kernel takes and nobody answers.
class SilentPort {
 public:
  SilentPort() {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    EXPECT_EQ(listen(fd_, 16), 0);
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    port_ = ntohs(a.sin_port);
  }
  ~SilentPort() { close(fd_); }
  std::string SaveUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/save.php"; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Page 3 (layout 2): close, help and send buttons, the name and password boxes.
const char* const kScript =
    "3_picture=bg.bmp\n"
    "3_text; vx=20; vy=10; vw=180; font=Arial; size=10; style=; color=0,0,0; value=\n"
    "3_button; vx=170; vy=5; align=right\n"
    "  name=close\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=close; hint=; wav=close.wav\n"
    "3_button; vx=140; vy=5; align=right\n"
    "  name=help\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=help; hint=; wav=help.wav\n"
    "3_button; vx=10; vy=100; align=left\n"
    "  name=send\n"
    "  fn1=n.bmp; fn2=h.bmp; fn3=p.bmp; go=sendresults; hint=; wav=send.wav\n"
    "3_path; vx=20; vy=40; vw=190; vh=55; pathdef=; hint=; textfontname=Arial; textfontstyle=;\n"
    "  textfontcolor=0,0,0; bgcolor=255,255,255; name=username; wav=no\n"
    "3_path; vx=20; vy=65; vw=190; vh=80; pathdef=; hint=; textfontname=Arial; textfontstyle=;\n"
    "  textfontcolor=0,0,0; bgcolor=255,255,255; name=userpassword; wav=no\n";

constexpr std::size_t kClose = 0, kHelp = 1, kSend = 2;

class ResultsSendingTest : public ShellTest {
 protected:
  ResultsSendingTest() {
    disc::ArchiveWriter w;
    std::string script;
    for (char c : std::string(kScript)) {
      if (c == '\n') script += '\r';
      script += c;
    }
    w.Add("Dialog.txt", Bytes(script));
    w.Add("bg.bmp", FlatBmp(220, 130, MakeColor(30, 30, 30)));
    w.Add("n.bmp", FlatBmp(20, 10, MakeColor(255, 0, 0)));
    w.Add("h.bmp", FlatBmp(20, 10, MakeColor(0, 255, 0)));
    w.Add("p.bmp", FlatBmp(20, 10, MakeColor(0, 0, 255)));
    std::filesystem::create_directories(discDir.Path());
    w.Write(discDir.Path() / "Mev.dhl");
    archive.OpenNative(discDir.Path() / "Mev.dhl");
    CoolDialogHost host;
    host.mainBounds = [] { return Rect{100, 100, 700, 500}; };
    host.playWav = [this](const std::string& s) { sounds.push_back(s); };
    host.soundsOn = [] { return true; };
    host.mainKeyDown = [this](int key, unsigned) { mainKeys.push_back(key); };
    host.showHelp = [this] { ++helpShown; };
    host.currentScore = [] { return 700; };
    host.saveUrl = [this] { return saveUrl; };
    host.title = "test";
    dialog = std::make_unique<TCoolDialog>(*platform, archive, ScriptPaths{"\\disc\\", "\\"}, std::move(host));
  }

  // ShowDialog(2) with `steps` played in turn from the idle loop, the clock
  // moved on by `stepMs` before each.
  int Show(std::deque<std::function<void()>> steps, int stepMs = 600) {
    int idle = 0;
    platform->VirtualLoop().SetIdleDriver([&, stepMs]() {
      if (++idle > 200) return false;
      Wait(std::uint64_t(stepMs));
      if (!steps.empty()) {
        auto step = std::move(steps.front());
        steps.pop_front();
        step();
      }
      return true;
    });
    const int result = dialog->ShowDialog(2, "700");
    platform->VirtualLoop().SetIdleDriver(nullptr);
    EXPECT_LE(idle, 200) << "the dialog never closed";
    return result;
  }
  Point Centre(std::size_t button) {
    const RDialogBtn& b = dialog->PlacedButtons().at(button);
    return {(b.left + b.right) / 2, (b.top + b.bottom) / 2};
  }
  HeadlessWindow* Dlg() { return platform->FindWindow("dialog"); }
  TPathInputBox& Boxes() { return *dialog->Boxes(2); }
  std::string Text(const char* name) { return Boxes().FindBoxText(2 + kDialogBoxKeyBase, name); }
  void Type(const std::string& text) { platform->TypeText("dialog", text); }

  TReadBin archive;
  std::unique_ptr<TCoolDialog> dialog;
  std::string saveUrl = "http://127.0.0.1:9/save.php";
  std::vector<std::string> sounds;
  std::vector<int> mainKeys;
  int helpShown = 0;
};

TEST_F(ResultsSendingTest, ThePageWaitsWhileTheLoopRunsAndEscapeGivesUpAtOnce) {
  SilentPort server;
  saveUrl = server.SaveUrl();
  platform->VirtualLoop().SetSettleAtIdle(false);  // the result never comes by itself
  int ticks = 0;
  const TimerId timer = platform->Loop().SetTimer(100, true, [&] { ++ticks; });
  bool sending = false, sendActive = true, closeActive = false, helpActive = true;
  Cursor cursor = Cursor::Arrow;
  int ticksAtSend = 0;
  Clock::time_point escapeAt;
  const int r = Show({[&] { platform->Click("dialog", Centre(kSend)); },
                      [&] {
                        ticksAtSend = ticks;
                        sending = dialog->SendingScore();
                        cursor = Dlg()->CurrentCursor();
                      },
                      [&] {
                        // What the page shows while it waits.
                        const auto lines = TraceOf("dialog");
                        ASSERT_FALSE(lines.empty());
                        const std::string& last = lines.back();
                        EXPECT_NE(last.find("\"op\":\"sending\""), std::string::npos) << last;
                        closeActive = last.find("{\"name\":\"close\",\"active\":true}") != std::string::npos;
                        sendActive = last.find("{\"name\":\"send\",\"active\":true}") != std::string::npos;
                        helpActive = last.find("{\"name\":\"help\",\"active\":true}") != std::string::npos;
                        escapeAt = Clock::now();
                        platform->KeyPress("dialog", vk::Escape);
                      }});
  const auto gaveUp = Clock::now() - escapeAt;
  platform->Loop().KillTimer(timer);
  EXPECT_TRUE(sending);
  EXPECT_EQ(cursor, Cursor::Wait);
  EXPECT_TRUE(closeActive);
  EXPECT_FALSE(sendActive);
  EXPECT_FALSE(helpActive);
  EXPECT_GE(ticks - ticksAtSend, 5);  // timers kept firing while the server was silent
  EXPECT_EQ(r, 104);
  EXPECT_TRUE(dialog->ResultIsStatus());
  EXPECT_LT(gaveUp, std::chrono::milliseconds(500));  // not the server's 30 s
  EXPECT_FALSE(dialog->SendingScore());
  EXPECT_EQ(Dlg()->CurrentCursor(), Cursor::Arrow);
  EXPECT_THAT(sounds, ElementsAre("send.wav", "close.wav"));
  // The worker ends soon after the cancel; its result is nobody's.
  platform->VirtualLoop().SettleBeside();
  EXPECT_TRUE(TraceOf("dialog").back().find("\"op\":\"close\"") != std::string::npos);
  EXPECT_EQ(TraceOf("dialog").size(), 4u);  // show, sending, send-canceled, close
}

TEST_F(ResultsSendingTest, TheCloseButtonAndTheProgramsCloseEndTheWaitToo) {
  SilentPort server;
  saveUrl = server.SaveUrl();
  platform->VirtualLoop().SetSettleAtIdle(false);
  // The close button stays active and gives up the sending as Escape does.
  int r = Show({[&] { platform->Click("dialog", Centre(kSend)); },
                [&] { platform->Click("dialog", Centre(kSend)); },  // inactive now: nothing
                [&] { platform->Click("dialog", Centre(kClose)); }});
  EXPECT_EQ(r, 104);
  EXPECT_THAT(sounds, ElementsAre("send.wav", "close.wav"));
  // The program closing the page (another dialog, the game leaving) drops the
  // sending with it: the page's result is the program's, not a status.
  r = Show({[&] { platform->Click("dialog", Centre(kSend)); }, [&] { dialog->CloseDialog(); }});
  EXPECT_EQ(r, kDialogClosed);
  EXPECT_FALSE(dialog->ResultIsStatus());
  platform->VirtualLoop().SettleBeside();
  EXPECT_EQ(TraceOf("dialog").back().find("\"op\":\"sent\""), std::string::npos);
  // The program ending while a sending is out: the page closes, and neither
  // the dialog's end nor the loop's waits for the silent server.
  const auto start = Clock::now();
  r = Show({[&] { platform->Click("dialog", Centre(kSend)); }, [&] { platform->Loop().Terminate(0); }});
  EXPECT_EQ(r, kDialogClosed);
  dialog.reset();
  platform->VirtualLoop().SettleBeside();
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(5));
}

TEST_F(ResultsSendingTest, TheResultArrivesAtTheSettlePointAndEmptiesThePassword) {
  // Nothing listens on port 9: every attempt is refused at once.
  int r = Show({[&] { platform->Click("dialog", Centre(kSend)); }});
  EXPECT_EQ(r, 104);
  EXPECT_NE(TraceOf("dialog").back().find("\"result\":104"), std::string::npos);
  // Typed into the boxes, the password shows as stars and is sent as typed.
  r = Show({[&] {
              Type("ivan");
              platform->KeyPress("dialog", vk::Tab);
              Type("p4ss");
            },
            [&] {
              EXPECT_EQ(Text("userpassword"), "p4ss");
              EXPECT_NE(Boxes().StateJson().find("\"text\":\"****\""), std::string::npos) << Boxes().StateJson();
              EXPECT_EQ(Boxes().StateJson().find("p4ss"), std::string::npos);
              platform->Click("dialog", Centre(kSend));
            }});
  EXPECT_EQ(r, 104);
  EXPECT_EQ(Text("username"), "ivan");  // kept for the next game
  EXPECT_EQ(Text("userpassword"), "");   // typed again for every submission
}

TEST_F(ResultsSendingTest, TabGoesRoundThePageBoxesBothWays) {
  std::vector<int> focus;
  auto note = [&] { focus.push_back(Boxes().Focused()); };
  Show({[&] {
          note();  // the first box has it when the page shows
          platform->KeyPress("dialog", vk::Tab);
          note();
          platform->KeyPress("dialog", vk::Tab);
          note();
          platform->KeyPress("dialog", vk::Tab, kShift);
          note();
          platform->KeyPress("dialog", vk::Tab, kShift);
          note();
          Type("x");  // Tab typed no character into a box
        },
        [&] { platform->KeyPress("dialog", vk::Escape); }});
  EXPECT_THAT(focus, ElementsAre(0, 1, 0, 1, 0));
  EXPECT_EQ(Text("username"), "x");
  EXPECT_EQ(Text("userpassword"), "");
}

TEST_F(ResultsSendingTest, TheHelpButtonSoundsOnceAndTheF1KeyGoesToTheMainWindow) {
  Show({[&] { platform->Click("dialog", Centre(kHelp)); },
        [&] { platform->KeyPress("dialog", vk::F1); },
        [&] { platform->KeyPress("dialog", vk::Escape); }});
  // The button's own sound, and the help without the main window's F1 sound.
  EXPECT_THAT(sounds, ElementsAre("help.wav", "close.wav"));
  EXPECT_EQ(helpShown, 1);
  EXPECT_THAT(mainKeys, ElementsAre(vk::F1));
}

}  // namespace
}  // namespace trv::test
