#include "disc/build/PictureRecipes.h"

#include <algorithm>
#include <cctype>
#include <sstream>

#include "disc/build/Canvas.h"
#include "platform/Text.h"

namespace trv::disc {
namespace {

constexpr int kMaxSide = 4096;   // larger pictures are typing errors
constexpr int kMaxDepth = 16;    // nested `use` and `image`

std::string Where(const std::string& file, int line) { return file + ":" + std::to_string(line); }

std::optional<Paint> ParsePaint(const std::string& text) {
  if (text.size() != 7 && text.size() != 9) return std::nullopt;
  if (text[0] != '#') return std::nullopt;
  unsigned value[4] = {0, 0, 0, 255};
  for (std::size_t i = 1; i < text.size(); i += 2) {
    const std::string pair = text.substr(i, 2);
    if (!std::isxdigit(static_cast<unsigned char>(pair[0])) || !std::isxdigit(static_cast<unsigned char>(pair[1])))
      return std::nullopt;
    value[(i - 1) / 2] = unsigned(std::stoul(pair, nullptr, 16));
  }
  return Paint{MakeColor(std::uint8_t(value[0]), std::uint8_t(value[1]), std::uint8_t(value[2])), int(value[3])};
}

std::optional<unsigned> ParseStyle(const std::string& text) {
  if (text == "plain") return 0u;
  unsigned style = 0;
  std::stringstream in(text);
  std::string word;
  while (std::getline(in, word, '+')) {
    if (word == "bold") style |= kFontBold;
    else if (word == "italic") style |= kFontItalic;
    else if (word == "underline") style |= kFontUnderline;
    else if (word == "strikeout") style |= kFontStrikeOut;
    else return std::nullopt;
  }
  return style;
}

// Replaces $1..$99 with the arguments; a missing argument becomes empty.
std::string Substitute(const std::string& line, const std::vector<std::string>& args) {
  std::string out;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] != '$' || i + 1 >= line.size() || !std::isdigit(static_cast<unsigned char>(line[i + 1]))) {
      out.push_back(line[i]);
      continue;
    }
    std::size_t j = i + 1;
    int n = 0;
    while (j < line.size() && std::isdigit(static_cast<unsigned char>(line[j])) && n < 100) n = n * 10 + (line[j++] - '0');
    if (n >= 1 && std::size_t(n) <= args.size()) out += args[std::size_t(n) - 1];
    i = j - 1;
  }
  return out;
}

// Reads numbers, paints and styles off a command's words, remembering the first problem.
class Args {
 public:
  Args(const std::vector<std::string>& words, std::size_t from) : words_(words), next_(from) {}
  int Int() {
    const std::string w = Next();
    const auto v = EvalRecipeNumber(w);
    if (!v || *v < -100000 || *v > 100000) return Fail("not a number: " + w), 0;
    return int(*v);
  }
  Paint Colour() {
    const std::string w = Next();
    const auto p = ParsePaint(w);
    if (!p) return Fail("not a colour (#rrggbb or #rrggbbaa): " + w), Paint{};
    return *p;
  }
  std::string Word() { return Next(); }
  std::size_t Left() const { return words_.size() > next_ ? words_.size() - next_ : 0; }
  bool Done(std::string* problem) {
    if (problem_.empty() && next_ < words_.size()) problem_ = "too many arguments";
    *problem = problem_;
    return problem_.empty();
  }
  void Fail(const std::string& why) {
    if (problem_.empty()) problem_ = why;
  }

 private:
  std::string Next() {
    if (next_ >= words_.size()) {
      Fail("too few arguments");
      return "";
    }
    return words_[next_++];
  }
  const std::vector<std::string>& words_;
  std::size_t next_;
  std::string problem_;
};

}  // namespace

std::vector<std::string> SplitRecipeWords(const std::string& line, bool* ok) {
  std::vector<std::string> words;
  *ok = true;
  std::size_t i = 0;
  while (i < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[i]))) {
      ++i;
      continue;
    }
    // A comment: "#" starting the line, or "#" not followed by a colour's digit.
    if (line[i] == '#' && (words.empty() || i + 1 >= line.size() || !std::isxdigit(static_cast<unsigned char>(line[i + 1]))))
      break;
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        const char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size()) {
          const char e = line[i++];
          word.push_back(e == 'n' ? '\n' : e);
        } else {
          word.push_back(c);
        }
      }
      if (!closed) *ok = false;
    } else {
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) word.push_back(line[i++]);
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::optional<long long> EvalRecipeNumber(const std::string& text) {
  // Sums of products of integers, left to right.
  long long sum = 0, product = 1;
  char addOp = '+', mulOp = '*';
  std::size_t i = 0;
  if (text.empty()) return std::nullopt;
  for (;;) {
    bool negative = false;
    while (i < text.size() && (text[i] == '-' || text[i] == '+')) negative ^= text[i++] == '-';
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return std::nullopt;
    long long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
      value = value * 10 + (text[i++] - '0');
      if (value > 1000000000LL) return std::nullopt;
    }
    if (negative) value = -value;
    if (mulOp == '*') product *= value;
    else if (value == 0) return std::nullopt;
    else product /= value;
    if (product > 1000000000LL || product < -1000000000LL) return std::nullopt;
    if (i >= text.size() || text[i] == '+' || text[i] == '-') {
      sum = addOp == '+' ? sum + product : sum - product;
      if (i >= text.size()) return sum;
      addOp = text[i++];
      product = 1;
      mulOp = '*';
    } else if (text[i] == '*' || text[i] == '/') {
      mulOp = text[i++];
    } else {
      return std::nullopt;
    }
  }
}

void PictureBook::AddSource(const std::string& fileName, const std::string& utf8Text) {
  std::istringstream in(utf8Text);
  std::string line;
  int number = 0;
  PictureRecipe* picture = nullptr;
  Template* tmpl = nullptr;
  int openedAt = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    bool ok = true;
    const auto words = SplitRecipeWords(line, &ok);
    if (words.empty()) continue;
    if (picture || tmpl) {
      if (words[0] == "end" && words.size() == 1) {
        picture = nullptr;
        tmpl = nullptr;
      } else {
        (picture ? picture->lines : tmpl->lines).emplace_back(number, line);
      }
      continue;
    }
    const std::string where = Where(fileName, number);
    if (words[0] == "template" && words.size() == 2) {
      if (templates_.count(words[1])) Error(where, "template " + words[1] + " defined twice");
      tmpl = &templates_[words[1]];
      *tmpl = Template{{}, fileName};
      openedAt = number;
    } else if ((words[0] == "picture" || words[0] == "treepicture" || words[0] == "part") && words.size() == 4) {
      const auto w = EvalRecipeNumber(words[2]), h = EvalRecipeNumber(words[3]);
      if (!w || !h || *w < 1 || *h < 1 || *w > kMaxSide || *h > kMaxSide) {
        Error(where, "a picture's size is 1.." + std::to_string(kMaxSide) + " by 1.." + std::to_string(kMaxSide));
        continue;
      }
      if (recipes_.count(words[1])) Error(where, "picture " + words[1] + " defined twice");
      picture = &recipes_[words[1]];
      *picture = PictureRecipe{words[1], words[0] == "treepicture", words[0] == "part", int(*w), int(*h), {}, fileName};
      openedAt = number;
    } else {
      Error(where, "expected `picture NAME W H`, `treepicture PATH W H`, `part NAME W H` or `template NAME`");
    }
  }
  if (picture || tmpl) Error(Where(fileName, openedAt), "block is not closed with `end`");
}

std::optional<Bitmap> PictureBook::Render(const std::string& name, FontEngine* fonts) {
  if (auto done = rendered_.find(name); done != rendered_.end()) return done->second;
  const auto recipe = recipes_.find(name);
  if (recipe == recipes_.end()) {
    errors_.push_back("no recipe for the picture " + name);
    return std::nullopt;
  }
  if (std::find(rendering_.begin(), rendering_.end(), name) != rendering_.end() ||
      rendering_.size() >= std::size_t(kMaxDepth)) {
    errors_.push_back("the picture " + name + " draws itself through `image`");
    return std::nullopt;
  }
  rendering_.push_back(name);
  Bitmap bitmap(recipe->second.width, recipe->second.height, MakeColor(0, 0, 0));
  const bool ok = RunLines(recipe->second.lines, recipe->second.file, {}, bitmap, fonts, 0);
  rendering_.pop_back();
  if (!ok) return std::nullopt;
  rendered_[name] = bitmap;
  return bitmap;
}

bool PictureBook::RunLines(const std::vector<std::pair<int, std::string>>& lines, const std::string& file,
                           const std::vector<std::string>& args, Bitmap& bitmap, FontEngine* fonts, int depth) {
  bool ok = true;
  for (const auto& [number, text] : lines) {
    bool quotesClosed = true;
    const auto words = SplitRecipeWords(Substitute(text, args), &quotesClosed);
    const std::string where = Where(file, number);
    if (!quotesClosed) {
      Error(where, "a quoted text is not closed");
      ok = false;
      continue;
    }
    if (!words.empty() && !RunCommand(words, where, bitmap, fonts, depth)) ok = false;
  }
  return ok;
}

bool PictureBook::RunCommand(const std::vector<std::string>& words, const std::string& where, Bitmap& bitmap,
                             FontEngine* fonts, int depth) {
  Canvas canvas(bitmap);
  const std::string& verb = words[0];
  Args a(words, 1);
  auto box = [&] {
    const int x = a.Int(), y = a.Int(), w = a.Int(), h = a.Int();
    return Rect::FromSize(x, y, w, h);
  };
  if (verb == "use") {
    const std::string name = a.Word();
    const auto found = templates_.find(name);
    if (found == templates_.end()) return Error(where, "no template " + name), false;
    if (depth >= kMaxDepth) return Error(where, "templates nested too deep"), false;
    const std::vector<std::string> args(words.begin() + 2, words.end());
    return RunLines(found->second.lines, found->second.file, args, bitmap, fonts, depth + 1);
  }
  if (verb == "fill") {
    const Paint p = a.Colour();
    canvas.Fill(bitmap.Bounds(), p);
  } else if (verb == "rect") {
    const Rect r = box();
    canvas.Fill(r, a.Colour());
  } else if (verb == "frame") {
    const Rect r = box();
    const int w = a.Int();
    const Paint p = a.Colour();
    canvas.Fill({r.left, r.top, r.right, r.top + w}, p);
    canvas.Fill({r.left, r.bottom - w, r.right, r.bottom}, p);
    canvas.Fill({r.left, r.top + w, r.left + w, r.bottom - w}, p);
    canvas.Fill({r.right - w, r.top + w, r.right, r.bottom - w}, p);
  } else if (verb == "vgradient" || verb == "hgradient") {
    const Rect r = box();
    const Paint from = a.Colour(), to = a.Colour();
    canvas.Gradient(r, from, to, verb == "vgradient");
  } else if (verb == "radial") {
    const int cx = a.Int(), cy = a.Int(), radius = a.Int();
    const Paint inner = a.Colour(), outer = a.Colour();
    canvas.Radial(bitmap.Bounds(), {double(cx), double(cy)}, radius, inner, outer);
  } else if (verb == "rrect") {
    const Rect r = box();
    const int radius = a.Int();
    canvas.RoundRect(r, radius, a.Colour());
  } else if (verb == "rrectgrad") {
    const Rect r = box();
    const int radius = a.Int();
    const Paint top = a.Colour(), bottom = a.Colour();
    canvas.RoundRectGradient(r, radius, top, bottom);
  } else if (verb == "rframe") {
    const Rect r = box();
    const int radius = a.Int(), width = a.Int();
    canvas.RoundFrame(r, radius, width, a.Colour());
  } else if (verb == "ellipse") {
    const int cx = a.Int(), cy = a.Int(), rx = a.Int(), ry = a.Int();
    canvas.Ellipse({double(cx), double(cy)}, rx, ry, a.Colour());
  } else if (verb == "ring") {
    const int cx = a.Int(), cy = a.Int(), radius = a.Int(), width = a.Int();
    canvas.Ring({double(cx), double(cy)}, radius, width, a.Colour());
  } else if (verb == "polygon") {
    const Paint p = a.Colour();
    std::vector<PointF> points;
    while (a.Left() > 0) {
      const std::string pair = a.Word();
      const auto comma = pair.find(',');
      const auto x = comma == std::string::npos ? std::nullopt : EvalRecipeNumber(pair.substr(0, comma));
      const auto y = comma == std::string::npos ? std::nullopt : EvalRecipeNumber(pair.substr(comma + 1));
      if (!x || !y) {
        a.Fail("not a point X,Y: " + pair);
        break;
      }
      points.push_back({double(*x), double(*y)});
    }
    if (points.size() < 3) a.Fail("a polygon needs three points or more");
    canvas.Polygon(points, p);
  } else if (verb == "line") {
    const int x1 = a.Int(), y1 = a.Int(), x2 = a.Int(), y2 = a.Int(), width = a.Int();
    canvas.Line({x1 + 0.5, y1 + 0.5}, {x2 + 0.5, y2 + 0.5}, width, a.Colour());
  } else if (verb == "bevel") {
    const Rect r = box();
    const int depth2 = a.Int();
    const Paint light = a.Colour(), dark = a.Colour();
    canvas.Bevel(r, depth2, light, dark);
  } else if (verb == "grain") {
    const int amount = a.Int(), seed = a.Int();
    canvas.Grain(std::clamp(amount, 0, 64), unsigned(seed));
  } else if (verb == "text") {
    Rect r = box();
    const std::string font = a.Word();
    const int size = a.Int();
    const std::string styleWord = a.Word();
    const Paint colour = a.Colour();
    const std::string align = a.Word();
    const std::string text = a.Word();
    const auto style = ParseStyle(styleWord);
    if (!style) a.Fail("not a style (plain, or bold+italic+underline+strikeout): " + styleWord);
    unsigned flags = dt::NoPrefix;
    if (align == "center") flags |= dt::Center;
    else if (align == "right") flags |= dt::Right;
    else if (align != "left") a.Fail("not an alignment (left, center, right): " + align);
    std::string problem;
    if (!a.Done(&problem)) return Error(where, problem), false;
    if (!fonts) return Error(where, "no font engine to draw text with"), false;
    auto f = fonts->CreateFont({Utf8ToCp1251(font), size, *style});
    if (!f) return Error(where, "no face for the font " + font), false;
    bool converted = true;
    const std::string cp1251 = Utf8ToCp1251(text, &converted);
    if (!converted) return Error(where, "the text has characters outside code page 1251"), false;
    // Translucent text is drawn on a copy that is then mixed in.
    const Rect drawn = r;
    Bitmap solid = colour.alpha < 255 ? bitmap : Bitmap();
    Bitmap& target = colour.alpha < 255 ? solid : bitmap;
    const bool multiLine = cp1251.find('\n') != std::string::npos;
    if (multiLine) {
      Rect measure = r;
      const int height = f->DrawText(target, measure, cp1251, flags | dt::WordBreak | dt::CalcRect, colour.color);
      r.top += (r.Height() - height) / 2;
      f->DrawText(target, r, cp1251, flags | dt::WordBreak, colour.color);
    } else {
      f->DrawText(target, r, cp1251, flags | dt::SingleLine | dt::VCenter, colour.color);
    }
    if (colour.alpha < 255) {
      const Rect area = drawn.Intersect(bitmap.Bounds());
      for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) canvas.Fill({x, y, x + 1, y + 1}, {solid.Pixel(x, y), colour.alpha});
    }
    return true;
  } else if (verb == "image") {
    const std::string name = a.Word();
    const int x = a.Int(), y = a.Int();
    std::string problem;
    if (!a.Done(&problem)) return Error(where, problem), false;
    const auto other = Render(name, fonts);
    if (!other) return Error(where, "the picture " + name + " cannot be drawn here"), false;
    bitmap.Blit(x, y, *other);
    return true;
  } else {
    return Error(where, "unknown command " + verb), false;
  }
  std::string problem;
  if (!a.Done(&problem)) return Error(where, problem), false;
  return true;
}

}  // namespace trv::disc
