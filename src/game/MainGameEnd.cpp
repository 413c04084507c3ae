// The end of a game: the score kept in the players list, the result shown
// (and offered for sending when the game was won), the submission's status
// turned into messages and follow-ups, and the screen cleared on the way back
// to the registration screen.
#include "game/Users.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "game/GameScreen.h"
#include "game/MainGame.h"

namespace trv {
namespace {

// Layouts of the game dialog.
constexpr int kSendableLayout = 2;
constexpr int kNotSentLayout = 3;
constexpr int kMessageLayout = 4;
constexpr int kAskLayout = 5;
constexpr int kYes = 6;

// The follow-up of a submission status.
struct StatusRule {
  int code;
  bool ask;               // layout 5 (a question) rather than 4 (a message)
  const char* message;    // UTF-8
  const char* letter;     // on yes: a letter to the developers with this text
  bool registerOnYes;     // on yes: the registration page
  bool againOnYes;        // yes shows the results dialog again
  bool againAlways;       // the results dialog shows again whatever the answer
};

constexpr const char* kDatabase = "На сервере произошла ошибка доступа к базе данных.";
constexpr const char* kNoRegistration =
    "Невозможно зарегистрироваться на сервере. Проверьте наличие соединения с интернет.";
constexpr const char* kNotRegistered = "Игра не зарегистрирована на сервере.";
constexpr const char* kUnknown = "При отпревке данных на сервер возникла неизвестная программе ошибка.";
constexpr const char* kWriteQuestion = "\nХотите написать письмо разработчикам и администратору сервера?";
constexpr const char* kRetryQuestion = "\nХотите попробовать послать данные ещё раз?";

const StatusRule* FindStatus(int code) {
  static const StatusRule rules[] = {
      {0, false, "Результат успешно сохранен на сервере.", nullptr, false, false, false},
      {1, false,
       "Набранные Вами очки не были зарегистрированы в таблице рейтингов на сервере.\n"
       "Результат Вашей последней игры хуже предыдущего.",
       nullptr, false, false, false},
      {101, true, kDatabase, kDatabase, false, false, false},
      {102, true,
       "Пользователь с таким именем не найден на сервере, либо Вы ввели неверный пароль.\n"
       "Хотите зарегистрироваться на сервере?",
       nullptr, true, false, true},
      {103, true, "При отправке данных через интернет возникла ошибка.", nullptr, false, true, false},
      {104, true,
       "При отправке данных через интернет возникла ошибка. Проверьте наличие соединения с интернет.", nullptr,
       false, true, false},
      {105, true, kNoRegistration, kNoRegistration, false, false, false},
      {106, true,
       "Нет доступа к интернет. Запустите мастер подключения ещё раз и внимательно выполняйте все инструкциии.",
       nullptr, false, true, false},
      {107, true, "Нет доступа к интернет.", nullptr, false, true, false},
      {108, true, "Нет доступа к интернет.", nullptr, false, true, false},
      {109, true, kNotRegistered, kNotRegistered, false, false, false},
      {9999, true, kUnknown, kUnknown, false, false, false},
  };
  for (const StatusRule& r : rules)
    if (r.code == code) return &r;
  return nullptr;
}

}  // namespace

void TMainGame::TakeMoney(bool forced) {
  if (!forced && !answerOpen_) return;
  answerOpen_ = false;
  StopCountdown();
  // A pause between the minute and the writing time must not start the
  // writing time of a game that has ended.
  lampTimer_.Stop();
  typeTimer_.Stop();
  turnTimer_.Stop();
  platform_.Tracer().Emit("game").Utf8("step", "take-money").Bool("forced", forced).Int("score", score_);
  // The local table gets the score before anything is shown or sent.
  if (users_) {
    users_->SetCurrentScore(score_);
    users_->Commit();
  }
  if (sendResults_ && wrong_ < right_) {
    // A registration or a retry brings the results dialog back, until the
    // player ends it with a code that needs nothing more.
    while (!ShowResult(score_, true)) {
    }
  } else {
    ShowResult(score_, false);
  }
  stepCleaned_ = false;
  finishTimer_.Fire(1000, [this] { EndGame(); });
}

bool TMainGame::ShowResult(std::uint32_t score, bool canSend) {
  CloseDialog();
  const int layout = score == 0 || !canSend ? kNotSentLayout : kSendableLayout;
  bool sent = false;
  const int code = ShowDialog(layout, std::to_string(score), &sent);
  CloseDialog();
  platform_.Tracer().Emit("game").Utf8("step", "result").Int("layout", layout).Int("code", code);
  if (sent && code > 99)
    screen_.RunCommand("playwavonly", Utf8ToCp1251("music\\Послать данные на сервер\\s_Появление окна ошибки.wav"),
                       0, 0, 0);
  // Only a submission's status has a follow-up: Enter on an OK button also
  // gives 1, which is not the server's "worse than before".
  const StatusRule* rule = sent ? FindStatus(code) : nullptr;
  if (!rule) return true;
  std::string text = rule->message;
  if (rule->letter) text = std::string(rule->letter) + kWriteQuestion;
  else if (rule->againOnYes) text += kRetryQuestion;
  if (!rule->ask) {
    ShowDialog(kMessageLayout, Utf8ToCp1251(text));
    return true;
  }
  const bool yes = ShowDialog(kAskLayout, Utf8ToCp1251(text)) == kYes;
  if (yes && rule->letter)
    screen_.RunCommand(Utf8ToCp1251(std::string("writelettertoadminanddevelopers=") + rule->letter), "", 0, 0, 1);
  if (yes && rule->registerOnYes) screen_.RunCommand("registeruserontheserver", "", 0, 0, 1);
  if (rule->againAlways) return false;
  if (rule->againOnYes) return !yes;
  return true;
}

void TMainGame::EndGame() {
  finishTimer_.Stop();
  if (!stepCleaned_) {
    SetAnswerButtonActive(true);
    for (std::int32_t n : {kDiscussion, kWriting, kQuestion, kAnswer, kHint}) FadeOutField(n);
    SetAnswerBoxText("");
    for (std::int32_t n : {kValue, kScore, kWrong, kRight, kExtra}) FadeOutField(n);
    ResetLamps();
    stepCleaned_ = true;
  }
  bool busy = false;
  for (const FieldFade& f : fades_) busy = busy || f.fade->Running();
  std::vector<int> lamps = LampsOf(false);
  for (int i : LampsOf(true)) lamps.push_back(i);
  for (int i : lamps) busy = busy || GameButton(i).Animation().Running();
  if (busy) {
    finishTimer_.Fire(500, [this] { EndGame(); });
    return;
  }
  for (const FieldFade& f : fades_) Blank(f.number);
  // A short pause with the screen blank before the registration screen.
  finishTimer_.Fire(175, [this] { ReturnToRegistration(); });
}

void TMainGame::ReturnToRegistration() {
  finishTimer_.Stop();
  stepCleaned_ = false;
  questionValue_ = 0;
  bank_->ClearSelection();
  platform_.Tracer().Emit("game").Utf8("step", "end");
  screen_.RunCommand("2", "no", 0, 0, 1);
}

}  // namespace trv
