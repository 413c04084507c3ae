// The main window's screen parts: made at start-up, painted over the screen's
// pictures, and first in line for the pointer and the keys.
#include "game/Users.h"
#include "shell/MainForm.h"

namespace trv {

void TMainForm::MakeParts(bool screens) {
  Trace& trace = platform_.Tracer();
  ScreenPartHost& host = *this;
  // The help role shows no screen; the thesaurus has text cells but no boxes,
  // which would keep their texts in the settings.
  if (screens && !elements_.texts.empty())
    parts_.SetFields(std::make_unique<TTextFieldsPart>(host, fonts_, elements_.texts, &trace));
  if (screens && role_ == Role::Shell)
    parts_.SetBoxes(std::make_unique<TInputBoxesPart>(host, platform_, title_, elements_.inputBoxes));
  // The viewer windows have a clip player with one empty area (dropped sounds
  // play through it), and no music.
  parts_.SetClips(std::make_unique<TClipAreasPart>(host, platform_.Media(), platform_.Loop(),
                                                   role_ == Role::Shell ? elements_.clips : TDynamicClipArray(1),
                                                   music_.get()));
  if (screens && role_ == Role::Shell && !elements_.PopupData.empty()) {
    PopupsHost popups;
    popups.runCommand = [this](const std::string& command, const std::string& sound, int soundMode) {
      RunCommand(command, sound, 0, 0, soundMode);
    };
    popups.setUserName = [this](const std::string& name) { SetInputBoxText(name); };
    popups.playerNames = [this] {
      std::vector<std::string> names;
      if (users_)
        for (int i = 0, n = users_->Count(); i < n; ++i)
          if (std::optional<TUser> user = users_->Entry(i)) names.push_back(user->Name);
      return names;
    };
    popups.buttonCorner = [this](int index, Point* corner) {
      if (index < 0 || std::size_t(index) >= controls_.ButtonCount() || !SkinWindow()) return false;
      const RBtn& b = controls_.Button(std::size_t(index)).Record();
      *corner = {SkinWindow()->Bounds().left + b.left, SkinWindow()->Bounds().top + b.bottom};
      return true;
    };
    parts_.SetPopups(std::make_unique<TPopupsPart>(host, platform_, elements_.PopupData, pictures_, std::move(popups)));
  }
  // No trees in the script: no tree part, and the tree commands do nothing.
  if (screens && role_ == Role::Shell && !elements_.trees.empty()) {
    TTreesPart::Services services;
    services.fonts = fonts_;
    services.pictures = TPictureLoader(archive_.get(), tree_.get(), "trees");
    services.settings = &platform_.Settings();
    services.settingsKey = SettingsKey();
    services.players = [this] {
      if (!users_) return TUsersList{};
      users_->Count();  // loads the table when it is still empty
      return users_->List();
    };
    services.hidePopups = [this] { HidePopups(); };
    parts_.SetTrees(std::make_unique<TTreesPart>(host, elements_.trees, std::move(services)));
  }
}

TTextMsg* TMainForm::TextFields() { return parts_.Fields() ? &parts_.Fields()->Fields() : nullptr; }

TPathInputBox* TMainForm::InputBoxes() { return parts_.Boxes() ? &parts_.Boxes()->Boxes() : nullptr; }

std::string TMainForm::InputBoxText() const {
  return parts_.Boxes() ? parts_.Boxes()->Boxes().GetBoxText() : std::string();
}

void TMainForm::SetInputBoxText(const std::string& text) {
  if (parts_.Boxes()) parts_.Boxes()->Boxes().SetBoxText(text);
}

void TMainForm::HidePopups() {
  if (parts_.Popups()) parts_.Popups()->HideAll();
}

void TMainForm::OnActivate(bool active) {
  // The program lost the keyboard to another one: its popups go.
  if (parts_.Popups()) parts_.Popups()->MainWindowActivated(active);
}

bool TMainForm::ElementControlAt(Point p) const { return SkinnedScreen() && controls_.ControlAt(p); }

void TMainForm::PartChanged(const ScreenPart& what, const Rect& r) {
  Window* window = SkinWindow();
  if (!window) return;
  if (r.Empty()) {
    FormPaint();
    return;
  }
  // The parts above lie over the one that changed, as windows of their own would.
  parts_.PaintAbove(&what, window->Framebuffer());
  if (window->Visible()) window->Present(r);
}

void TMainForm::OnWindowFadeStarted() { parts_.FadeStarted(); }

void TMainForm::OnWindowFadeEnded() {
  parts_.FadeEnded();
  FormPaint();
}

// The mouse over the main window does nothing while the game dialog or the
// options window is modal, as over a disabled window: a click would run a
// command underneath.
void TMainForm::OnMouseMove(Point p, unsigned shift) {
  if (OwnedModal()) return;
  if (standardWindow_) return StandardMouseMove(p);
  if (parts_.MouseMove(p, shift)) return;
  FormMouseMove(shift, p.x, p.y);
}

void TMainForm::OnMouseDown(MouseButton b, Point p, unsigned shift) {
  if (OwnedModal()) return;
  if (standardWindow_) return StandardMouseDown(p);
  if (parts_.MouseDown(b, p, shift)) return;
  FormMouseDown(b, shift, p.x, p.y);
}

void TMainForm::OnMouseWheel(int delta, Point p, unsigned shift) {
  if (OwnedModal()) return;
  parts_.MouseWheel(delta, p, shift);
}

void TMainForm::OnMouseUp(MouseButton b, Point p, unsigned shift) {
  // A box's drag that began before the dialog still ends, or it would keep the capture.
  const bool boxDrag = parts_.Boxes() && parts_.Boxes()->Boxes().Capturing();
  if (OwnedModal() && !boxDrag) return;
  if (standardWindow_ && !boxDrag) return StandardMouseUp(p);
  if (parts_.MouseUp(b, p, shift)) return;
  FormMouseUp(b, shift, p.x, p.y);
}

}  // namespace trv
