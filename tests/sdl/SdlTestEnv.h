#pragma once

#include <SDL.h>

#include <string>

#include "platform/Window.h"

namespace trv::test {

// Every SDL test runs without a display or a sound card: the dummy video and
// audio drivers are chosen before SDL starts (see SdlTestEnv.cpp).

// What a window reported, one line per event.
class EventRecorder : public WindowEvents {
 public:
  std::vector<std::string> lines;
  std::vector<std::vector<std::string>> drops;

  void OnMouseMove(Point p, unsigned s) override { Add("move", p, s); }
  void OnMouseDown(MouseButton b, Point p, unsigned s) override { Add("down" + Name(b), p, s); }
  void OnMouseUp(MouseButton b, Point p, unsigned s) override { Add("up" + Name(b), p, s); }
  void OnMouseLeave() override { lines.push_back("leave"); }
  void OnMouseWheel(int d, Point p, unsigned s) override { Add("wheel " + std::to_string(d), p, s); }
  void OnKeyDown(int vk, unsigned s) override { lines.push_back("key " + std::to_string(vk) + " " + std::to_string(s)); }
  void OnKeyUp(int vk, unsigned s) override { lines.push_back("keyup " + std::to_string(vk) + " " + std::to_string(s)); }
  void OnChar(char c) override { lines.push_back("char " + std::to_string(static_cast<unsigned char>(c))); }
  void OnDropFiles(const std::vector<std::string>& paths) override {
    drops.push_back(paths);
    lines.push_back("drop");
  }
  void OnCloseRequest() override { lines.push_back("close"); }
  void OnActivate(bool a) override { lines.push_back(a ? "activate" : "deactivate"); }
  void OnMinimize() override { lines.push_back("minimize"); }
  void OnRestore() override { lines.push_back("restore"); }
  void OnExpose() override { lines.push_back("expose"); }

 private:
  static std::string Name(MouseButton b) {
    return b == MouseButton::Left ? "L" : b == MouseButton::Right ? "R" : "M";
  }
  void Add(const std::string& what, Point p, unsigned s) {
    lines.push_back(what + " " + std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::to_string(s));
  }
};

}  // namespace trv::test
