#include "game/GameTable.h"

#include <random>

#include "game/GameTableRules.h"
#include "game/Random.h"
#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {
namespace {

using namespace gametable;

// The table picture and the clip share one place on the page.
constexpr Rect kTableRect{166, 82, 166 + 308, 82 + 232};
constexpr std::uint32_t kBeforeSpinMs = 2000;
constexpr std::uint32_t kWalkStepMs = 300;
constexpr std::uint32_t kLetterMs = 3000;

// The looks of a sector button by slot: the script's first three pictures,
// the look the page keeps (painted while the button is inactive), and a copy
// of the arrows, which the kept look overwrites.
constexpr std::size_t kFree = kBtnNormal;
constexpr std::size_t kLetter = kBtnHover;
constexpr std::size_t kPlayed = kBtnPressed;
constexpr std::size_t kKept = kBtnInactive;
constexpr std::size_t kArrows = kBtnInactive + 1;

// The sector a button's name gives ("gtp" and 1..14), or 0.
int SectorOfName(const std::string& name) {
  if (name.size() < 4 || name.size() > 5 || name.compare(0, 3, "gtp") != 0) return 0;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n >= 1 && n <= kSectors && name[3] != '0' ? n : 0;
}

std::string TablePicture(int sector) { return "dialog7_gametable" + std::to_string(sector) + ".bmp"; }

}  // namespace

TGameTable::TGameTable(Platform& platform, GameTableView view, GameTableHost host, ScriptPaths paths)
    : platform_(platform), view_(std::move(view)), host_(std::move(host)), paths_(std::move(paths)) {}

TGameTable::~TGameTable() { Stop(); }

void TGameTable::Stop() {
  tableMode_ = false;
  spinning_ = false;
  StopTimer();
  if (!clip_) return;
  clip_->OnNotify = nullptr;
  if (clip_->Opened()) {
    try {
      clip_->Stop();
    } catch (const EMCIDeviceError&) {
    }
    clip_->Close();
  }
}

int TGameTable::ButtonOf(int sector) const {
  for (std::size_t i = 0; i < view_.controls->ButtonCount(); ++i)
    if (SectorOfName(view_.controls->Button(i).Record().name) == sector) return int(i);
  return -1;
}

bool TGameTable::SetUp() {
  const int chosen = host_.chosenSector ? host_.chosenSector() : 0;
  if (chosen < 1 || chosen > kSectors) {
    Log("table", "no sector was chosen for the table");
    return false;
  }
  // 1. Sectors show whether their question is still to play; they never take the mouse.
  TSkinControls& controls = *view_.controls;
  int sectors = 0;
  for (std::size_t i = 0; i < controls.ButtonCount(); ++i) {
    TSkinButton& b = controls.Button(i);
    const int sector = SectorOfName(b.Record().name);
    b.active = sector == 0;
    if (!sector) continue;
    ++sectors;
    b.Picture(kArrows) = b.Picture(kKept);
    Keep(int(i), host_.levelAvailable && host_.levelAvailable(sector) ? kFree : kPlayed);
  }
  if (sectors < kSectors) Log("table", "the table page has " + std::to_string(sectors) + " of the 14 sector buttons");
  // 2-3.
  ReseedRandomFromClock();
  firstFrame_ = FirstFrame([] { return std::generate_canonical<double, 53>(RandomEngine()); });
  // 4-5. The top points where the spin will start from.
  const int start = SectorAt(StartPosition(chosen, firstFrame_));
  if (!DrawTable(start)) {
    Log("table", "no table picture " + TablePicture(start) + ": the turn goes on without the table");
    return false;
  }
  // 6. The spin clip, shown over the table picture.
  clip_ = std::make_unique<TMediaPlayer>(platform_.Media(), platform_.Loop());
  clip_->FileName = paths_.programDir + "avis\\gametable" + std::to_string(chosen) + ".avi";
  clip_->SetDisplay(view_.window, kTableRect);
  try {
    clip_->Open();
    clip_->SetTimeFormat(kFormatFrames);
  } catch (const EMCIDeviceError& e) {
    Log("table", Cp1251ToUtf8(clip_->FileName) + ": " + e.what() + "; the sector settles without the spin");
  }
  clip_->OnNotify = [this](TMPlayer&) {
    if (!spinning_) return;
    spinning_ = false;
    clip_->ShowVideo(false);
    TableStep();
  };
  // 7.
  tableMode_ = true;
  letterShown_ = false;
  blink_ = false;
  walked_ = 0;
  platform_.Tracer()
      .Emit("table")
      .Utf8("op", "set-up")
      .Int("sector", chosen)
      .Int("frame", firstFrame_)
      .Int("start", start);
  Arm(kBeforeSpinMs, &TGameTable::StartSpin);
  return true;
}

void TGameTable::DrawVideo(Bitmap& target) const {
  if (spinning_ && clip_) clip_->DrawVideo(target);
}

void TGameTable::StartSpin() {
  // 1. Not while the page still fades in: the timer comes again.
  if (view_.appearing && view_.appearing()) return;
  // 2.
  StopTimer();
  if (view_.visible && !view_.visible()) return;
  // 3.
  const int sound = SpinSound(firstFrame_);
  PlayTableSound("s_Volchok" + std::to_string(sound) + ".wav");
  Trace("spin", host_.chosenSector ? host_.chosenSector() : 0);
  // 4. A clip that cannot play leaves the sector where the engine chose it.
  if (!clip_ || !clip_->Opened()) {
    TableStep();
    return;
  }
  spinning_ = true;
  try {
    clip_->SetFrom(firstFrame_);
    clip_->Play();
  } catch (const EMCIDeviceError& e) {
    Log("table", std::string("the spin does not play: ") + e.what());
    spinning_ = false;
    TableStep();
  }
}

void TGameTable::TableStep() {
  // 1. A sector still fading: the same step again a little later.
  if (!tableMode_) return;
  if (AnySectorFading()) {
    Arm(kWalkStepMs, &TGameTable::TableStep);
    return;
  }
  // 2.
  StopTimer();
  int sector = host_.chosenSector ? host_.chosenSector() : 0;
  // 3. The top where the spin left it.
  if (!letterShown_) {
    DrawTable(sector);
    letterShown_ = true;
    if (view_.repaint) view_.repaint();
  }
  // 4. The arrows at the sector left last go out: it keeps its played look.
  if (blink_) {
    if (const int b = ButtonOf(LitBeforeWalk(sector)); b >= 0) {
      Keep(b, kPlayed);
      Fade(b, kArrows, kPlayed, 9);
    }
    blink_ = false;
    Arm(kWalkStepMs, &TGameTable::TableStep);
    return;
  }
  // 5. A sector with its question: its letter shows and the table closes.
  if (host_.levelAvailable && host_.levelAvailable(sector)) {
    if (const int b = ButtonOf(sector); b >= 0) {
      Keep(b, kLetter);
      Fade(b, kFree, kLetter, 10);
    }
    PlayTableSound("s_Письмо.wav");
    Trace("letter", sector);
    Arm(kLetterMs, &TGameTable::CloseTable);
    return;
  }
  // 6. A played sector: the arrows blink there and the walk goes on to the
  // sector before it. A table with nothing left to play never settles.
  if (++walked_ > kSectors) {
    Log("table", "no sector of the table has a question left");
    if (view_.close) view_.close(2);
    return;
  }
  blink_ = true;
  if (const int b = ButtonOf(sector); b >= 0) {
    Keep(b, kArrows);
    Fade(b, kPlayed, kArrows, 8);
  }
  PlayTableSound("s_Мигание стрелок.wav");
  Trace("arrows", sector);
  sector = NextOnWalk(sector);
  if (host_.setChosenSector) host_.setChosenSector(sector);
  Arm(kWalkStepMs, &TGameTable::TableStep);
}

void TGameTable::CloseTable() {
  if (AnySectorFading()) {
    Arm(kWalkStepMs, &TGameTable::CloseTable);
    return;
  }
  StopTimer();
  tableMode_ = false;
  Trace("settled", host_.chosenSector ? host_.chosenSector() : 0);
  if (view_.close) view_.close(1);
}

void TGameTable::Arm(std::uint32_t ms, void (TGameTable::*step)()) {
  StopTimer();
  // Periodic, as the table's one timer: a step that waits comes again by itself.
  timer_ = platform_.Loop().SetTimer(ms, true, [this, step] { (this->*step)(); });
}

void TGameTable::StopTimer() {
  if (timer_) platform_.Loop().KillTimer(timer_);
  timer_ = 0;
}

bool TGameTable::AnySectorFading() const {
  for (std::size_t i = 0; i < view_.controls->ButtonCount(); ++i) {
    const TSkinButton& b = view_.controls->Button(i);
    if (SectorOfName(b.Record().name) && b.Animation().Running()) return true;
  }
  return false;
}

bool TGameTable::DrawTable(int sector) {
  Bitmap picture;
  if (!view_.pictures || !view_.pictures->Load(TablePicture(sector), &picture)) return false;
  view_.canvas->Blit(kTableRect.left, kTableRect.top, picture);
  return true;
}

void TGameTable::Keep(int button, std::size_t look) {
  TSkinButton& b = view_.controls->Button(std::size_t(button));
  b.Picture(kKept) = b.Picture(look);
  if (!b.Picture(look).Empty()) view_.canvas->Blit(b.Record().left, b.Record().top, b.Picture(look));
}

void TGameTable::Fade(int button, std::size_t from, std::size_t to, int step) {
  TSkinButton& b = view_.controls->Button(std::size_t(button));
  b.Animation().SetStep(step);
  b.CrossFade(from, to);
}

void TGameTable::PlayTableSound(const std::string& utf8Name) {
  if (view_.playWav) view_.playWav(Utf8ToCp1251("music\\Игровой стол\\" + utf8Name));
}

void TGameTable::Trace(const char* op, int sector) {
  platform_.Tracer().Emit("table").Utf8("op", op).Int("sector", sector);
}

}  // namespace trv
