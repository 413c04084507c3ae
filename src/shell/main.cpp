// The program entry: picks the backend, finds the disc, opens its content
// archive and shows the skinned main window of the script's header until it is
// closed. The screens, elements and commands of the shell build on this.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Bmp.h"
#include "platform/Keys.h"
#include "platform/Log.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "script/ExpandPath.h"
#include "script/ScriptLines.h"
#include "script/ScriptLists.h"
#include "script/ScriptValues.h"
#include "store/ReadBin.h"

namespace trv {
namespace {

// A start that cannot go on says why on stderr and in the log.
int Fail(const std::string& reason) {
  Log("startup", reason);
  std::fprintf(stderr, "trivion: %s\n", reason.c_str());
  return 1;
}

class MainWindowEvents : public WindowEvents {
 public:
  MainWindowEvents(EventLoop& loop, Window& window) : loop_(loop), window_(window) {}
  void OnCloseRequest() override { loop_.Terminate(0); }
  void OnKeyDown(int key, unsigned) override {
    if (key == vk::Escape) window_.Close();
  }
  void OnMouseDown(MouseButton button, Point, unsigned) override {
    if (button == MouseButton::Left) window_.BeginDrag();
  }

 private:
  EventLoop& loop_;
  Window& window_;
};

int RunShell() {
  const char* backend = std::getenv("TRIVION_BACKEND");
  PlatformConfig config;
  if (const char* trace = std::getenv("TRIVION_TRACE")) config.tracePath = trace;
  std::unique_ptr<Platform> platform = (backend && std::string(backend) == "headless")
                                           ? CreateHeadlessPlatform(config)
                                           : CreateSdlPlatform(config);
  if (!platform) return Fail("no display backend could be started");

  const DiscPaths disc = ComputeDiscPaths(LocateDisc(ExecutableDir()));
  const ScriptPaths paths{disc.programDir, disc.cdRoot};
  TReadBin archive;
  try {
    archive.Open(disc.programDir + "Mev.dhl");
  } catch (const StoreError& e) {
    return Fail(std::string("no content archive: ") + e.what());
  }
  std::vector<std::uint8_t> script;
  if (archive.ReadToBuffer("Struct.txt", script) < 0) return Fail("the content archive holds no Struct.txt");
  TDynamicStringArray lines;
  SplitLines(script, true, lines);

  std::string title, background;
  Polygon shape;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (int p = KeyPos(line, "title")) title = ReadText(line, p + 6);
    if (int p = KeyPos(line, "background")) background = ReadText(line, p + 11);
    if (KeyPos(line, "vertexmain")) {
      try {
        shape = ReadVertexList(lines, i, paths);
      } catch (const ScriptError& e) {
        return Fail(std::string("the window shape in Struct.txt is malformed: ") + e.what());
      }
    }
  }
  if (!title.empty()) title[0] = UpperChar1251(title[0]);

  const Size screen = platform->ScreenSize();
  const int w = 800, h = 600;
  auto window = platform->CreateWindow(
      {"main", title, Rect::FromSize(std::max(0, (screen.width - w) / 2), std::max(0, (screen.height - h) / 2), w, h)});
  MainWindowEvents events(platform->Loop(), *window);
  window->SetEvents(&events);
  if (!shape.empty()) window->SetRegion(shape);
  std::vector<std::uint8_t> picture;
  if (!background.empty() && archive.ReadToBuffer(background, picture) >= 0) {
    std::string error;
    if (auto bmp = DecodeBmp(picture, &error))
      window->Framebuffer().Blit(0, 0, *bmp);
    else
      Log("startup", Cp1251ToUtf8(background) + ": " + error);
  }
  window->Show();
  window->Present();
  return platform->Loop().Run();
}

}  // namespace
}  // namespace trv

int main() {
  try {
    return trv::RunShell();
  } catch (const std::exception& e) {
    return trv::Fail(std::string("stopped on an unexpected error: ") + e.what());
  }
}
