#include "shell/parts/PopupsPart.h"

#include "platform/Log.h"
#include "platform/Text.h"

namespace trv {
namespace {

constexpr int kDeleteFavorites = -4;

// The sound of a name chosen from the players' list.
const std::string& ChosenNameSound() {
  static const std::string sound = Utf8ToCp1251("music\\Регистрация\\Выбор в строчке регистрации_&&&.wav");
  return sound;
}

}  // namespace

TPopupsPart::TPopupsPart(ScreenPartHost& screen, Platform& platform, const TPopupData& data,
                         const TPictureLoader& pictures, PopupsHost host)
    : screen_(screen), platform_(platform), data_(data), pictures_(pictures), host_(std::move(host)) {}

TPopupsPart::~TPopupsPart() {
  *alive_ = false;
  if (deactivated_) platform_.Loop().KillTimer(deactivated_);
  while (!windows_.empty()) windows_.pop_back();
}

void TPopupsPart::ShowForScreen(int /*screen*/) { RebuildForScreen(); }

bool TPopupsPart::MouseMove(Point p, unsigned) {
  pointer_ = p;
  return false;
}

bool TPopupsPart::MouseDown(MouseButton, Point p, unsigned) {
  pointer_ = p;
  return false;
}

bool TPopupsPart::MouseUp(MouseButton, Point p, unsigned) {
  pointer_ = p;
  return false;
}

void TPopupsPart::RebuildForScreen() {
  const int current = screen_.CurrentScreen();
  // The last popup first, as they were made.
  while (!windows_.empty()) {
    windows_.back()->HideWindow();
    windows_.pop_back();
  }
  // A screen beyond the last one with popups has none: the previous screen's
  // popups must not stay reachable on it.
  if (current < 0 || std::size_t(current) >= data_.size()) return;
  const TDynamicPopupDataArray& records = data_[std::size_t(current)];
  PopupWindowHost host;
  host.currentScreen = [this] { return screen_.CurrentScreen(); };
  host.clientOrigin = [this] {
    const Window* w = screen_.ScreenWindow();
    return w ? Point{w->Bounds().left, w->Bounds().top} : Point{};
  };
  host.chosen = [this](TPopupWindow& popup, std::size_t index) { Chosen(popup, index); };
  for (std::size_t i = 0; i < records.size(); ++i) {
    const RPopupData& r = records[i];
    auto popup = std::make_unique<TPopupWindow>(platform_, r, int(i), pictures_, host);
    if (r.kind == kPopupHistoryBack || r.kind == kPopupHistoryForward) {
      popup->SetItemCount(8);  // nothing fills the history lists
    } else {
      popup->SetItemCount(0);
      if (r.captions.size() != r.commands.size())
        Log("popup", "popup " + std::to_string(r.kind) + " of screen " + std::to_string(current + 1) + " has " +
                         std::to_string(r.captions.size()) + " captions for " + std::to_string(r.commands.size()) +
                         " commands; missing captions are empty");
      for (std::size_t k = 0; k < r.commands.size(); ++k)
        popup->AddItem(k < r.captions.size() ? r.captions[k] : std::string(), r.commands[k]);
    }
    windows_.push_back(std::move(popup));
  }
}

TPopupWindow* TPopupsPart::Find(int kind) const {
  for (const auto& w : windows_)
    if (w->Kind() == kind) return w.get();
  return nullptr;
}

void TPopupsPart::ShowPopup(int kind, Point screenPoint) {
  TPopupWindow* popup = Find(kind == kDeleteFavorites ? kPopupFavorite : kind);
  if (!popup) return;
  if (!popup->AnyShown()) {
    Log("popup", "popup " + std::to_string(popup->Kind()) + " has no item to show");
    return;
  }
  if (kind == kPopupHistoryBack) return;
  if (kind == kDeleteFavorites) {
    popup->SetDeleteMode();
    platform_.Tracer().Emit("popup").Utf8("do", "delete-mode").Int("kind", popup->Kind());
    return;
  }
  if (kind == kPopupRegisteredUsers) screenPoint.x -= popup->WindowSize().width;
  popup->ShowAt(screenPoint);
}

void TPopupsPart::HideAll() {
  for (const auto& w : windows_) w->HideWindow();
}

bool TPopupsPart::IsOpen(int kind) const {
  const TPopupWindow* popup = Find(kind);
  return popup && popup->IsOpen();
}

void TPopupsPart::ClearItems(int kind) {
  if (TPopupWindow* popup = Find(kind)) popup->ClearItems();
}

void TPopupsPart::AddItem(int kind, const std::string& caption, const std::string& command) {
  if (TPopupWindow* popup = Find(kind)) popup->AddItem(caption, command);
}

void TPopupsPart::SetItemCount(int kind, std::size_t n) {
  if (TPopupWindow* popup = Find(kind)) popup->SetItemCount(n);
}

Point TPopupsPart::MouseOnScreen() const {
  const Window* w = screen_.ScreenWindow();
  return w ? Point{w->Bounds().left + pointer_.x, w->Bounds().top + pointer_.y} : pointer_;
}

void TPopupsPart::ShowAtMouse(int kind) { ShowPopup(kind, MouseOnScreen()); }

void TPopupsPart::ShowRegisteredUsers(int buttonIndex) {
  if (RegisteredUsersOpen()) HideAll();
  ClearItems(kPopupRegisteredUsers);
  if (!Find(kPopupRegisteredUsers)) return;
  if (host_.playerNames)
    for (const std::string& name : host_.playerNames()) AddItem(kPopupRegisteredUsers, name, "setusername=" + name);
  Point corner;
  if (!host_.buttonCorner || !host_.buttonCorner(buttonIndex, &corner)) corner = MouseOnScreen();
  ShowPopup(kPopupRegisteredUsers, corner);
}

void TPopupsPart::CloseRegisteredUsers() {
  if (RegisteredUsersOpen()) HideAll();
}

void TPopupsPart::MainWindowActivated(bool active) {
  if (active) {
    if (deactivated_) platform_.Loop().KillTimer(deactivated_);
    deactivated_ = 0;
    return;
  }
  if (deactivated_) return;
  deactivated_ = platform_.Loop().SetTimer(kDeactivationGraceMs, false, [this] {
    deactivated_ = 0;
    HideAll();
  });
}

void TPopupsPart::Chosen(TPopupWindow& popup, std::size_t index) {
  // The popup is gone from the screen before its command runs; the command
  // may change the screen, which frees this popup, so it runs from the loop.
  const std::string command = popup.Item(index).Command();
  std::weak_ptr<bool> alive = alive_;
  platform_.Loop().Post([this, alive, command] {
    if (alive.expired()) return;
    RunChosen(command);
  });
}

void TPopupsPart::RunChosen(const std::string& command) {
  const std::size_t eq = command.find('=');
  const std::string verb = command.substr(0, eq);
  if (verb == "setusername") {
    // The name exactly as the list holds it, "\" and "=" included.
    const std::string name = eq == std::string::npos ? std::string() : command.substr(eq + 1);
    if (host_.setUserName) host_.setUserName(name);
    if (host_.runCommand) host_.runCommand("playwavonly", ChosenNameSound(), 0);
    return;
  }
  if (verb == "history" || verb == "html" || verb == "htmlpos") return;
  // The command is its own sound, never heard (sound mode 1).
  if (host_.runCommand) host_.runCommand(command, command, 1);
}

void TPopupsPart::TraceState(Trace::Event& ev) const {
  std::string open;
  for (const auto& w : windows_) {
    if (!w->IsOpen()) continue;
    if (!open.empty()) open += ",";
    open += "{\"kind\":" + std::to_string(w->Kind()) + ",\"items\":" + w->ItemsJson() + "}";
  }
  if (!open.empty()) ev.Json("popups", "[" + open + "]");
}

}  // namespace trv
