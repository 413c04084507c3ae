// Fonts shipped beside the program: usable by this process while it runs,
// never installed into the desktop (that is the "installfonts" command's job).
#include "platform/TraceEvents.h"
#include "script/ListRoutines.h"
#include "shell/MainForm.h"

namespace trv {

void TMainForm::RegisterFonts() {
  fontFiles_ = FindFiles(disc_.programDir, {"*.ttf"}, false, false);
  for (const std::string& file : fontFiles_) {
    const bool added = fonts_->AddFontFile(file);
    TraceShell(platform_.Tracer(), "add-font", file, added ? std::vector<std::string>{} : std::vector<std::string>{"failed"});
  }
}

void TMainForm::RemoveFonts() {
  for (const std::string& file : fontFiles_) {
    fonts_->RemoveFontFile(file);  // a failure only leaves it to the process's end
    TraceShell(platform_.Tracer(), "remove-font", file);
  }
  fontFiles_.clear();
}

}  // namespace trv
