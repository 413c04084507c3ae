// Start-up of the shell window, in its fixed order, and the first show.
#include <algorithm>

#include "game/Users.h"
#include "media/ReleaseCheck.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "script/ListRoutines.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "shell/MainForm.h"
#include "game/MainGame.h"
#include "store/PackedTree.h"

namespace trv {
namespace {

constexpr Size kDefaultClient{800, 600};

// The main window's buttons keep their hover and their hint while inactive,
// and fade back on release; Shift changes a switch without its command.
constexpr SkinMouseRules kMainRules{true, true, true};

}  // namespace

TMainForm::TMainForm(Platform& platform, DiscPaths disc)
    : TSkinWindow(platform),
      disc_(std::move(disc)),
      paths_{disc_.programDir, disc_.cdRoot},
      controls_(*this, platform.Loop(), kMainRules, [this] { FormPaint(); }),
      fonts_(&platform.Fonts()) {}

TMainForm::~TMainForm() { FormDestroy(); }

bool TMainForm::FormCreate(const StartArguments& start, StartStop* stop) {
  *stop = {};
  // The packed tree: questions and trees read through it, or from the disc
  // when it does not hold a file. A missing tree is allowed; a damaged one is not.
  rootDir_ = ComputeRootDir(disc_.programDir);
  tree_ = std::make_unique<TPackedTree>();
  try {
    if (tree_->OpenTree(disc_.programDir + "interface.dat") < 0) {
      *stop = {"interface.dat is damaged", true, "файл interface.dat повреждён."};
      return false;
    }
    tree_->SetPathPrefix(rootDir_);
  } catch (const StoreError& e) {
    Log("startup", std::string("no packed interface tree, files come from the disc: ") + e.what());
  }
  platform_.Keys().LoadLayout(kLayoutRussian);
  exitButton_ = -1;

  WindowOptions options;
  options.role = "main";
  const Size screen = platform_.ScreenSize();
  options.bounds = Rect::FromSize(std::max(0, (screen.width - kDefaultClient.width) / 2),
                                  std::max(0, (screen.height - kDefaultClient.height) / 2), kDefaultClient.width,
                                  kDefaultClient.height);
  CreateSkinWindow(options);

  secondaryRun_ = !start.args.empty();
  // "/t" anywhere on the command line picks the thesaurus, but not inside the
  // program's own path: here paths are written with slashes ("/tmp/...").
  std::string arguments;
  for (const std::string& a : start.args) arguments += " " + a;
  if (arguments.find("/t") != std::string::npos) {
    StartThesaurusRole(start);
    return true;
  }
  if (secondaryRun_) {
    StartHelpRole(start);
    return true;
  }
  return StartShell(stop);
}

bool TMainForm::StartShell(StartStop* stop) {
  SkinBackground().Resize(kDefaultClient.width, kDefaultClient.height);
  if (!RunReleaseCheck(platform_, disc_.programDir)) {
    *stop = {"build files lie beside the program", false, "", 1};  // the warnings told the player
    return false;
  }
  archive_ = std::make_unique<TReadBin>();
  pictures_ = TPictureLoader(archive_.get(), tree_.get());
  const std::string archivePath = disc_.programDir + "Mev.dhl";
  if (!ResolvePath(archivePath)) {
    *stop = {"no content archive " + Cp1251ToUtf8(archivePath), true,
             "рядом с программой нет архива с содержимым диска (Mev.dhl). Запустите программу с диска игры."};
    return false;
  }
  try {
    archive_->Open(archivePath);
  } catch (const StoreError& e) {
    *stop = {std::string("the content archive cannot be read: ") + e.what(), true,
             "архив с содержимым диска не читается."};
    return false;
  }
  if (archive_->ReadToBuffer("Struct.txt", scriptBuffer_) < 0) {
    *stop = {"the content archive holds no readable Struct.txt", true,
             "в архиве с содержимым диска нет описания окна программы (Struct.txt)."};
    return false;
  }
  TDynamicStringArray lines;
  SplitLines(scriptBuffer_, true, lines);
  if (!ApplyHeader(lines, stop)) return false;

  bool heldElsewhere = false;
  instanceLock_ = InstanceLock::Acquire(title_, &heldElsewhere);
  if (heldElsewhere) {
    // Started again from the menu: the player wants the running window.
    const std::optional<WindowRef> running = platform_.Desktop().FindForeignWindowByTitle(title_);
    if (running && platform_.Desktop().RaiseWindow(*running))
      *stop = {"another shell of \"" + Cp1251ToUtf8(title_) + "\" runs; its window was brought to the front", false,
               "", 0};
    else
      *stop = {"another shell of \"" + Cp1251ToUtf8(title_) + "\" runs; this one ends", true,
               "программа уже запущена, а её окно не удалось вывести на передний план."};
    secondaryRun_ = true;
    role_ = Role::SecondShell;
    return false;
  }
  SkinWindow()->SetCaption(title_);

  ReadElements(lines, paths_, elements_);
  // Every screen that has any element list has all three, so that a screen
  // index good for one list is good for the others.
  const std::size_t screens =
      std::max({elements_.Buttons.size(), elements_.SingleSwitches.size(), elements_.GroupSwitches.size()});
  elements_.Buttons.resize(screens);
  elements_.SingleSwitches.resize(screens);
  elements_.GroupSwitches.resize(screens);
  if (header_.codecs.find("mpegaudio") != std::string::npos) InstallMp3Codec();
  SkinWindow()->AcceptFiles(true);
  currentScreen_ = 0;
  LoadSwitchStates();
  // A script without a hint colour gets the desktop's, not black under black text.
  Hints().SetColor(elements_.hintColorSet ? elements_.hintColor : kDefaultHintColor);
  // The music wanted unless the script lists no songs.
  music_ = std::make_unique<TBackgroundMusic>(platform_.Media(), platform_.Loop(), platform_.Settings(), SettingsKey(),
                                              header_.bgSoundDefault);
  // The players first: the ratings list is filled when the trees are made.
  users_ = std::make_unique<TUsers>(platform_.Settings(), title_, platform_.Loop().GetClock());
  MakeParts(true);
  // The game engine and the players list whose scores it keeps.
  if (!game_)
    game_ = std::make_unique<TMainGame>(static_cast<GameScreen&>(*this), platform_, users_.get(), tree_.get(),
                                        disc_.programDir);
  SetPlayerScoreSource([this] { return users_ ? std::int32_t(users_->CurrentScore()) : 0; });
  ApplyOptionsToGame();

  RegisterFonts();

  // The options' stored switches replay their commands: the flags, the
  // music wanted, the first screen.
  CreateOptionsWindow();

  int startScreen = options_.StartScreen;
  if (startScreen < 1 || (ScreenCount() > 0 && startScreen > ScreenCount())) {
    Log("startup", "the start screen " + std::to_string(startScreen) + " of the options is not a screen of the script (1 to " +
                       std::to_string(ScreenCount()) + "); the first screen is shown");
    startScreen = 1;
  }
  RunCommand("screen" + std::to_string(startScreen) + "=store", "", 0, 0, 1);
  if (ScreenCount() == 0) Log("startup", "the script declares no screen");
  ShowMainWindow();
  return true;
}

bool TMainForm::ApplyHeader(const TDynamicStringArray& lines, StartStop* stop) {
  try {
    header_ = ReadHeader(lines, paths_);
  } catch (const ScriptError& e) {
    *stop = {std::string("the window shape in Struct.txt is malformed: ") + e.what(), true,
             "форма окна в Struct.txt задана неверно."};
    return false;
  }
  title_ = header_.title;
  if (!header_.icon.empty()) {
    Bitmap icon;
    if (pictures_.Load(header_.icon, &icon)) SkinWindow()->SetIcon(icon);
  }
  if (header_.hasVertexMain) SetShape(header_.vertexMain);
  return true;
}

void TMainForm::ShowMainWindow() {
  shown_ = true;
  SkinWindow()->Show();
  // Boxes appear when a fade into their screen ends; the first screen comes
  // without a fade, so its boxes are shown with the window.
  if (parts_.Boxes() && !Fading()) parts_.Boxes()->Boxes().SetBoxesHidden(false);
  FormPaint();
  platform_.Loop().ProcessMessages();
  if (MusicOn()) {
    SkinWindow()->SetCursor(Cursor::Wait);
    MusicStart();
    SkinWindow()->SetCursor(Cursor::Arrow);
    return;
  }
  PlayWav(Utf8ToCp1251("music\\Главное меню\\s_Открытие программы.wav"), false);
  platform_.Loop().ProcessMessages();
}

void TMainForm::OnDropFiles(const std::vector<std::string>& paths) {
  // The first file of a drop, when it is a sound, plays over the music.
  if (!paths.empty() && parts_.Clips()) parts_.Clips()->PlayDropped(paths.front());
}

void TMainForm::OnRestore() {
  RunCommand("playwavonly", Utf8ToCp1251("music\\Главное меню\\k_Разворачивание окна.wav"), 0, 0, 0);
}

}  // namespace trv
