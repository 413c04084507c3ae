// The game engine's hold on the game screen: its timers, the fades of the
// text fields, the lamps, the two game buttons, the answer box, the sounds,
// word wrapping and the typing effect, and the start of a game.
#include "game/MainGame.h"

#include "game/Random.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "game/GameScreen.h"

namespace trv {
namespace {

constexpr std::array<std::int32_t, 10> kFields = {555, 556, 557, 558, 559, 560, 561, 562, 563, 564};

Bitmap Crop(const Bitmap& from, const Rect& r) {
  Bitmap out(r.Width(), r.Height(), MakeColor(0, 0, 0));
  out.Blit(0, 0, from, r);
  return out;
}

}  // namespace

void TMainGame::Shot::Fire(std::uint32_t ms, std::function<void()> fn) {
  Stop();
  // The id is cleared before the step runs, so that the step may arm it again.
  id_ = loop_.SetTimer(ms, false, [this, fn = std::move(fn)] {
    id_ = 0;
    fn();
  });
}

void TMainGame::Shot::Stop() {
  if (id_) loop_.KillTimer(id_);
  id_ = 0;
}

TMainGame::TMainGame(GameScreen& screen, Platform& platform, TUsers* users, const TPackedTree* tree,
                     std::string programDir)
    : screen_(screen),
      platform_(platform),
      tree_(tree),
      programDir_(std::move(programDir)),
      users_(users),
      startTimer_(platform.Loop()),
      lampTimer_(platform.Loop()),
      countdownTimer_(platform.Loop()),
      typeTimer_(platform.Loop()),
      turnTimer_(platform.Loop()),
      finishTimer_(platform.Loop()) {
  for (std::size_t i = 0; i < kFields.size(); ++i) {
    fades_[i].number = kFields[i];
    fades_[i].fade = std::make_unique<TEffBtnCar>(screen_.Effects(), platform_.Loop());
  }
  LoadBank();
}

void TMainGame::LoadBank() {
  bank_ = std::make_unique<TGameCollection>(tree_);
  bank_->LoadQuestions("questions.xml");
  // Started from another folder: the bank beside the program.
  if (bank_->Count() == 0) bank_->LoadQuestions(programDir_ + "questions.xml");
}

TMainGame::~TMainGame() = default;

std::uint32_t TMainGame::LevelPoints(int level) {
  static constexpr std::uint32_t kPoints[] = {50, 100, 150, 200, 250, 300, 400, 500, 700, 1000, 1500, 2000, 2500, 5000};
  return level >= 1 && level <= 14 ? kPoints[level - 1] : 0;
}

std::string TMainGame::DoubleAmpersands(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    out += c;
    if (c == '&') out += '&';
  }
  return out;
}

std::string TMainGame::WrapText(const std::string& text, int width,
                                const std::function<int(const std::string&)>& measure) {
  std::string flat = text;
  for (char& c : flat)
    if (c == '\n') c = ' ';
  if (measure(flat) <= width) return flat;
  std::vector<std::string> words;
  std::size_t from = 0;
  while (from <= flat.size()) {
    std::size_t space = flat.find(' ', from);
    if (space == std::string::npos) space = flat.size();
    std::string piece = flat.substr(from, space - from);
    if (!piece.empty()) words.push_back(piece);
    from = space + 1;
  }
  for (std::size_t i = 0; i + 1 < words.size(); ++i) words[i] = Trim(words[i]);
  if (words.empty()) return flat;
  std::vector<std::string> lines{words[0]};
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (measure(lines.back() + " " + words[i]) > width) lines.push_back(words[i]);
    else lines.back() += " " + words[i];
  }
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\n" : "") + lines[i];
  return out;
}

bool TMainGame::Sounds() const { return screen_.SoundsOn(); }

std::int64_t TMainGame::NowSeconds() const {
  // The monotonic clock, so that midnight and a changed wall clock cannot
  // stretch or cut a countdown.
  return std::int64_t((platform_.Loop().GetClock().NowMs() + 500) / 1000);
}

bool TMainGame::LeftScreen() const { return screen_.Fading() || screen_.CurrentScreen() != kGameScreen; }

void TMainGame::SetField(std::int32_t number, const std::string& text) {
  if (TTextMsg* fields = screen_.TextFields()) fields->SetText(text, number, false, true);
}

void TMainGame::FadeOutField(std::int32_t number) {
  TTextMsg* fields = screen_.TextFields();
  if (!fields) return;
  Rect r;
  const Bitmap* shown = screen_.Shown();
  if (Trim(fields->GetText(number)).empty() || !fields->TextRect(number, &r) || !shown || LeftScreen()) {
    Blank(number);
    return;
  }
  r = r.Intersect(screen_.Background().Bounds()).Intersect(shown->Bounds());
  if (r.Empty()) {
    Blank(number);
    return;
  }
  for (FieldFade& f : fades_) {
    if (f.number != number) continue;
    f.fade->SetStep(Sounds() ? 2 : 5);
    f.fade->Start(Crop(*shown, r), Crop(screen_.Background(), r), {r.left, r.top});
  }
}

bool TMainGame::FieldsBusy(std::initializer_list<std::int32_t> numbers) const {
  for (const FieldFade& f : fades_)
    for (std::int32_t n : numbers)
      if (f.number == n && f.fade->Running()) return true;
  return false;
}

void TMainGame::ClearTurn() {
  FadeOutField(kQuestion);
  FadeOutField(kHint);
  SetAnswerBoxText("");
  FadeOutField(kAnswer);
}

void TMainGame::StopCountdown() {
  countdownTimer_.Stop();
  phaseStart_ = 0;
}

int TMainGame::FindButton(const char* namePart) const {
  if (screen_.CurrentScreen() != kGameScreen) return -1;
  return screen_.Controls().FindButton(namePart);
}

TSkinButton& TMainGame::GameButton(int i) { return screen_.Controls().Button(std::size_t(i)); }

void TMainGame::SetAnswerButtonActive(bool active) {
  if (!active) StopCountdown();
  const int i = FindButton("validateanswer");
  if (i < 0) return;
  TSkinButton& b = GameButton(i);
  if (b.active == active) return;
  b.active = active;
  if (!active) {
    // An inactive answer button keeps its normal look.
    b.Picture(kBtnInactive) = b.Picture(kBtnNormal);
    b.hover = false;
    b.pressed = false;
  }
  screen_.Repaint();
}

void TMainGame::OfferExtraMinute() {
  const int i = FindButton("additionaltime");
  if (i < 0) return;
  TSkinButton& b = GameButton(i);
  if (b.active) return;
  if (!b.Picture(4).Empty()) b.Picture(kBtnNormal) = b.Picture(4);
  b.active = true;
  b.CrossFade(kBtnInactive, kBtnNormal);
  platform_.Tracer().Emit("game-button").Utf8("button", "additionaltime").Bool("active", true);
}

void TMainGame::WithdrawExtraMinute() {
  const int i = FindButton("additionaltime");
  if (i < 0) return;
  TSkinButton& b = GameButton(i);
  const bool wasActive = b.active;
  screen_.Pictures().Load(b.Record().fn[0], &b.Picture(kBtnNormal));
  b.active = false;
  b.hover = false;
  b.pressed = false;
  if (!b.Picture(kBtnInactive).Empty()) {
    if (wasActive) b.CrossFade(kBtnNormal, kBtnInactive);
    screen_.Background().Blit(b.Record().left, b.Record().top, b.Picture(kBtnInactive));
  }
  if (wasActive) platform_.Tracer().Emit("game-button").Utf8("button", "additionaltime").Bool("active", false);
}

std::vector<int> TMainGame::LampsOf(bool writing) const {
  std::vector<int> out;
  if (screen_.CurrentScreen() != kGameScreen) return out;
  const TSkinControls& controls = screen_.Controls();
  for (std::size_t i = 0; i < controls.ButtonCount(); ++i)
    if (controls.Button(i).Record().name.find(writing ? "t_imer" : "timer") != std::string::npos) out.push_back(int(i));
  return out;
}

int TMainGame::LitCount(const std::vector<int>& lamps) const {
  int lit = 0;
  for (int i : lamps)
    if (std::size_t(i) < lamps_.size() && lamps_[std::size_t(i)] != Lamp::Off) ++lit;
  return lit;
}

void TMainGame::CountLamps() {
  timer1Lamps_ = int(LampsOf(false).size());
  timer2Lamps_ = int(LampsOf(true).size());
  lamps_.assign(screen_.Controls().ButtonCount(), Lamp::Off);
}

// The answer box is the game screen's first box: on another screen these
// would reach that screen's boxes, so they do nothing there.
void TMainGame::ShowAnswerBox(bool show) {
  TPathInputBox* boxes = screen_.InputBoxes();
  if (!boxes || screen_.CurrentScreen() != kGameScreen) return;
  boxes->SetBoxesHidden(!show);
  screen_.InputBoxesChanged();
}

std::string TMainGame::AnswerBoxText() const {
  TPathInputBox* boxes = screen_.InputBoxes();
  return boxes && screen_.CurrentScreen() == kGameScreen ? boxes->GetBoxText() : std::string();
}

void TMainGame::SetAnswerBoxText(const std::string& text) {
  TPathInputBox* boxes = screen_.InputBoxes();
  if (boxes && screen_.CurrentScreen() == kGameScreen) boxes->SetBoxText(text);
}

void TMainGame::PlayGameSound(const std::string& utf8Name) {
  screen_.RunCommand("playwavonly", Utf8ToCp1251("music\\Основная игра\\" + utf8Name), 0, 0, 0);
}

void TMainGame::CloseDialog() { screen_.CloseDialog(); }

int TMainGame::ShowDialog(int layout, const std::string& text, bool* sent) {
  bool status = false;
  int code = 0;
  if (dialog_) {
    code = dialog_(layout, text, &status);
  } else {
    code = screen_.ShowDialog(layout, text, &status);
  }
  if (sent) *sent = status;
  auto line = platform_.Tracer().Emit("game-dialog");
  line.Int("layout", layout).Text("text", text).Int("code", code);
  if (status) line.Bool("sent", true);
  return code;
}

std::string TMainGame::WrapForQuestionField(const std::string& text) const {
  TTextMsg* fields = screen_.TextFields();
  Rect r;
  const Font* font = fields ? fields->TextFont(kQuestion) : nullptr;
  if (!font || !fields->TextRect(kQuestion, &r)) {
    std::string flat = text;
    for (char& c : flat)
      if (c == '\n') c = ' ';
    return flat;
  }
  return WrapText(text, r.Width(), [font](const std::string& s) { return font->TextExtent(s).width; });
}

bool TMainGame::TypeOneMore(const std::string& full) {
  if (typed_ < full.size()) ++typed_;
  SetField(kQuestion, DoubleAmpersands(full.substr(0, typed_)));
  return typed_ >= full.size();
}

void TMainGame::ScheduleNewGame() {
  startTimer_.Stop();
  // Polled every 25 ms until the screen's fade has ended.
  startTimer_.Fire(25, [this] { NewGame(); });
}

void TMainGame::NewGame() {
  if (screen_.Fading()) {
    startTimer_.Fire(25, [this] { NewGame(); });
    return;
  }
  startTimer_.Stop();
  if (screen_.CurrentScreen() != kGameScreen) return;  // the player went elsewhere meanwhile
  // A game that was running stops here.
  lampTimer_.Stop();
  typeTimer_.Stop();
  turnTimer_.Stop();
  finishTimer_.Stop();
  typing_ = false;
  ShowAnswerBox(false);
  answerOpen_ = false;
  CountLamps();
  ResetLamps();
  FadeOutField(kDiscussion);
  ClearTurn();
  SetAnswerButtonActive(false);
  WithdrawExtraMinute();
  questionValue_ = 0;
  Blank(kValue);
  wrong_ = 0;
  SetField(kWrong, "0");
  right_ = 0;
  SetField(kRight, "0");
  extraMinutes_ = 0;
  Blank(kExtra);
  if (!bank_) LoadBank();
  if (gamesStarted_ == 0) bank_->ClearUsed();
  bank_->Shuffle();
  bank_->Reseed();
  if (!bank_->AllLevelsAvailable(TGameCollection::kLevels)) bank_->ClearUsed();
  bank_->ClearSelection();
  const bool ready = bank_->SelectForGame(TGameCollection::kLevels);
  score_ = 0;
  Blank(kScore);
  platform_.Tracer().Emit("game").Utf8("step", "new-game").Bool("ready", ready);
  if (!ready) {
    BankExhausted(false);
    return;
  }
  stepCleaned_ = false;
  turnNumber_ = 0;
  turnTimer_.Fire(Delay(2250, 2000), [this] { StartTurn(); });
  ++gamesStarted_;
}

void TMainGame::BankExhausted(bool duringGame) {
  platform_.Tracer().Emit("game").Utf8("step", "bank-exhausted").Bool("during-game", duringGame);
  CloseDialog();
  ShowDialog(4, Utf8ToCp1251("Банк вопросов исчерпан!"));
  if (duringGame) TakeMoney(true);
}

}  // namespace trv
