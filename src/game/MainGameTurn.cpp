// One turn of the quiz: the question typed in, the discussion minute, the
// writing time, the lamps of both countdowns, the judgement and the comment.
#include "game/Random.h"
#include "platform/Keyboard.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "game/GameScreen.h"
#include "game/MainGame.h"

namespace trv {
namespace {

constexpr int kDiscussionSeconds = 60;
constexpr int kWritingSeconds = 30;
constexpr std::uint32_t kTick = 250;
constexpr std::uint32_t kTypeInterval = 33;

std::string TwoDigits(std::int64_t n) { return (n < 10 ? "0" : "") + std::to_string(n); }

}  // namespace

void TMainGame::StartTurn() {
  typeTimer_.Stop();
  turnTimer_.Stop();
  lampTimer_.Stop();
  if (!stepCleaned_ && turnNumber_ > 0) {
    FadeOutField(kQuestion);
    SetAnswerBoxText("");
    FadeOutField(kAnswer);
    FadeOutField(kValue);
    ResetLamps();
    stepCleaned_ = true;
  }
  if (FieldsBusy({kQuestion, kHint, kAnswer, kValue})) {
    turnTimer_.Fire(300, [this] { StartTurn(); });
    return;
  }
  Blank(kQuestion);
  Blank(kHint);
  Blank(kAnswer);
  Blank(kValue);
  if (right_ >= kSidesToWin || wrong_ >= kSidesToWin) {
    TakeMoney(true);
    return;
  }
  ChosenSector = 0;
  bool taken = false;
  if (gameTable_) {
    ChosenSector = 1 + int(RandomIndex(TGameCollection::kLevels));
    CloseDialog();
    screen_.HideHint();
    if (ShowDialog(6, "") == 1) {
      bank_->TakeQuestion(ChosenSector);
      taken = true;
    }
  }
  if (!taken) {
    bool found = false;
    for (int draw = 0; draw < 11111 && !found; ++draw) {
      const int level =
          draw == 0 && ChosenSector != 0 ? ChosenSector : 1 + int(RandomIndex(TGameCollection::kLevels));
      if (bank_->LevelAvailable(level)) {
        bank_->TakeQuestion(level);
        found = true;
      }
    }
    if (!found) {
      BankExhausted(true);
      return;
    }
  }
  if (TGameCollection::IsBlank(bank_->Current)) {
    BankExhausted(true);
    return;
  }
  platform_.Keys().LoadLayout(kLayoutRussian);
  ++turnNumber_;
  stepCleaned_ = false;
  questionLines_ = WrapForQuestionField(bank_->Current.Text);
  platform_.Tracer()
      .Emit("game")
      .Utf8("step", "turn")
      .Int("turn", turnNumber_)
      .Int("level", bank_->Current.Level)
      .Int("id", bank_->Current.ID);
  typeTimer_.Fire(1250, [this] { TypeQuestion(); });
}

// A typing step that finds the game screen gone clears the turn and stops.
bool TMainGame::StopTypingIfLeft() {
  if (!LeftScreen()) return false;
  ClearTurn();
  typeTimer_.Stop();
  typing_ = false;
  return true;
}

void TMainGame::TypeQuestion() {
  if (StopTypingIfLeft()) return;
  if (!typing_) {
    if (FieldsBusy({kQuestion, kHint, kAnswer, kValue})) {
      typeTimer_.Fire(500, [this] { TypeQuestion(); });
      return;
    }
    PlayGameSound("s_Появление вопроса.wav");
    Blank(kQuestion);
    Blank(kHint);
    Blank(kAnswer);
    Blank(kValue);
    if (TTextMsg* fields = screen_.TextFields()) {
      fields->SetHighlight(kQuestion, false);
      fields->SetHighlight(kAnswer, false);
    }
    questionValue_ = LevelPoints(bank_->Current.Level);
    SetField(kValue, std::to_string(questionValue_));
    typed_ = 0;
  }
  typing_ = true;
  if (!TypeOneMore(questionLines_)) {
    typeTimer_.Fire(kTypeInterval, [this] { TypeQuestion(); });
    return;
  }
  typing_ = false;
  typeTimer_.Stop();
  SetField(kHint, DoubleAmpersands(bank_->Current.Hint));
  ShowAnswerBox(true);
  lampTimer_.Fire(2500, [this] { StartDiscussion(); });
  answerOpen_ = true;
}

void TMainGame::StartDiscussion() {
  extraMinuteAsked_ = false;
  writingPhase_ = false;
  lampTimer_.Stop();
  PlayGameSound("s_Начало отсчета таймера1.wav");
  platform_.Tracer().Emit("game").Utf8("step", "discussion").Int("extra-minutes", extraMinutes_);
  phaseStart_ = NowSeconds();
  DiscussionTick();
  SetAnswerButtonActive(true);
}

void TMainGame::DiscussionTick() {
  countdownTimer_.Stop();
  if (LeftScreen()) return;
  const std::int64_t left = phaseStart_ + kDiscussionSeconds - NowSeconds();
  if (left < 0) {
    FadeOutField(kDiscussion);
    if (extraMinuteAsked_) {
      if (extraMinutes_ > 0) --extraMinutes_;
      SetField(kExtra, std::to_string(extraMinutes_));
      ResetLamps();
      lampTimer_.Fire(3000, [this] { StartDiscussion(); });
    } else {
      lampTimer_.Fire(3000, [this] { StartWriting(); });
    }
    return;
  }
  countdownTimer_.Fire(kTick, [this] { DiscussionTick(); });
  if (left <= 10 && extraMinutes_ > 0 && !extraMinuteAsked_) OfferExtraMinute();
  const int wanted = int((kDiscussionSeconds + 1 - left) * timer1Lamps_ / kDiscussionSeconds);
  if (wanted != lampsWanted_) {
    lampsWanted_ = wanted;
    lampTimer_.Fire(500, [this] { LightLamps(); });
  }
  const std::string shown = TwoDigits(left);
  if (TTextMsg* fields = screen_.TextFields(); fields && fields->GetText(kDiscussion) != shown)
    SetField(kDiscussion, shown);
}

void TMainGame::StartWriting() {
  writingPhase_ = true;
  lampTimer_.Stop();
  PlayGameSound("s_Начало отсчета таймера2.wav");
  platform_.Tracer().Emit("game").Utf8("step", "writing");
  phaseStart_ = NowSeconds();
  WritingTick();
  SetAnswerButtonActive(true);
  Blank(kDiscussion);
  WithdrawExtraMinute();
}

void TMainGame::WritingTick() {
  countdownTimer_.Stop();
  if (LeftScreen()) return;
  const std::int64_t left = phaseStart_ + kWritingSeconds - NowSeconds();
  if (left < 0) {
    ValidateAnswer(false);
    return;
  }
  countdownTimer_.Fire(kTick, [this] { WritingTick(); });
  const int wanted = int((kWritingSeconds + 1 - left) * timer2Lamps_ / kWritingSeconds);
  if (wanted != lampsWanted_) {
    lampsWanted_ = wanted;
    lampTimer_.Fire(500, [this] { LightLamps(); });
  }
  const std::string shown = TwoDigits(left);
  if (TTextMsg* fields = screen_.TextFields(); fields && fields->GetText(kWriting) != shown) SetField(kWriting, shown);
}

void TMainGame::LightLamps() {
  lampTimer_.Stop();
  if (LeftScreen()) {
    ClearTurn();
    return;
  }
  const std::vector<int> lamps = LampsOf(writingPhase_);
  int lit = LitCount(lamps);
  bool started = false;
  const int step = 5;
  for (int i : lamps) {
    if (lit >= lampsWanted_) break;
    if (lamps_[std::size_t(i)] != Lamp::Off) continue;
    TSkinButton& b = GameButton(i);
    b.Animation().SetStep(step);
    b.CrossFade(kBtnNormal, kBtnPressed);
    lamps_[std::size_t(i)] = Lamp::Lighting;
    ++lit;
    started = true;
    lampTimer_.Fire(500, [this] { FinishLamps(); });
  }
  if (started && lampsWanted_ >= 1 && lampsWanted_ <= 6) {
    const std::string folder = writingPhase_ ? "Timer2\\Tim2_" : "Timer1\\Tim1_";
    PlayGameSound(folder + (lampsWanted_ == 6 ? std::string("Fin") : std::to_string(lampsWanted_ - 1)) + ".wav");
  }
}

void TMainGame::FinishLamps() {
  lampTimer_.Stop();
  if (LeftScreen()) {
    ClearTurn();
    return;
  }
  const std::vector<int> lamps = LampsOf(writingPhase_);
  // Lamps already lit count; those still lighting get their second fade.
  int lit = 0;
  for (int i : lamps)
    if (lamps_[std::size_t(i)] == Lamp::Lit) ++lit;
  for (int i : lamps) {
    if (lit >= lampsWanted_) break;
    if (lamps_[std::size_t(i)] == Lamp::Lit) continue;
    TSkinButton& b = GameButton(i);
    b.Animation().SetStep(1);
    b.CrossFade(kBtnPressed, kBtnInactive);
    screen_.Background().Blit(b.Record().left, b.Record().top, b.Picture(kBtnInactive));
    lamps_[std::size_t(i)] = Lamp::Lit;
    ++lit;
  }
}

void TMainGame::ResetLamps() {
  lampTimer_.Stop();
  lampsWanted_ = 0;
  if (LeftScreen()) {
    ClearTurn();
    return;
  }
  std::vector<int> all = LampsOf(false);
  const std::vector<int> second = LampsOf(true);
  all.insert(all.end(), second.begin(), second.end());
  std::sort(all.begin(), all.end());
  for (auto it = all.rbegin(); it != all.rend(); ++it) {
    const std::size_t i = std::size_t(*it);
    TSkinButton& b = GameButton(int(i));
    if (i < lamps_.size() && lamps_[i] != Lamp::Off) {
      b.Animation().SetStep(1);
      b.CrossFade(kBtnInactive, kBtnNormal);
    }
    screen_.Background().Blit(b.Record().left, b.Record().top, b.Picture(kBtnNormal));
    if (i < lamps_.size()) lamps_[i] = Lamp::Off;
  }
}

void TMainGame::UseExtraMinute() {
  if (!answerOpen_ || writingPhase_ || extraMinutes_ == 0) return;
  extraMinuteAsked_ = true;
  WithdrawExtraMinute();
  platform_.Tracer().Emit("game").Utf8("step", "extra-minute-asked");
}

void TMainGame::ValidateAnswer(bool fromPlayer) {
  if (!answerOpen_) return;
  const std::string typed = AnswerBoxText();
  if (fromPlayer && Trim(typed).empty()) {
    CloseDialog();
    ShowDialog(4, Utf8ToCp1251("Пожалуйста, введите ответ!"));
    return;
  }
  const std::int64_t elapsed = NowSeconds() - phaseStart_;
  StopCountdown();
  ShowAnswerBox(false);
  // The answer is closed from here: a click or key during the pause finds it
  // closed, as it would after a pause that held the loop.
  answerOpen_ = false;
  lampTimer_.Stop();
  // A short pause between the box going and the answer showing in the field.
  turnTimer_.Fire(200, [this, typed, fromPlayer, elapsed] { JudgeAnswer(typed, fromPlayer, elapsed); });
}

void TMainGame::JudgeAnswer(const std::string& typed, bool fromPlayer, std::int64_t elapsed) {
  turnTimer_.Stop();
  if (TTextMsg* fields = screen_.TextFields()) fields->SetText(DoubleAmpersands(typed), kAnswer, false, false);
  SetAnswerButtonActive(false);
  lastRight_ = bank_->CheckAnswer(typed);
  FadeOutField(kDiscussion);
  FadeOutField(kWriting);
  platform_.Tracer()
      .Emit("game")
      .Utf8("step", "judged")
      .Bool("right", lastRight_)
      .Bool("from-player", fromPlayer)
      .Int("elapsed", elapsed);
  const std::string digit = std::to_string(RandomIndex(5));
  if (lastRight_) {
    if (!writingPhase_ && elapsed < 10) {
      ++extraMinutes_;
      SetField(kExtra, std::to_string(extraMinutes_));
    }
    PlayGameSound(right_ + 1 == kSidesToWin ? "Правильный ответ\\s_Уровень 1000000.wav"
                                            : "Правильный ответ\\s_Правильный ответ" + digit + ".wav");
  } else {
    PlayGameSound(wrong_ + 1 == kSidesToWin ? "Неправильный ответ\\s_Звук неудачного завершения игры.wav"
                                            : "Неправильный ответ\\s_Неправильный ответ" + digit + ".wav");
  }
  turnTimer_.Fire(Delay(2000, 1000), [this] { AfterAnswer(); });
}

void TMainGame::AfterAnswer() {
  typeTimer_.Stop();
  turnTimer_.Stop();
  lampTimer_.Stop();
  if (FieldsBusy({kQuestion, kHint, kAnswer})) {
    turnTimer_.Fire(300, [this] { AfterAnswer(); });
    return;
  }
  if (!stepCleaned_) {
    Blank(kDiscussion);
    Blank(kWriting);
    ClearTurn();
    ResetLamps();
    if (lastRight_) {
      score_ += questionValue_;
      SetField(kScore, std::to_string(score_));
      ++right_;
      SetField(kRight, std::to_string(right_));
      SetField(kWrong, std::to_string(wrong_));
    } else {
      ++wrong_;
      SetField(kWrong, std::to_string(wrong_));
      SetField(kRight, std::to_string(right_));
    }
  }
  stepCleaned_ = false;
  commentLines_ = WrapForQuestionField(bank_->Current.Comment);
  typing_ = false;
  typeTimer_.Fire(kTypeInterval, [this] { TypeComment(); });
}

void TMainGame::TypeComment() {
  if (StopTypingIfLeft()) return;
  if (!typing_) {
    if (FieldsBusy({kQuestion, kHint, kAnswer})) {
      typeTimer_.Fire(500, [this] { TypeComment(); });
      return;
    }
    PlayGameSound("s_Появление правильного ответа и комментария.wav");
    Blank(kQuestion);
    Blank(kHint);
    Blank(kAnswer);
    if (TTextMsg* fields = screen_.TextFields()) {
      fields->SetHighlight(kQuestion, true);
      fields->SetHighlight(kAnswer, true);
    }
    typed_ = 0;
  }
  typing_ = true;
  const std::string full = Trim(commentLines_).empty() ? Utf8ToCp1251("Без комментариев")
                                                       : Utf8ToCp1251("Комментарий: \n") + commentLines_;
  if (!TypeOneMore(full)) {
    typeTimer_.Fire(kTypeInterval, [this] { TypeComment(); });
    return;
  }
  typing_ = false;
  typeTimer_.Stop();
  const std::string first = bank_->Current.Answers.empty() ? std::string() : bank_->Current.Answers[0];
  SetField(kAnswer, DoubleAmpersands(first));
  turnTimer_.Fire(Delay(4500, 4000), [this] { StartTurn(); });
}

}  // namespace trv
