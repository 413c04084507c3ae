#include "shell/ViewerCommandLine.h"

#include <algorithm>

#include "platform/Text.h"

namespace trv {

ViewerCommandLine ReadViewerCommandLine(std::string_view commandLine, std::size_t programPathLength,
                                        std::string_view roleSwitch) {
  std::string_view rest = commandLine;
  if (const std::size_t at = rest.find("\" "); at != std::string_view::npos)
    rest.remove_prefix(at + 2);
  else
    rest.remove_prefix(std::min(programPathLength, rest.size()));
  std::string text;
  for (char c : rest)
    if (c != '"') text += c;
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  std::size_t begin = 0, end = text.size();
  while (begin < end && blank(text[begin])) ++begin;
  while (end > begin && blank(text[end - 1])) --end;
  text = text.substr(begin, end - begin);

  ViewerCommandLine result;
  if (const std::size_t at = text.find(roleSwitch); at != std::string::npos) {
    result.viewerSwitch = true;
    text.erase(at, roleSwitch.size());
  }
  result.document = std::move(text);
  return result;
}

std::string JoinCommandLine(std::string_view programPath, const std::vector<std::string>& args) {
  std::string line = "\"" + std::string(programPath) + "\"";
  for (const std::string& a : args) {
    const bool quote = a.empty() || a.find_first_of(" \t") != std::string::npos;
    line += quote ? " \"" + a + "\"" : " " + a;
  }
  return line;
}

std::optional<Size> StandardWindowSize(std::string_view document, Size picture) {
  const std::size_t sep = document.find_last_of("\\/:");
  const std::string file = Lower1251(sep == std::string_view::npos ? document : document.substr(sep + 1));
  if (file == "scheme.bmp" || file == "scheme_lux.bmp") return Size{780, 550};
  const std::size_t dot = file.rfind('.');
  if (dot == std::string::npos) return std::nullopt;
  const std::string ext = file.substr(dot);
  if (ext == ".bmp" || ext == ".gif" || ext == ".jpg" || ext == ".jpeg")
    return Size{picture.width + 45, picture.height + 90};
  return std::nullopt;
}

}  // namespace trv
