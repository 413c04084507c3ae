#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#include "SdlTestEnv.h"
#include "platform/Keys.h"
#include "platform/Text.h"
#include "platform/sdl/SdlPlatform.h"
#include "support/TestSupport.h"

namespace trv {
namespace {

using test::EventRecorder;

class SdlWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PlatformConfig config;
    config.settingsDir = dir_.Path() / "settings";
    platform_ = std::make_unique<SdlPlatform>(config);
    ASSERT_TRUE(platform_->Ready()) << SDL_GetError();
    platform_->Tracer().KeepLines(true);
    WindowOptions options;
    options.caption = Utf8ToCp1251("Викторина");
    options.bounds = Rect::FromSize(40, 30, 200, 150);
    window_ = platform_->CreateWindow(options);
    sdl_ = static_cast<SdlWindow*>(window_.get());
    ASSERT_NE(sdl_->Handle(), nullptr);
    window_->SetEvents(&rec_);
    window_->Show();
    Pump();
    rec_.lines.clear();
  }
  void TearDown() override {
    SDL_SetModState(KMOD_NONE);
    window_.reset();
    platform_.reset();
  }

  void Pump() {
    for (int i = 0; i < 3; ++i) platform_->Loop().ProcessMessages();
  }
  void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1) << SDL_GetError(); }
  void Key(SDL_Scancode sc, bool down, Uint16 mod = KMOD_NONE, Uint32 windowId = ~0u) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = windowId == ~0u ? sdl_->SdlId() : windowId;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = sc;
    e.key.keysym.mod = mod;
    Push(e);
  }
  void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = sdl_->SdlId();
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    Push(e);
  }
  // A key as SDL reports typing it: down, the desktop's text, up.
  void Type(SDL_Scancode sc, const char* desktopText, Uint16 mod = KMOD_NONE) {
    Key(sc, true, mod);
    if (desktopText) Text(desktopText);
    Key(sc, false, mod);
  }
  void Motion(int x, int y, Uint32 state = 0) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = sdl_->SdlId();
    e.motion.x = x;
    e.motion.y = y;
    e.motion.state = state;
    Push(e);
  }
  void Button(Uint8 button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = sdl_->SdlId();
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    Push(e);
  }
  void WindowEvent(SDL_WindowEventID id) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = sdl_->SdlId();
    e.window.event = Uint8(id);
    Push(e);
  }
  void Drop(SDL_EventType type, const char* file = nullptr) {
    SDL_Event e{};
    e.type = type;
    e.drop.windowID = sdl_->SdlId();
    e.drop.file = file ? SDL_strdup(file) : nullptr;
    Push(e);
  }
  // Trace lines without their time stamps.
  std::vector<std::string> WindowTrace() {
    std::vector<std::string> out;
    static const std::regex stamp("\"t\":[0-9]+,");
    for (const std::string& l : platform_->Tracer().Lines())
      if (l.find("\"ev\":\"window\"") != std::string::npos) out.push_back(std::regex_replace(l, stamp, ""));
    return out;
  }
  Color SurfacePixel(int x, int y) {
    SDL_Surface* s = SDL_GetWindowSurface(sdl_->Handle());
    if (!s) return 0xFFFFFFFF;
    Uint32 raw = 0;
    std::memcpy(&raw, static_cast<std::uint8_t*>(s->pixels) + y * s->pitch + x * s->format->BytesPerPixel,
                s->format->BytesPerPixel);
    Uint8 r, g, b;
    SDL_GetRGB(raw, s->format, &r, &g, &b);
    return MakeColor(r, g, b);
  }

  test::TempDir dir_;
  std::unique_ptr<SdlPlatform> platform_;
  std::unique_ptr<Window> window_;
  SdlWindow* sdl_ = nullptr;
  EventRecorder rec_;
};

using Lines = std::vector<std::string>;

TEST_F(SdlWindowTest, CharactersFollowTheProcessLayoutNotTheDesktop) {
  ASSERT_TRUE(platform_->Keys().LoadLayout(kLayoutRussian));
  Type(SDL_SCANCODE_Q, "q");
  Type(SDL_SCANCODE_Q, "Q", KMOD_LSHIFT);
  Type(SDL_SCANCODE_SEMICOLON, ";");
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"key 81 0", "char 233", "keyup 81 0",     // й
                               "key 81 1", "char 201", "keyup 81 1",     // Й
                               "key 186 0", "char 230", "keyup 186 0"}));  // ж
  rec_.lines.clear();

  ASSERT_TRUE(platform_->Keys().LoadLayout(kLayoutUS));
  Type(SDL_SCANCODE_Q, "q");
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"key 81 0", "char 113", "keyup 81 0"}));
}

TEST_F(SdlWindowTest, CommandKeysAndControlCharacters) {
  Type(SDL_SCANCODE_RETURN, nullptr);
  Type(SDL_SCANCODE_ESCAPE, nullptr);
  Type(SDL_SCANCODE_F1, nullptr);
  Type(SDL_SCANCODE_C, "c", KMOD_LCTRL);  // Ctrl+C: the control character, never the letter
  Type(SDL_SCANCODE_X, "x", KMOD_LALT);   // Alt+X types nothing
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"key 13 0", "char 13", "keyup 13 0", "key 27 0", "char 27", "keyup 27 0",
                               "key 112 0", "keyup 112 0", "key 67 4", "char 3", "keyup 67 4", "key 88 2",
                               "keyup 88 2"}));
}

TEST_F(SdlWindowTest, TextNoKeyProducedIsConvertedCharByChar) {
  test::LogCapture log;
  Text("№ё");   // an input method, or a character the desktop has no key for
  Text("aé€");  // é has no place in code page 1251
  // A key SDL cannot place lets its text through.
  Key(SDL_SCANCODE_UNKNOWN, true);
  Text("ж");
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"char 185", "char 184", "char 97", "char 136", "char 230"}));
  EXPECT_TRUE(log.Contains("1251")) << log.All();
}

TEST_F(SdlWindowTest, MouseInClientCoordinatesWithShiftAndButtons) {
  Motion(10, 20);
  Pump();
  SDL_SetModState(KMOD_LSHIFT);
  Button(SDL_BUTTON_LEFT, true, 10, 20);
  Motion(12, 22, SDL_BUTTON_LMASK);
  Button(SDL_BUTTON_LEFT, false, 12, 22);
  Button(SDL_BUTTON_RIGHT, true, 12, 22);
  Button(SDL_BUTTON_RIGHT, false, 12, 22);
  SDL_Event wheel{};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.windowID = sdl_->SdlId();
  wheel.wheel.y = -1;
  wheel.wheel.mouseX = 5;
  wheel.wheel.mouseY = 6;
  Push(wheel);
  WindowEvent(SDL_WINDOWEVENT_LEAVE);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"move 10,20 0", "downL 10,20 9", "move 12,22 9", "upL 12,22 1", "downR 12,22 17",
                               "upR 12,22 1", "wheel -120 5,6 1", "leave"}));
}

TEST_F(SdlWindowTest, RegionDecidesWhichPixelsTakeTheMouse) {
  window_->SetRegion({{0, 0}, {100, 0}, {0, 100}});
  ASSERT_NE(window_->Region(), nullptr);
  Motion(10, 10);
  Motion(90, 90);  // outside the triangle: the mouse left the window
  Motion(20, 10);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"move 10,10 0", "leave", "move 20,10 0"}));
  rec_.lines.clear();

  window_->SetRegion({});  // an empty region hides everything
  Motion(5, 5);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"leave"}));
  rec_.lines.clear();

  window_->ClearRegion();
  EXPECT_EQ(window_->Region(), nullptr);
  Motion(190, 140);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"move 190,140 0"}));

  const Lines trace = WindowTrace();
  ASSERT_GE(trace.size(), 3u);
  EXPECT_EQ(trace[trace.size() - 3], R"({"ev":"window","window":"main","op":"region","vertices":3})");
  EXPECT_EQ(trace[trace.size() - 2], R"({"ev":"window","window":"main","op":"region","vertices":0})");
  EXPECT_EQ(trace.back(), R"({"ev":"window","window":"main","op":"region","vertices":0})");
}

TEST_F(SdlWindowTest, DroppedFilesAsWindowsPaths) {
  test::LogCapture log;
  Drop(SDL_DROPBEGIN);
  Drop(SDL_DROPFILE, "/tmp/a b.txt");
  Drop(SDL_DROPCOMPLETE);
  Pump();
  EXPECT_TRUE(rec_.drops.empty());  // the window does not accept files yet

  window_->AcceptFiles(true);
  Drop(SDL_DROPBEGIN);
  Drop(SDL_DROPFILE, "/tmp/a b.txt");
  Drop(SDL_DROPFILE, "/tmp/日本.txt");
  Drop(SDL_DROPFILE, "/tmp/Привет.bmp");
  Drop(SDL_DROPCOMPLETE);
  Pump();
  ASSERT_EQ(rec_.drops.size(), 1u);
  EXPECT_EQ(rec_.drops[0], (Lines{"\\tmp\\a b.txt", "\\tmp\\" + Utf8ToCp1251("Привет") + ".bmp"}));
  EXPECT_TRUE(log.Contains("日本")) << log.All();
}

TEST_F(SdlWindowTest, CloseRequestsFocusAndExpose) {
  WindowEvent(SDL_WINDOWEVENT_CLOSE);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
  WindowEvent(SDL_WINDOWEVENT_EXPOSED);
  WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"close", "activate", "expose", "deactivate"}));
  rec_.lines.clear();

  // Keys SDL gives no window go to the window that had the focus last.
  Key(SDL_SCANCODE_F2, true, KMOD_NONE, 0);
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"key 113 0"}));
  rec_.lines.clear();

  window_->Close();  // handled later, like a posted message
  EXPECT_TRUE(rec_.lines.empty());
  Pump();
  EXPECT_EQ(rec_.lines, (Lines{"close"}));

  // A close asked for by a window that is gone by then is dropped.
  WindowOptions options;
  options.role = "popup";
  auto popup = platform_->CreateWindow(options);
  EventRecorder popupEvents;
  popup->SetEvents(&popupEvents);
  popup->Close();
  popup.reset();
  Pump();
  EXPECT_TRUE(popupEvents.lines.empty());
}

TEST_F(SdlWindowTest, PresentCopiesTheFramebufferToTheScreen) {
  Bitmap& fb = window_->Framebuffer();
  ASSERT_EQ(fb.Width(), 200);
  ASSERT_EQ(fb.Height(), 150);
  fb.Fill(fb.Bounds(), MakeColor(10, 200, 30));
  window_->Present();
  EXPECT_EQ(SurfacePixel(5, 5), MakeColor(10, 200, 30));
  EXPECT_EQ(SurfacePixel(199, 149), MakeColor(10, 200, 30));

  fb.Fill(fb.Bounds(), MakeColor(250, 0, 128));
  window_->Present({0, 0, 10, 10});
  EXPECT_EQ(SurfacePixel(5, 5), MakeColor(250, 0, 128));
  EXPECT_EQ(SurfacePixel(50, 50), MakeColor(10, 200, 30));  // outside the dirty part
}

TEST_F(SdlWindowTest, StateChangesAreTraced) {
  window_->SetBounds(Rect::FromSize(40, 30, 200, 150));  // unchanged: no line
  window_->Framebuffer().Fill({0, 0, 10, 10}, MakeColor(1, 2, 3));
  window_->SetBounds(Rect::FromSize(50, 60, 300, 100));
  EXPECT_EQ(window_->Bounds(), Rect::FromSize(50, 60, 300, 100));
  EXPECT_EQ(window_->Framebuffer().Width(), 300);
  EXPECT_EQ(window_->Framebuffer().Pixel(0, 0), MakeColor(255, 255, 255));  // cleared with the resize
  window_->Hide();
  window_->Hide();
  EXPECT_FALSE(window_->Visible());
  window_->Show();
  window_->Minimize();
  window_->Restore();
  Pump();
  EXPECT_EQ(WindowTrace(),
            (Lines{R"({"ev":"window","window":"main","op":"show"})",
                   R"({"ev":"window","window":"main","op":"size","left":50,"top":60,"width":300,"height":100})",
                   R"({"ev":"window","window":"main","op":"hide"})", R"({"ev":"window","window":"main","op":"show"})",
                   R"({"ev":"window","window":"main","op":"minimize"})",
                   R"({"ev":"window","window":"main","op":"restore"})"}));
  EXPECT_EQ(rec_.lines, (Lines{"minimize", "restore"}));
}

TEST_F(SdlWindowTest, CaptionAndClipboardConvertCodePage) {
  EXPECT_STREQ(SDL_GetWindowTitle(sdl_->Handle()), "Викторина");
  window_->SetCaption(Utf8ToCp1251("Игра №2"));
  EXPECT_STREQ(SDL_GetWindowTitle(sdl_->Handle()), "Игра №2");
  EXPECT_EQ(window_->Caption(), Utf8ToCp1251("Игра №2"));

  platform_->SetClipboardText(Utf8ToCp1251("Ответ: ёж"));
  char* raw = SDL_GetClipboardText();
  EXPECT_STREQ(raw, "Ответ: ёж");
  SDL_free(raw);
  EXPECT_EQ(platform_->ClipboardText(), Utf8ToCp1251("Ответ: ёж"));
}

}  // namespace
}  // namespace trv
