#include "shell/SystemCommands.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/ShellTargets.h"
#include "platform/Text.h"
#include "platform/TraceEvents.h"
#include "script/ListRoutines.h"
#include "shell/SystemCommandRules.h"
#include "store/FileIo.h"

namespace trv {
namespace fs = std::filesystem;
namespace {

// The installer family's games, under HKEY_LOCAL_MACHINE.
constexpr const char* kGamesKey = "SOFTWARE\\Pelnor\\";
// How often the uninstaller is looked at while it runs.
constexpr std::uint32_t kUninstallPollMs = 100;
// The game dialog's pages for "not installed" and for a plain message.
constexpr int kNotInstalledLayout = 0;
constexpr int kMessageLayout = 4;
// A font larger than this is not a font of the disc.
constexpr std::uint64_t kMaxFontBytes = 64ull << 20;

std::string Utf8(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }

bool IsExecutableFile(const fs::path& p) {
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
}

struct FontCopy {
  std::string source;  // Windows form
  fs::path target;
  bool copied = false;
};

// Copies each font unless it is not a regular file or too large; stops at a full disk.
void CopyFonts(std::vector<FontCopy>& fonts, const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  for (FontCopy& f : fonts) {
    auto native = ResolvePath(f.source);
    std::string why;
    std::FILE* in = native ? storeio::OpenRegularFile(native->c_str(), why) : nullptr;
    if (!in) {
      Log("fonts", "the font " + Utf8(f.source) + " cannot be read" + (why.empty() ? "" : ": " + why));
      continue;
    }
    std::string bytes;
    char buffer[65536];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0 && bytes.size() <= kMaxFontBytes) bytes.append(buffer, n);
    std::fclose(in);
    if (bytes.size() > kMaxFontBytes) {
      Log("fonts", "the font " + Utf8(f.source) + " is larger than a font can be; not installed");
      continue;
    }
    std::string error;
    errno = 0;
    if (ReplaceFileAtomically(f.target, bytes, &error)) {
      f.copied = true;
      continue;
    }
    const bool full = errno == ENOSPC;
    Log("fonts", "the font could not be copied to " + f.target.string() + ": " + error);
    if (full) break;
  }
}

}  // namespace

TSystemCommands::TSystemCommands(Platform& platform, ScriptPaths paths, SystemCommandsHost host)
    : platform_(platform), paths_(std::move(paths)), host_(std::move(host)) {}

TSystemCommands::~TSystemCommands() {
  *alive_ = false;
  if (uninstallTimer_) platform_.Loop().KillTimer(uninstallTimer_);
  EndHelp();
}

bool TSystemCommands::Open(const std::string& target) {
  if (platform_.Desktop().OpenDocument(target)) return true;
  Log("command", "the desktop could not open " + Utf8(target));
  // The player can still reach it by hand.
  platform_.SetClipboardText(target);
  if (host_.showMessage)
    host_.showMessage(kMessageLayout, Utf8ToCp1251("Не удалось открыть:\n") + target +
                      Utf8ToCp1251("\nАдрес скопирован в буфер обмена."));
  return false;
}

bool TSystemCommands::StartFile(const std::string& file, const std::string& parameters, bool tellPlayer) {
  auto native = ResolvePath(file);
  if (!native) {
    Log("command", "no file " + Utf8(file) + " to start");
    if (tellPlayer) Open(file);  // tells the player, with the path to copy
    return false;
  }
  if (IsExecutableFile(*native)) {
    // Its own folder is its working folder, as the program expects of a disc.
    const auto pid = platform_.Desktop().StartProcess(file, SplitParameters(parameters), FolderOf(file));
    if (!pid) Log("command", "the program " + Utf8(file) + " could not be started");
    return pid.has_value();
  }
  if (!Trim(parameters).empty())
    Log("command", "parameters for the document " + Utf8(file) + " are left out: only programs take them");
  return tellPlayer ? Open(file) : platform_.Desktop().OpenDocument(file);
}

void TSystemCommands::Run(const std::string& command) {
  if (command.rfind("run=http://", 0) == 0) {
    Open(command.substr(4));
    return;
  }
  const std::string file = FirstArgument(command, paths_);
  if (Trim(file).empty()) {
    Log("command", "\"" + Utf8(command) + "\" names no file");
    return;
  }
  StartFile(file, SecondArgument(command, paths_), true);
}

void TSystemCommands::NotInstalled() {
  if (host_.showMessage) host_.showMessage(kNotInstalledLayout, Utf8ToCp1251("Игра не установлена."));
}

void TSystemCommands::RunGame(const std::string& command) {
  const std::string subkey = SecondArgument(command, paths_);
  Registry& settings = platform_.Settings();
  const std::string key = kGamesKey + subkey;
  const std::string instdir = settings.ReadString(RootKey::LocalMachine, key, "instdir").value_or("");
  const std::string exename = settings.ReadString(RootKey::LocalMachine, key, "exename").value_or("");
  const ProgramToStart p = InstalledGameProgram(instdir, exename, FirstArgument(command, paths_));
  auto native = Trim(p.file).empty() ? std::nullopt : ResolvePath(p.file);
  if (!native || !IsExecutableFile(*native)) {
    Log("command", "the game \"" + Utf8(subkey) + "\" is not installed: " +
                       (p.file.empty() ? std::string("no program is named") : Utf8(p.file) + " is not a program"));
    NotInstalled();
    return;
  }
  StartFile(p.file, p.parameters, false);
}

void TSystemCommands::DeleteGame(const std::string& command) {
  if (uninstallPid_) {
    Log("command", "an uninstall already runs");
    return;
  }
  const std::string subkey = FirstArgument(command, paths_);
  const std::string key = kGamesKey + subkey;
  const std::string instdir = platform_.Settings().ReadString(RootKey::LocalMachine, key, "instdir").value_or("");
  const std::string folder = UninstallLogFolder(
      instdir, [](const std::string& f) { return ResolvePath(f + "\\Uninst.isu").has_value(); });
  if (folder.empty()) {
    Log("command", "the game \"" + Utf8(subkey) + "\" has no uninstall log: not installed");
    NotInstalled();
    return;
  }
  // The family's uninstaller lies beside the log, or beside the program.
  std::string uninstaller = folder + "\\IsUninst.exe";
  auto native = ResolvePath(uninstaller);
  if (!native || !IsExecutableFile(*native)) {
    uninstaller = paths_.programDir + "IsUninst.exe";
    native = ResolvePath(uninstaller);
  }
  if (!native || !IsExecutableFile(*native)) {
    Log("command", "no uninstaller IsUninst.exe beside " + Utf8(folder) + " or the program: the game stays");
    return;
  }
  const auto log = ResolvePath(folder + "\\Uninst.isu");
  const auto pid = platform_.Desktop().StartProcess(uninstaller, {"-f", Utf8ToCp1251(log->string())});
  if (!pid) {
    Log("command", "the uninstaller " + Utf8(uninstaller) + " could not be started");
    return;
  }
  uninstallPid_ = pid;
  uninstallSubkey_ = subkey;
  uninstallFolder_ = folder;
  if (host_.setBusy) host_.setBusy(true);
  WatchUninstall();
}

void TSystemCommands::WatchUninstall() {
  // Looked at on the loop's timer, so that the window keeps painting while it runs.
  uninstallTimer_ = platform_.Loop().SetTimer(kUninstallPollMs, false, [this] {
    uninstallTimer_ = 0;
    if (auto code = platform_.Desktop().WaitProcess(*uninstallPid_, 0)) UninstallEnded(*code);
    else WatchUninstall();
  });
}

void TSystemCommands::UninstallEnded(int exitCode) {
  uninstallPid_.reset();
  if (host_.setBusy) host_.setBusy(false);
  const std::string instdir = platform_.Settings()
                                  .ReadString(RootKey::LocalMachine, kGamesKey + uninstallSubkey_, "instdir")
                                  .value_or("");
  if (!instdir.empty()) {
    Log("command", "the uninstaller ended with " + std::to_string(exitCode) + " and the game is still registered");
    return;
  }
  auto native = ResolvePath(uninstallFolder_);
  if (!native) return;  // the uninstaller took everything
  std::string why;
  if (!MayRemoveLeftovers(*native, {ToNativePath(paths_.programDir), ExecutableDir(), UserFontDir()}, &why)) {
    Log("command", "what is left in " + native->string() + " stays: " + why);
    return;
  }
  const std::size_t removed = RemoveLeftovers(*native);
  TraceShell(platform_.Tracer(), "remove-leftovers", ToWindowsPath(*native), {std::to_string(removed)});
}

void TSystemCommands::InstallFonts(const std::string& fontFolder) {
  if (copyingFonts_) return;
  const fs::path dir = UserFontDir();
  if (dir.empty()) {
    Log("fonts", "no fonts folder of the user (neither XDG_DATA_HOME nor HOME is set)");
    return;
  }
  std::vector<FontCopy> fonts;
  for (const std::string& file : FindFiles(fontFolder, {"*.ttf"}, false, false)) {
    const std::size_t slash = file.find_last_of('\\');
    fonts.push_back({file, dir / ToNativePath(file.substr(slash + 1)), false});
  }
  copyingFonts_ = true;
  if (host_.setBusy) host_.setBusy(true);
  std::weak_ptr<bool> alive = alive_;
  // A slow disk must not stop the window: the copies run beside the loop.
  // A slow disk must not stop the window: the copies run beside the loop.
  auto work = std::make_shared<std::vector<FontCopy>>(std::move(fonts));
  platform_.Loop().RunBeside([work, dir] { CopyFonts(*work, dir); },
                             [this, work, dir, alive] {
                               auto a = alive.lock();
                               if (!a || !*a) return;
                               for (const FontCopy& f : *work)
                                 if (f.copied)
                                   TraceShell(platform_.Tracer(), "install-font", f.source, {f.target.string()});
                               platform_.Desktop().FontsChanged(dir.string());
                               copyingFonts_ = false;
                               if (host_.setBusy) host_.setBusy(false);
                             });
}

void TSystemCommands::Help(const std::string& helpFile) {
  Shell& desktop = platform_.Desktop();
  for (const std::string& caption : HelpWindowCaptions()) {
    if (auto window = desktop.FindForeignWindowByTitle(caption)) {
      desktop.RaiseWindow(*window);
      return;
    }
  }
  // A viewer still starting has no window yet: it is not started twice.
  if (helpPid_ && !desktop.WaitProcess(*helpPid_, 0)) return;
  helpPid_.reset();
  if (Trim(helpFile).empty()) {
    Log("command", "the script names no help file");
    return;
  }
  if (!ResolvePath(helpFile)) {
    Open(helpFile);  // tells the player
    return;
  }
  helpPid_ = desktop.StartOpener(helpFile);
  if (!helpPid_) Open(helpFile);
}

void TSystemCommands::EndHelp() {
  if (!helpPid_) return;
  if (!platform_.Desktop().WaitProcess(*helpPid_, 0)) platform_.Desktop().TerminateProcess(*helpPid_);
  helpPid_.reset();
}

}  // namespace trv
