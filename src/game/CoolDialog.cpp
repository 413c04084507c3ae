#include "game/CoolDialog.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "online/VMHighScores.h"
#include "platform/Json.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ScriptValues.h"

namespace trv {

const char* const kEnterAnswerText =
    "\xcf\xee\xe6\xe0\xeb\xf3\xe9\xf1\xf2\xe0, \xe2\xe2\xe5\xe4\xe8\xf2\xe5 \xee\xf2\xe2\xe5\xf2!";

namespace {

// A release waits this long, again and again, while a button still fades.
constexpr std::uint32_t kMouseUpRetryMs = 300;
constexpr const char* kScoreGameId = "3";
constexpr int kSendPage = 2;  // the page whose boxes hold the user name and password
constexpr int kTablePage = 6;

bool Contains(const std::string& s, const char* word) { return s.find(word) != std::string::npos; }

// Column `srcX` of `pic` from row `fromRow` down, copied to column `x` of
// `canvas` starting at row `toRow`.
void CopyColumn(Bitmap& canvas, int x, int toRow, const Bitmap& pic, int srcX, int fromRow) {
  canvas.Blit(x, toRow, pic, {srcX, fromRow, srcX + 1, pic.Height()});
}

// The dialog's buttons take no part in the mouse while inactive, a release
// leaves the look to the next paint, and Shift changes nothing.
constexpr SkinMouseRules kDialogRules{false, false, false};

// The lines of Dialog.txt, split with lower-casing; none when it cannot be read.
TDynamicStringArray DialogLines(const TReadBin& archive) {
  std::vector<std::uint8_t> bytes;
  TDynamicStringArray lines;
  if (archive.ReadToBuffer("Dialog.txt", bytes) >= 0)
    SplitLines(bytes, true, lines);
  else
    Log("dialog", "the archive holds no readable Dialog.txt");
  return lines;
}

}  // namespace

// One submission out on a worker thread. The worker fills `status` and marks
// the end; the loop thread reads it in the `done` only while `wanted`.
struct TCoolDialog::Sending {
  std::unique_ptr<TVMHighScores> client;
  std::shared_ptr<std::atomic<bool>> cancel = std::make_shared<std::atomic<bool>>(false);
  std::int32_t status = TVMHighScores::kSendError;
  bool wanted = true;  // loop thread only
  std::mutex mutex;
  std::condition_variable endedCv;
  bool ended = false;

  void MarkEnded() {
    {
      std::lock_guard lock(mutex);
      ended = true;
    }
    endedCv.notify_all();
  }
  // Cancelled, a worker ends within about a second (curl looks at the flag
  // that often while it waits).
  void WaitEnded() {
    std::unique_lock lock(mutex);
    endedCv.wait(lock, [this] { return ended; });
  }
};

TCoolDialog::TCoolDialog(Platform& platform, const TReadBin& archive, const ScriptPaths& paths, CoolDialogHost host)
    : TCoolDialog(platform, archive, DialogLines(archive), paths, std::move(host)) {}

TCoolDialog::TCoolDialog(Platform& platform, const TReadBin& archive, const TDynamicStringArray& lines,
                         const ScriptPaths& paths, CoolDialogHost host)
    : TSkinWindow(platform),
      pictures_(&archive, nullptr, "dialog"),
      paths_(paths),
      host_(std::move(host)),
      controls_(*this, platform.Loop(), kDialogRules, [this] { FormPaint(); }) {
  Init(lines);
}

void TCoolDialog::Init(const TDynamicStringArray& lines) {
  script_ = ReadDialogScript(lines, paths_);
  WindowOptions options;
  options.role = "dialog";
  options.bounds = {0, 0, 1, 1};
  options.topmost = true;
  options.inTaskbar = false;
  CreateSkinWindow(options);
  boxSets_.resize(script_.Boxes.size());
  for (std::size_t p = 0; p < script_.Boxes.size(); ++p) {
    if (script_.Boxes[p].empty()) continue;
    PathBoxHost h;
    h.currentScreen = [this] { return currentPage_ + kDialogBoxKeyBase; };
    h.ownerVisible = [this] { return Visible(); };
    h.typingSound = [this](const std::string& sound) {
      if (host_.playWav) host_.playWav(sound);
    };
    h.boxHint = [this](const std::string& hint, Point at) {
      if (HintsShow()) Hints().Arm(hint, {at.x, at.y + kCursorHeight});
    };
    h.changed = [this](int) {
      if (built_ && !Appearing()) FormPaint();
    };
    boxSets_[p] = std::make_unique<TPathInputBox>(platform_, std::move(h), host_.title, true, script_.Boxes[p],
                                                  script_.BoxNames[p], std::int32_t(p) + kDialogBoxKeyBase);
  }
}

TCoolDialog::~TCoolDialog() {
  // A worker still sending uses the platform's web client: it is stopped and
  // waited for here, while all it uses is alive.
  DropSending();
  for (const std::shared_ptr<Sending>& w : workers_) w->WaitEnded();
  // FormDestroy: the window goes first so that no event reaches the parts below.
  if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
  table_.reset();
  DestroySkinWindow();
  controls_.Clear();
  boxSets_.clear();
}

TPathInputBox* TCoolDialog::Boxes(int page) const {
  if (page < 0 || std::size_t(page) >= boxSets_.size()) return nullptr;
  return boxSets_[std::size_t(page)].get();
}

int TCoolDialog::ShowDialog(int layout, const std::string& text) {
  // A dialog still up (the non-blocking message) gives way to the new one.
  if (Visible() || built_) CloseDialog();
  table_.reset();  // the last table stopped when its page closed
  const int serial = ++serial_;
  auto refuse = [&](const char* why) {
    platform_.Tracer()
        .Emit("dialog")
        .Utf8("op", "refused")
        .Int("layout", layout)
        .Text("text", text)
        .Utf8("why", why)
        .Int("result", kDialogClosed);
    return kDialogClosed;
  };
  if (layout < 0 || std::size_t(layout) >= script_.PagePictures.size()) return refuse("no such page");
  if (std::size_t(layout) >= script_.Texts.size()) return refuse("the page has no text area");
  const std::size_t page = std::size_t(layout);

  // 1. The user name and password are typed in Latin letters.
  if (layout == kSendPage) platform_.Keys().LoadLayout(kLayoutUS);
  // 2.
  Bitmap picture;
  if (!pictures_.Load(script_.PagePictures[page], &picture)) {
    if (layout == kSendPage) platform_.Keys().LoadLayout(kLayoutRussian);
    return refuse("no page picture");
  }
  // 3.
  currentPage_ = layout;
  shownText_ = text;
  // 4. Buttons, placed where the script says until the text moves them.
  placed_ = script_.Buttons[page];
  controls_.Clear();
  controls_.ResizeButtons(placed_.size());
  for (std::size_t i = 0; i < placed_.size(); ++i) {
    TSkinButton& b = controls_.Button(i);
    b.Bind(&placed_[i]);
    placed_[i].right = placed_[i].left;
    placed_[i].bottom = placed_[i].top;
    b.LoadPictures(pictures_, 4);
  }
  // 5. Switches.
  switches_ = script_.Switches[page];
  controls_.ResizeGroups(switches_.size());
  for (std::size_t i = 0; i < switches_.size(); ++i) {
    TSkinSwitch& s = controls_.Group(i);
    s.Bind(&switches_[i]);
    switches_[i].right = switches_[i].left;
    switches_[i].bottom = switches_[i].top;
    switches_[i].underMouse = false;
    s.LoadPictures(pictures_);
  }
  built_ = true;
  closed_ = false;
  result_ = kDialogClosed;
  // 6. A switch that starts on acts at once, as a click would.
  for (std::size_t i = 0; i < switches_.size() && serial == serial_ && built_; ++i)
    if (switches_[i].on) RunDialogCommand(switches_[i].command, switches_[i].sound);
  if (serial != serial_ || !built_) return result_;  // its command closed the page

  // 7. The text's font.
  const RText& area = script_.Texts[page];
  FontSpec wanted;
  wanted.name = area.fontName;
  wanted.sizePt = area.fontSize > 0 ? area.fontSize : 10;
  wanted.style = ParseFontStyle(area.fontStyle);
  font_ = platform_.Fonts().CreateFont(wanted);
  // 8. Measure.
  const std::size_t lf = text.find('\n');
  const std::string line1 = lf == std::string::npos ? text : text.substr(0, lf);
  const std::string line2 = lf == std::string::npos ? std::string() : text.substr(lf + 1);
  const Size s1 = font_ ? font_->TextExtent(line1) : Size{};
  const Size s2 = font_ ? font_->TextExtent(line2) : Size{};
  const int w = lf == std::string::npos ? s1.width : std::max(s1.width, s2.width);
  const int h = s1.height;
  const int e = lf == std::string::npos ? 0 : h;
  // 9. Stretch the background by repeating its middle column.
  const int W = picture.Width(), H = picture.Height();
  const int B = area.right - area.left;
  const int G = w > B ? w - B : 0;
  const int hw = W / 2, hh = H / 2, hg = G / 2;
  Bitmap& canvas = SkinBackground();
  canvas = Bitmap(W + G, H + e);
  SkinBackground().Blit(0, 0, picture, {0, 0, hw, H});
  SkinBackground().Blit(hw + G, 0, picture, {hw, 0, W, H});
  for (int x = hw; x < hw + G; ++x) CopyColumn(SkinBackground(), x, 0, picture, hw, 0);
  if (e > 0) {
    SkinBackground().Blit(0, hh + e, picture, {0, hh, hw, H});
    SkinBackground().Blit(hw + G, hh + e, picture, {hw, hh, W, H});
    const int from = hw - hg < 1 ? hw : hw - hg;
    for (int x = from; x < hw + G; ++x) CopyColumn(SkinBackground(), x, hh + e, picture, hw, hh);
  }
  // 10. The text.
  const Rect textRect{area.left, area.top, area.right + G, area.top + h + e};
  if (font_) {
    const unsigned flags = dt::Left | dt::SingleLine | dt::NoPrefix;
    if (lf != std::string::npos) {
      Rect r1 = textRect;
      font_->DrawText(SkinBackground(), r1, line1, flags, area.fontColor);
      Rect r2{textRect.left, textRect.top + h, textRect.right, textRect.bottom};
      font_->DrawText(SkinBackground(), r2, line2, flags, area.fontColor);
    } else if (G > 0) {
      Rect r{textRect.left, textRect.top, textRect.left + w, textRect.top + h};
      font_->DrawText(SkinBackground(), r, line1, flags | dt::NoClip, area.fontColor);
    } else {
      Rect r{area.left + (B - w) / 2, textRect.top, textRect.right, textRect.bottom};
      font_->DrawText(SkinBackground(), r, line1, flags, area.fontColor);
    }
  }
  // 11. Buttons move with the text; switches stay.
  for (RDialogBtn& b : placed_) {
    const int dx = b.align == "left" ? 0 : b.align == "middle" ? hg : G;
    const int dy = Contains(b.name, "close") ? 0 : e;
    b.left += dx;
    b.right += dx;
    b.top += dy;
    b.bottom += dy;
  }
  controls_.PaintNormal(SkinBackground());
  // 12.
  picture = Bitmap();
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) controls_.Button(i).hover = false;
  // 13. Centred on the main window.
  const Rect main = host_.mainBounds ? host_.mainBounds() : Rect{};
  const int left = main.left + main.Width() / 2 - SkinBackground().Width() / 2;
  const int top = main.top + main.Height() / 2 - SkinBackground().Height() / 2;
  SkinWindow()->SetBounds(Rect::FromSize(left, top, SkinBackground().Width(), SkinBackground().Height()));
  // 14. Only this page's boxes show.
  for (std::size_t p = 0; p < boxSets_.size(); ++p)
    if (boxSets_[p]) boxSets_[p]->ShowForScreen(true, -1);
  if (TPathInputBox* boxes = Boxes(layout)) boxes->ShowForScreen(true, layout + kDialogBoxKeyBase);
  // 15. Every button is active; the game table's sectors are not.
  for (std::size_t i = 0; i < controls_.ButtonCount(); ++i) controls_.Button(i).active = true;
  if (layout == kTablePage && !SetUpTable()) {
    FormClose();
    return refuse("no table picture");
  }

  TraceShown(layout, text, {left, top});
  // 16.
  StartFade();
  result_ = kDialogClosed;
  resultIsStatus_ = false;
  // 17. The empty-answer reminder leaves the player typing in the main window.
  const bool reminder = Contains(text, kEnterAnswerText);
  if (reminder)
    SkinWindow()->ShowNoActivate();
  else
    SkinWindow()->Show();
  SkinWindow()->Raise();
  if (TPathInputBox* boxes = Boxes(layout)) {
    for (std::size_t i = 0; i < boxes->Count(); ++i)
      if (boxes->Key(i) == layout + kDialogBoxKeyBase) {
        boxes->Focus(int(i));
        break;
      }
  }
  FormPaint();
  if (reminder) return kDialogClosed;
  RunModal([this, serial] { return serial != serial_ || closed_; });
  if (serial != serial_) return kDialogClosed;  // a later dialog took its place
  if (!closed_) Close(kDialogClosed);           // the program is ending
  return result_;
}

bool TCoolDialog::SetUpTable() {
  GameTableView view;
  view.window = SkinWindow();
  view.canvas = &SkinBackground();
  view.controls = &controls_;
  view.pictures = &pictures_;
  view.repaint = [this] {
    if (built_ && !Appearing()) FormPaint();
  };
  view.appearing = [this] { return Appearing(); };
  view.visible = [this] { return Visible(); };
  view.close = [this](int result) {
    if (built_) Close(result);
  };
  view.playWav = [this](const std::string& sound) {
    if (host_.soundsOn && host_.soundsOn() && host_.playWav) host_.playWav(sound);
  };
  table_ = std::make_unique<TGameTable>(platform_, std::move(view), host_.table, paths_);
  return table_->SetUp();
}

void TCoolDialog::TraceShown(int layout, const std::string& text, Point at) {
  // Where each button landed, in the dialog's own coordinates: what a test
  // clicks and what a page's author checks the alignment by.
  std::string placedJson = "[";
  for (const RDialogBtn& b : placed_) {
    if (placedJson.size() > 1) placedJson += ",";
    placedJson += "{\"name\":" + JsonQuote(Cp1251ToUtf8(b.name)) + ",\"left\":" + std::to_string(b.left) +
                  ",\"top\":" + std::to_string(b.top) + ",\"right\":" + std::to_string(b.right) +
                  ",\"bottom\":" + std::to_string(b.bottom) + "}";
  }
  placedJson += "]";
  platform_.Tracer()
      .Emit("dialog")
      .Utf8("op", "show")
      .Int("layout", layout)
      .Text("text", text)
      .Int("left", at.x)
      .Int("top", at.y)
      .Int("width", SkinBackground().Width())
      .Int("height", SkinBackground().Height())
      .Bool("modal", !Contains(text, kEnterAnswerText))
      .Json("buttons", placedJson);
}

void TCoolDialog::CloseDialog() {
  if (built_ || Visible()) Close(kDialogClosed);
}

void TCoolDialog::Close(int result) {
  if (closed_ && !built_) return;
  result_ = result;
  resultIsStatus_ = false;
  const int page = currentPage_;
  FormClose();
  for (auto& set : boxSets_)
    if (set) set->ShowForScreen(true, -1);
  SkinWindow()->Hide();
  closed_ = true;
  platform_.Tracer()
      .Emit("dialog")
      .Utf8("op", "close")
      .Int("layout", page)
      .Text("text", shownText_)
      .Int("result", result);
}

void TCoolDialog::FormClose() {
  DropSending();  // a page closed by the program takes its sending with it
  if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
  mouseUpTimer_ = 0;
  if (table_) table_->Stop();
  Hints().Clear();
  platform_.Keys().LoadLayout(kLayoutRussian);
  SkinBackground() = Bitmap();
  controls_.Clear();
  placed_.clear();
  switches_.clear();
  built_ = false;
}

void TCoolDialog::OnCloseRequest() {
  if (sending_) {
    EndSending(TVMHighScores::kConnectionError, true);
    return;
  }
  if (built_ || Visible()) Close(kDialogClosed);
}

// ---- Painting

void TCoolDialog::PaintSkin(Bitmap& target) {
  target.Blit(0, 0, SkinBackground());
  if (table_) table_->DrawVideo(target);
  controls_.Paint(target);
  if (TPathInputBox* boxes = Boxes(currentPage_)) boxes->Paint(target);
}

// ---- Mouse

void TCoolDialog::OnMouseMove(Point p, unsigned shift) {
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_) {
    if (boxes->Capturing() || boxes->BoxAt(p) >= 0) {
      boxes->MouseMove(p, shift);
      return;
    }
    boxes->MouseMove(p, shift);
  }
  FormMouseMove(p.x, p.y);
}

void TCoolDialog::OnMouseDown(MouseButton b, Point p, unsigned shift) {
  Hints().Hide();
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_ && boxes->BoxAt(p) >= 0) {
    boxes->MouseDown(b, p, shift);
    return;
  }
  if (b == MouseButton::Left) FormMouseDown(p.x, p.y);
}

void TCoolDialog::OnMouseUp(MouseButton b, Point p, unsigned shift) {
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_ && boxes->Capturing()) {
    boxes->MouseUp(p, shift);
    return;
  }
  if (b == MouseButton::Left) FormMouseUp(p.x, p.y);
}

void TCoolDialog::FormMouseMove(int x, int y) {
  if (!built_ || Appearing() || !Visible()) return;
  const Point p{x, y};
  const SkinHover hover = controls_.MouseMove(p);
  // The elements' hints are the standard ones: after the pause, below the pointer.
  if (!HintsShow())
    return;
  if (hover.enteredButton >= 0)
    Hints().Arm(placed_[std::size_t(hover.enteredButton)].hint, {x, y + kCursorHeight});
  else if (hover.enteredSwitch)
    Hints().Arm(hover.enteredSwitch->hint, {x, y + kCursorHeight});
  else if (!hover.OverElement())
    Hints().Hide();
}

void TCoolDialog::FormMouseDown(int x, int y) {
  if (!built_ || Appearing()) return;
  const SkinClick click = controls_.MouseDown({x, y}, 0);
  if (sending_ && click.hit != SkinClick::Hit::kButton && click.hit != SkinClick::Hit::kNothing) return;
  if (click.run) {
    RunDialogCommand(click.command, click.sound);
    return;
  }
  if (click.hit == SkinClick::Hit::kNothing) DragWindow();
}

void TCoolDialog::FormMouseUp(int x, int y) {
  if (!built_) return;
  // A click never starts its command while a button still fades.
  if (controls_.AnyButtonFading()) {
    pendingUp_ = {x, y};
    if (mouseUpTimer_) platform_.Loop().KillTimer(mouseUpTimer_);
    mouseUpTimer_ = platform_.Loop().SetTimer(kMouseUpRetryMs, false, [this] {
      mouseUpTimer_ = 0;
      FormMouseUp(pendingUp_.x, pendingUp_.y);
    });
    return;
  }
  const SkinClick click = controls_.MouseUp({x, y}, 0);
  if (click.run) RunDialogCommand(click.command, click.sound);
}

// ---- Commands and keys

void TCoolDialog::RunDialogCommand(const std::string& command, const std::string& sound) {
  if (!sound.empty() && sound != "no" && host_.soundsOn && host_.soundsOn() && host_.playWav) host_.playWav(sound);
  if (sending_) {
    // Only the close button is active while sending: it gives up the sending.
    EndSending(TVMHighScores::kConnectionError, true);
    return;
  }
  if (command == "iwanttoplayagain") {
    Close(kDialogPlayAgain);
    return;
  }
  if (command == "sendresults") {
    SendResults();
    return;
  }
  if (command == "help") {
    // The button has sounded; the main window's F1 would sound a second time.
    if (host_.showHelp) host_.showHelp();
    else if (host_.mainKeyDown) host_.mainKeyDown(vk::F1, 0);
    return;
  }
  Close(command == "yes" ? kDialogYes : command == "no" ? kDialogNo : kDialogClosed);
}

void TCoolDialog::SendResults() {
  const std::int32_t score = host_.currentScore ? host_.currentScore() : 0;
  if (score == 0) return;  // nothing to send: the dialog stays
  // The connection state is asked here, on the loop thread; the exchange
  // itself runs beside the loop so that the game keeps painting and answering.
  const bool connected = platform_.Desktop().IsConnected();
  auto sending = std::make_shared<Sending>();
  sending->client = std::make_unique<TVMHighScores>(platform_.Web(), [connected] { return connected; });
  TVMHighScores& client = *sending->client;
  client._ServerAddress = host_.saveUrl ? host_.saveUrl() : std::string();
  client._GameID = kScoreGameId;
  client.SetCancel(sending->cancel);
  if (std::size_t(kSendPage) < script_.Boxes.size()) {
    const TDynamicStringArray& names = script_.BoxNames[kSendPage];
    TPathInputBox* boxes = Boxes(kSendPage);
    auto any = [&names](const char* word) {
      return std::any_of(names.begin(), names.end(), [word](const std::string& n) { return Contains(n, word); });
    };
    if (boxes && any("username")) client._UserName = boxes->FindBoxText(kSendPage + kDialogBoxKeyBase, "username");
    if (boxes && any("userpassword"))
      client._UserPassword = boxes->FindBoxText(kSendPage + kDialogBoxKeyBase, "userpassword");
  }
  sending_ = sending;
  std::erase_if(workers_, [](const std::shared_ptr<Sending>& w) {
    std::lock_guard lock(w->mutex);
    return w->ended;
  });
  workers_.push_back(sending);

  // The page shows that it waits: every button but the close one inactive,
  // the wait cursor.
  std::string buttonsJson = "[";
  for (std::size_t i = 0; i < controls_.ButtonCount() && i < placed_.size(); ++i) {
    TSkinButton& b = controls_.Button(i);
    b.active = Contains(placed_[i].name, "close");
    if (!b.active) b.hover = b.pressed = false;
    if (buttonsJson.size() > 1) buttonsJson += ",";
    buttonsJson += "{\"name\":" + JsonQuote(Cp1251ToUtf8(placed_[i].name)) +
                   ",\"active\":" + (b.active ? "true" : "false") + "}";
  }
  buttonsJson += "]";
  Hints().Hide();
  SkinWindow()->SetCursor(Cursor::Wait);
  {
    auto ev = platform_.Tracer().Emit("dialog");
    ev.Utf8("op", "sending").Int("layout", currentPage_).Json("buttons", buttonsJson);
    if (TPathInputBox* boxes = Boxes(currentPage_)) ev.Json("boxes", boxes->StateJson());
  }
  FormPaint();

  platform_.Loop().StartBeside(
      [sending, score] {
        sending->status = sending->client->SendScore(score);
        sending->MarkEnded();
      },
      [this, sending] {
        // After a cancel, a close or the dialog's end the result is nobody's.
        if (!sending->wanted || sending_ != sending) return;
        EndSending(sending->status, false);
      });
}

void TCoolDialog::DropSending() {
  if (!sending_) return;
  sending_->wanted = false;
  sending_->cancel->store(true);
  sending_.reset();
  if (Window* w = SkinWindow()) w->SetCursor(Cursor::Arrow);
}

void TCoolDialog::EndSending(std::int32_t status, bool canceled) {
  DropSending();
  platform_.Tracer()
      .Emit("dialog")
      .Utf8("op", canceled ? "send-canceled" : "sent")
      .Int("layout", currentPage_)
      .Int("status", status);
  // The password is typed for one submission only.
  if (TPathInputBox* boxes = Boxes(kSendPage)) boxes->ClearBoxText(kSendPage + kDialogBoxKeyBase, "userpassword");
  Close(status);
  resultIsStatus_ = true;
}

void TCoolDialog::OnKeyDown(int key, unsigned shift) {
  const unsigned mods = shift & (kShift | kAlt | kCtrl);
  const bool own = key == vk::F1 || key == vk::Escape || key == vk::Return ||
                   (key == vk::F1 + 3 && (mods == kAlt || mods == kCtrl));
  if (own) {
    FormKeyDown(key, shift);
    return;
  }
  if (sending_) return;  // what is being sent stays as it was typed
  TPathInputBox* boxes = Boxes(currentPage_);
  if (!boxes || !built_) return;
  // Tab and Shift+Tab go round the page's boxes.
  if (key == vk::Tab && !(mods & (kAlt | kCtrl))) {
    boxes->FocusNext(currentPage_ + kDialogBoxKeyBase, (mods & kShift) != 0);
    return;
  }
  boxes->KeyDown(key, shift);
}

void TCoolDialog::OnChar(char c) {
  if (c == '\r' || c == 27 || c == '\t') return;  // Enter, Escape and Tab act as keys only
  if (sending_) return;
  if (TPathInputBox* boxes = Boxes(currentPage_); boxes && built_) boxes->Char(c);
}

void TCoolDialog::FormKeyDown(int key, unsigned shift) {
  if (!built_) return;
  const unsigned mods = shift & (kShift | kAlt | kCtrl);
  if (key == vk::F1) {
    if (host_.mainKeyDown) host_.mainKeyDown(key, shift);
    return;
  }
  if (key == vk::Escape || (key == vk::F1 + 3 && (mods == kAlt || mods == kCtrl))) {
    for (const RDialogBtn& b : placed_) {
      if (!Contains(b.name, "close")) continue;
      if (!b.sound.empty() && b.sound != "no" && host_.playWav) host_.playWav(b.sound);
      break;
    }
    // Giving up the wait for the server ends the sending as a lost connection.
    if (sending_) {
      EndSending(TVMHighScores::kConnectionError, true);
      return;
    }
    // Alt+F4 closes through the system; here that is the same close.
    Close(kDialogClosed);
    return;
  }
  if (sending_) return;  // Enter presses nothing while the page waits
  if (key == vk::Return) {
    for (const RDialogBtn& b : placed_) {
      const bool ok = Contains(b.name, "ok"), yes = Contains(b.name, "yes");
      if (!ok && !yes) continue;
      if (!b.sound.empty() && b.sound != "no" && host_.playWav) host_.playWav(b.sound);
      Close(ok ? kDialogOk : kDialogYes);
      return;
    }
  }
}

}  // namespace trv
