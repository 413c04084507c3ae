// The thesaurus role: one skinned screen read from Tesaurus.cfs, with its two
// window buttons, its text cells and hints, working as the shell's screens do.
#include <algorithm>

#include "platform/Log.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ThesaurusScript.h"
#include "shell/MainForm.h"
#include "shell/ViewerCommandLine.h"

namespace trv {

void TMainForm::StartThesaurusRole(const StartArguments& start) {
  role_ = Role::Thesaurus;
  ReadViewerArguments(start, kThesaurusSwitch);
  elements_ = {};
  currentScreen_ = 0;
  TThesaurusScript script;
  if (OpenViewerArchive()) {
    std::vector<std::uint8_t> bytes;
    if (archive_->ReadToBuffer("Tesaurus.cfs", bytes) < 0) {
      Log("viewer", "the content archive holds no readable Tesaurus.cfs; the thesaurus window stays empty");
    } else {
      TDynamicStringArray lines;
      SplitLines(bytes, true, lines);
      script = ReadThesaurusScript(lines, paths_);
    }
  }
  // Screen 0 exists whatever the script held, so that the window has a screen to show.
  elements_ = std::move(script.elements);
  elements_.Buttons.resize(std::max<std::size_t>(elements_.Buttons.size(), 1));
  elements_.SingleSwitches.assign(elements_.Buttons.size(), {});
  elements_.GroupSwitches.assign(elements_.Buttons.size(), {});
  elements_.ScreenPictures.resize(elements_.Buttons.size());
  if (elements_.ScreenPictures.front().empty()) Log("viewer", "Tesaurus.cfs names no picture for its screen");

  title_ = Utf8ToCp1251("Тезаурус");
  Window* window = SkinWindow();
  window->SetCaption(title_);
  window->SetColor(MakeColor(255, 255, 255));
  window->AcceptFiles(true);
  if (!script.icon.empty()) {
    Bitmap icon;
    if (pictures_.Load(script.icon, &icon)) window->SetIcon(icon);
  }
  Hints().SetColor(kDefaultHintColor);
  MakeParts(true);
  // A background that cannot be read leaves the window at its first size,
  // plain, rather than at none.
  const Rect first = window->Bounds();
  SkinBackground().Resize(first.Width(), first.Height());
  // The screen switch loads the background and the buttons' pictures, sizes
  // the window to the background and clears every button's hover and press.
  SwitchScreen(0, 0, -1);
  ReleaseViewerArchive();
  shown_ = true;
  window->Show();
  FormPaint();
}

}  // namespace trv
