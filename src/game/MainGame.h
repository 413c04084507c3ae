#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "game/GameCollection.h"
#include "platform/EventLoop.h"
#include "windows/EffBtnCar.h"
#include "windows/SkinButton.h"

namespace trv {

class GameScreen;
class Platform;
class TPackedTree;
class TUsers;

// The quiz on the shell's game screen: a game of turns played to six right or
// six wrong answers, each turn a question typed in, a discussion minute, the
// writing time, the judgement and the comment; then the end of the game with
// the score stored and the result shown. It owns no window: it drives the text
// fields, the answer box, the lamps and buttons of the game screen, and every
// step runs on a one-shot timer of the event loop that the previous step armed.
class TMainGame {
 public:
  // The fields of the game screen, by number.
  static constexpr std::int32_t kQuestion = 555, kHint = 556, kDiscussion = 557, kScore = 558, kValue = 559,
                                kWriting = 560, kAnswer = 561, kWrong = 562, kRight = 563, kExtra = 564;
  static constexpr int kGameScreen = 4;
  static constexpr int kSidesToWin = 6;

  // `users` takes the score at the end of a game; may be null (nothing stored).
  // The question bank is read through `tree`, or from `programDir`.
  TMainGame(GameScreen& screen, Platform& platform, TUsers* users, const TPackedTree* tree, std::string programDir);
  ~TMainGame();
  TMainGame(const TMainGame&) = delete;
  TMainGame& operator=(const TMainGame&) = delete;

  // The shell entered the game screen: NewGame on a 25 ms timer that waits for
  // the screen's fade to end.
  void ScheduleNewGame();
  void NewGame();
  void ValidateAnswer(bool fromPlayer);
  void UseExtraMinute();
  void TakeMoney(bool forced);

  // The points of a question of `level` (1..14); 0 outside.
  static std::uint32_t LevelPoints(int level);
  // The text for a field: every "&" doubled, so that it shows as one.
  static std::string DoubleAmpersands(const std::string& text);
  // Breaks `text` into lines no wider than `width` in `measure`'s pixels.
  static std::string WrapText(const std::string& text, int width,
                              const std::function<int(const std::string&)>& measure);

  // The game table and the options read and set these.
  TGameCollection& Bank() { return *bank_; }
  int ChosenSector = 0;
  void SetSendResults(bool on) { sendResults_ = on; }
  void SetGameTable(bool on) { gameTable_ = on; }
  // Where the engine's dialogs go; by default the shell's game dialog. `sent`
  // is set when the code is a score submission's status.
  using DialogFunction = std::function<int(int layout, const std::string& text, bool* sent)>;
  void SetDialog(DialogFunction dialog) { dialog_ = std::move(dialog); }

  // For the state trace and the tests.
  std::uint32_t Score() const { return score_; }
  int Right() const { return right_; }
  int Wrong() const { return wrong_; }
  std::uint32_t ExtraMinutes() const { return extraMinutes_; }
  std::uint32_t QuestionValue() const { return questionValue_; }
  bool AnswerOpen() const { return answerOpen_; }
  bool WritingPhase() const { return writingPhase_; }
  int GamesStarted() const { return gamesStarted_; }
  int TurnNumber() const { return turnNumber_; }

 private:
  // A one-shot window timer that a step re-arms; arming it stops the last shot.
  class Shot {
   public:
    explicit Shot(EventLoop& loop) : loop_(loop) {}
    ~Shot() { Stop(); }
    void Fire(std::uint32_t ms, std::function<void()> fn);
    void Stop();
    bool Armed() const { return id_ != 0; }

   private:
    EventLoop& loop_;
    TimerId id_ = 0;
  };
  enum class Lamp { Off, Lighting, Lit };

  // Steps of a turn (MainGameTurn.cpp).
  void StartTurn();
  void TypeQuestion();
  void StartDiscussion();
  void DiscussionTick();
  void StartWriting();
  void WritingTick();
  void LightLamps();
  void FinishLamps();
  void ResetLamps();
  void JudgeAnswer(const std::string& typed, bool fromPlayer, std::int64_t elapsed);
  void AfterAnswer();
  void TypeComment();
  void BankExhausted(bool duringGame);
  // The end of a game (MainGameEnd.cpp).
  bool ShowResult(std::uint32_t score, bool canSend);
  void EndGame();
  void ReturnToRegistration();

  // "questions.xml" of the current folder, else of the program's.
  void LoadBank();
  // Screen parts (MainGame.cpp).
  bool LeftScreen() const;  // the screen's fade runs or another screen shows
  void FadeOutField(std::int32_t number);
  bool FieldsBusy(std::initializer_list<std::int32_t> numbers) const;
  void SetField(std::int32_t number, const std::string& text);
  void Blank(std::int32_t number) { SetField(number, " "); }
  void ClearTurn();
  bool StopTypingIfLeft();
  void StopCountdown();
  void SetAnswerButtonActive(bool active);
  void OfferExtraMinute();
  void WithdrawExtraMinute();
  // The game screen's button whose name holds `namePart`; -1 on another screen.
  int FindButton(const char* namePart) const;
  TSkinButton& GameButton(int i);
  std::vector<int> LampsOf(bool writing) const;
  int LitCount(const std::vector<int>& lamps) const;
  void CountLamps();
  void ShowAnswerBox(bool show);
  std::string AnswerBoxText() const;
  void SetAnswerBoxText(const std::string& text);
  void PlayGameSound(const std::string& utf8Name);
  void CloseDialog();
  // The game dialog's page `layout` with `text`; its result code.
  int ShowDialog(int layout, const std::string& text, bool* sent = nullptr);
  std::string WrapForQuestionField(const std::string& text) const;
  // One more character of `full` into field 555; true when all is shown.
  bool TypeOneMore(const std::string& full);
  bool Sounds() const;
  std::uint32_t Delay(std::uint32_t withSounds, std::uint32_t without) const {
    return Sounds() ? withSounds : without;
  }
  std::int64_t NowSeconds() const;

  GameScreen& screen_;
  Platform& platform_;
  const TPackedTree* tree_;
  std::string programDir_;
  TUsers* users_;
  std::unique_ptr<TGameCollection> bank_;

  Shot startTimer_, lampTimer_, countdownTimer_, typeTimer_, turnTimer_, finishTimer_;
  struct FieldFade {
    std::int32_t number = 0;
    std::unique_ptr<TEffBtnCar> fade;
  };
  std::array<FieldFade, 10> fades_;
  std::vector<Lamp> lamps_;  // by button index of the game screen

  int gamesStarted_ = 0;
  std::string questionLines_;
  std::string commentLines_;
  std::size_t typed_ = 0;  // characters of the text in typing shown so far
  int timer1Lamps_ = 0;
  int timer2Lamps_ = 0;
  int lampsWanted_ = 0;
  std::int64_t phaseStart_ = 0;
  bool lastRight_ = false;
  std::uint32_t questionValue_ = 0;
  std::uint32_t score_ = 0;
  int turnNumber_ = 0;
  bool answerOpen_ = false;
  bool typing_ = false;
  bool stepCleaned_ = false;
  bool writingPhase_ = false;
  int wrong_ = 0;
  int right_ = 0;
  std::uint32_t extraMinutes_ = 0;
  bool extraMinuteAsked_ = false;
  bool sendResults_ = true;
  bool gameTable_ = false;  // the main window passes the option on
  DialogFunction dialog_;
};

}  // namespace trv
