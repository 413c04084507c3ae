// The help role and what both viewer roles share: their command line and
// the content archive they read while they build their window.
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "script/ScriptLines.h"
#include "script/ScriptValues.h"
#include "shell/MainForm.h"
#include "shell/ViewerCommandLine.h"

namespace trv {

void TMainForm::ReadViewerArguments(const StartArguments& start, std::string_view roleSwitch) {
  const std::string line =
      start.commandLine.empty() ? JoinCommandLine(start.programPath, start.args) : start.commandLine;
  const ViewerCommandLine read = ReadViewerCommandLine(line, start.programPath.size(), roleSwitch);
  viewerSwitch_ = read.viewerSwitch;
  viewerDocument_ = read.document;
}

bool TMainForm::OpenViewerArchive() {
  // A viewer without its archive shows its window without what it would
  // have read; the log says why.
  archive_ = std::make_unique<TReadBin>();
  const std::string archivePath = disc_.programDir + "Mev.dhl";
  if (!ResolvePath(archivePath)) {
    Log("viewer", "no content archive " + Cp1251ToUtf8(archivePath) + "; the window stays plain");
    archive_.reset();
    return false;
  }
  try {
    archive_->Open(archivePath);
  } catch (const StoreError& e) {
    Log("viewer", std::string("the content archive cannot be read: ") + e.what());
    archive_.reset();
    return false;
  }
  pictures_ = TPictureLoader(archive_.get(), tree_.get());
  return true;
}

void TMainForm::ReleaseViewerArchive() {
  // Later screen changes find no pictures and leave the window as it is.
  pictures_ = TPictureLoader(nullptr, nullptr);
  archive_.reset();
}

void TMainForm::StartHelpRole(const StartArguments& start) {
  role_ = Role::Help;
  ReadViewerArguments(start, kHelpSwitch);
  // One empty screen, current.
  elements_.Buttons.assign(1, {});
  elements_.SingleSwitches.assign(1, {});
  elements_.GroupSwitches.assign(1, {});
  currentScreen_ = 0;
  MakeParts(false);
  if (OpenViewerArchive() && archive_->ReadToBuffer("Struct.txt", scriptBuffer_) >= 0) {
    TDynamicStringArray lines;
    SplitLines(scriptBuffer_, true, lines);
    // The shell's icon: the first line naming one decides, loaded or not.
    for (const std::string& line : lines) {
      const std::string lower = Lower1251(line);
      const int pos = KeyPos(lower, "icon");
      if (!pos) continue;
      Bitmap icon;
      if (pictures_.Load(ReadText(line, pos + 5), &icon)) SkinWindow()->SetIcon(icon);
      break;
    }
  }
  if (viewerSwitch_) title_ = Utf8ToCp1251("Помощь");
  SkinWindow()->SetCaption(title_);
  ReleaseViewerArchive();
  EnterStandardWindow();
}

}  // namespace trv
