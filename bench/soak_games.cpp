// Soak run of the quiz: the whole shell on the headless backend plays games
// back to back in virtual time, a scripted player answering right, wrong,
// empty, late, not at all, or taking the points, and the peak resident size
// is printed after 100 games and after the last. Memory that grows with the
// number of games shows as a second figure well above the first.
//
//   soak_games DISC_DIR [GAMES]
//
// DISC_DIR is a test disc with a game screen and a bank whose every answer is
// "верно", e.g.:
//   make_test_disc --script tests/scenarios/game.Struct.txt DIR
//   iconv -f UTF-8 -t WINDOWS-1251 tests/scenarios/game.questions.xml >DIR/questions.xml
// Run it with HOME, XDG_CONFIG_HOME, XDG_STATE_HOME and XDG_RUNTIME_DIR in a
// scratch folder: the players table is written there. TRIVION_TRACE=FILE
// writes the run's trace, to check the mix of games played.
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "game/Random.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "platform/headless/HeadlessPlatform.h"
#include "shell/MainForm.h"
#include "game/MainGame.h"
#include "shell/ShellProcess.h"

namespace {

using namespace trv;

long PeakKb(const char* key) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(key, 0) == 0) return std::strtol(line.c_str() + std::char_traits<char>::length(key), nullptr, 10);
  return -1;
}

void Report(int games, std::uint64_t virtualMs) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("after %d games (%.1f virtual hours): ru_maxrss %ld kB, VmHWM %ld kB, VmRSS %ld kB\n", games,
              double(virtualMs) / 3.6e6, usage.ru_maxrss, PeakKb("VmHWM:"), PeakKb("VmRSS:"));
  std::fflush(stdout);
}

// The player: looks at the game every half second of virtual time.
class Player {
 public:
  Player(HeadlessPlatform& platform, TMainForm& form, int games) : platform_(platform), form_(form), games_(games) {}

  bool Step() {
    platform_.VirtualLoop().Advance(500);
    now_ += 500;
    TMainGame* game = form_.Game();
    if (!game) return false;
    const int screen = form_.CurrentScreen();
    if (screen != TMainGame::kGameScreen) {
      if (lastScreen_ == TMainGame::kGameScreen) {
        ++finished_;
        if (finished_ == 100 || finished_ == games_) Report(finished_, now_);
        if (finished_ >= games_) return false;
      }
      // A second on the same screen: its fade is over; on to the game.
      if (screen == lastScreen_ && ++still_ >= 2) {
        form_.RunCommand("startgame", "", 0, 0, 1);
        still_ = 0;
      }
      lastScreen_ = screen;
      return true;
    }
    if (lastScreen_ != screen) {
      lastScreen_ = screen;
      ++started_;
    }
    if (!game->AnswerOpen()) return true;
    // The box opens 2.5 s before the countdown; answers wait for one of
    // the two countdowns to show.
    TTextMsg* fields = form_.TextFields();
    if (!fields) return false;
    const bool discussion = !Trim(fields->GetText(TMainGame::kDiscussion)).empty();
    const bool writing = !Trim(fields->GetText(TMainGame::kWriting)).empty();
    if (!discussion && !writing) return true;
    const int g = started_;
    const int turn = game->TurnNumber();
    if (turn == answeredTurn_ && !retry_) return true;
    if (g % 10 == 3 && turn == 3) {
      form_.RunCommand("getmoney", "", 0, 0, 1);
      answeredTurn_ = turn;
      return true;
    }
    if (g % 50 == 9 && turn == 1) return true;  // both countdowns run out
    if (g % 10 == 5 && !writing) return true;  // answered in the writing time
    if (g % 10 == 6 && turn == 2 && game->ExtraMinutes() > 0) game->UseExtraMinute();
    const int kind = (g * 7 + turn) % 8;
    std::string answer = "верно";
    if (g % 10 == 7 || kind == 0) answer = "неверно";  // lost games, and some wrong answers
    if (kind == 1 && !retry_) {
      answer = "";  // the message; answered at the next look
      retry_ = true;
    } else {
      retry_ = false;
    }
    answeredTurn_ = turn;
    form_.SetInputBoxText(Utf8ToCp1251(answer));
    form_.RunCommand("validateanswer", "", 0, 0, 1);
    return true;
  }

 private:
  HeadlessPlatform& platform_;
  TMainForm& form_;
  const int games_;
  std::uint64_t now_ = 0;
  int lastScreen_ = -1;
  int still_ = 0;
  int started_ = 0;
  int finished_ = 0;
  int answeredTurn_ = -1;
  bool retry_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: soak_games DISC_DIR [GAMES]\n");
    return 2;
  }
  const int games = argc == 3 ? std::atoi(argv[2]) : 2000;
  if (games < 1) return 2;
  trv::FixRandomSeed(1);
  trv::PlatformConfig config;
  // TRIVION_TRACE: the trace of the run, to check what the player did.
  if (const char* trace = std::getenv("TRIVION_TRACE")) config.tracePath = trace;
  std::unique_ptr<trv::Platform> platform = trv::CreateHeadlessPlatform(config);
  auto& hp = static_cast<trv::HeadlessPlatform&>(*platform);
  const trv::DiscPaths disc = trv::ComputeDiscPaths(trv::LocateDisc(argv[1]));
  trv::StartArguments start;
  start.commandLine = "trivion";
  std::unique_ptr<Player> player;
  const int rc = trv::RunShellProcess(*platform, disc, start, [&](trv::TMainForm& form) {
    form.SetSoundsOn(false);
    player = std::make_unique<Player>(hp, form, games);
    hp.VirtualLoop().SetIdleDriver([&] { return player->Step(); });
  });
  return rc;
}
