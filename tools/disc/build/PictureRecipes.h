#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/Bitmap.h"
#include "platform/Graphics.h"

namespace trv::disc {

// The picture recipes of content/pictures: declarative drawings that the
// builder renders into Windows bitmaps.
//
//   template NAME            lines with $1, $2 ... for the arguments of `use`
//     ...
//   end
//   picture NAME.bmp W H     an entry of the content archive
//   treepicture PATH W H     a file of the packed interface tree (PATH with \)
//   part NAME W H            drawn only into other pictures (`image`), not stored
//     COMMAND ARGUMENTS...
//   end
//
// Numbers may be sums and products of integers ("$1-8", "2*$2+1"); colours
// are #rrggbb or #rrggbbaa (aa the opacity); texts are in double quotes, with
// \" and \n. Commands: fill C | rect X Y W H C | frame X Y W H WIDTH C |
// vgradient/hgradient X Y W H C1 C2 | radial CX CY R C1 C2 | rrect X Y W H R C |
// rrectgrad X Y W H R C1 C2 | rframe X Y W H R WIDTH C | ellipse CX CY RX RY C |
// ring CX CY R WIDTH C | polygon C X,Y X,Y ... | line X1 Y1 X2 Y2 WIDTH C |
// bevel X Y W H DEPTH LIGHT DARK | text X Y W H FONT SIZE STYLE C ALIGN "TEXT"
// (STYLE: plain or words bold, italic, underline joined by +; ALIGN: left,
// center or right; one line is centred vertically, "\n" breaks lines) |
// image NAME X Y (another picture drawn at X Y) | grain AMOUNT SEED |
// use TEMPLATE ARGS...
struct PictureRecipe {
  std::string name;
  bool inTree = false;
  bool partOnly = false;  // `part`: only other pictures use it
  int width = 0;
  int height = 0;
  std::vector<std::pair<int, std::string>> lines;  // source line number, text
  std::string file;                                // where it was written
};

class PictureBook {
 public:
  // Reads one recipe file; problems are added to Errors() as "file:line: what".
  void AddSource(const std::string& fileName, const std::string& utf8Text);

  const std::map<std::string, PictureRecipe>& Recipes() const { return recipes_; }
  // Renders a picture (and the pictures it draws on it); nullopt after
  // adding the problems to Errors().
  std::optional<Bitmap> Render(const std::string& name, FontEngine* fonts);
  const std::vector<std::string>& Errors() const { return errors_; }

 private:
  struct Template {
    std::vector<std::pair<int, std::string>> lines;
    std::string file;
  };
  bool RunLines(const std::vector<std::pair<int, std::string>>& lines, const std::string& file,
                const std::vector<std::string>& args, Bitmap& bitmap, FontEngine* fonts, int depth);
  bool RunCommand(const std::vector<std::string>& words, const std::string& where, Bitmap& bitmap,
                  FontEngine* fonts, int depth);
  void Error(const std::string& where, const std::string& what) { errors_.push_back(where + ": " + what); }

  std::map<std::string, PictureRecipe> recipes_;
  std::map<std::string, Template> templates_;
  std::map<std::string, Bitmap> rendered_;
  std::vector<std::string> rendering_;  // the chain of `image` references, against loops
  std::vector<std::string> errors_;
};

// Splits a recipe line into words; quoted texts are one word without quotes.
std::vector<std::string> SplitRecipeWords(const std::string& line, bool* ok);
// "12", "$1-8" after substitution: "20-8"; nullopt when not a number.
std::optional<long long> EvalRecipeNumber(const std::string& text);

}  // namespace trv::disc
