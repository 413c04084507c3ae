#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "disc/build/ClipEncoder.h"
#include "disc/build/IntroAnimation.h"
#include "disc/build/StepFiles.h"
#include "disc/build/Steps.h"
#include "disc/build/TopAnimation.h"
#include "platform/Bmp.h"
#include "platform/Text.h"

// content/clips/*.txt: the clip list of the disc (format in content/clips/README.md).
// Every `table` block makes the fourteen game-table clips (and, when asked,
// the matching still pictures of the table for the content archive); every
// `intro` block makes one title clip. All problems in the list are reported
// with file and line before anything is rendered; then the clips are
// rendered and encoded two at a time.
namespace trv::disc {
namespace {

namespace fs = std::filesystem;

constexpr int kWorkers = 2;

struct TableClip {
  std::string where;  // file:line of the block
  std::string name;   // Windows-style, '#' for the sector number
  std::string pictures;
  TableLook look;
  SpinPlan plan;
  int rate = 25;
  int quality = 6;
  ClipCodec codec = ClipCodec::MotionJpeg;
};

struct IntroClip {
  std::string where;
  std::string name;
  IntroLook look;
  double seconds = 9;
  int quality = 4;
  ClipCodec codec = ClipCodec::MotionJpeg;
  bool hasTitle = false;
};

struct ClipList {
  std::vector<TableClip> tables;
  std::vector<IntroClip> intros;
  std::vector<std::string> errors;
};

// Splits a line into words; "quoted text" is one word (\" and \\ inside).
std::optional<std::vector<std::string>> Words(const std::string& line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
      ++i;
      continue;
    }
    if (line[i] == '#' && words.empty()) break;  // a comment line
    std::string word;
    if (line[i] == '"') {
      ++i;
      bool closed = false;
      while (i < line.size()) {
        if (line[i] == '\\' && i + 1 < line.size() && (line[i + 1] == '"' || line[i + 1] == '\\')) {
          word += line[i + 1];
          i += 2;
        } else if (line[i] == '"') {
          ++i;
          closed = true;
          break;
        } else {
          word += line[i++];
        }
      }
      if (!closed) return std::nullopt;
    } else {
      while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') word += line[i++];
    }
    words.push_back(word);
  }
  return words;
}

class Parser {
 public:
  Parser(ClipList& list, std::string label) : list_(list), label_(std::move(label)) {}

  void Run(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
      ++lineNo_;
      const auto words = Words(line);
      if (!words) {
        Error("a quoted text is not closed");
        continue;
      }
      if (words->empty()) continue;
      Line(*words);
    }
    if (block_ != Block::None) Error(std::string("the ") + (block_ == Block::Table ? "table" : "intro") + " block opened at " +
                                     blockStart_ + " has no \"end\"");
  }

 private:
  enum class Block { None, Table, Intro };

  std::string Where() const { return label_ + ":" + std::to_string(lineNo_); }
  void Error(const std::string& what) { list_.errors.push_back(Where() + ": " + what); }

  bool Int(const std::string& word, int lo, int hi, int* out) {
    char* end = nullptr;
    const long v = std::strtol(word.c_str(), &end, 10);
    if (word.empty() || *end || v < lo || v > hi) {
      Error("\"" + word + "\" is not a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
      return false;
    }
    *out = int(v);
    return true;
  }
  bool Real(const std::string& word, double lo, double hi, double* out) {
    char* end = nullptr;
    const double v = std::strtod(word.c_str(), &end);
    if (word.empty() || *end || !(v >= lo && v <= hi)) {
      char range[64];
      std::snprintf(range, sizeof range, "%g to %g", lo, hi);
      Error("\"" + word + "\" is not a number from " + range);
      return false;
    }
    *out = v;
    return true;
  }
  bool Colour(const std::string& word, Color* out) {
    unsigned v = 0;
    if (word.size() != 7 || word[0] != '#' ||
        !std::all_of(word.begin() + 1, word.end(), [](char c) { return std::isxdigit(static_cast<unsigned char>(c)); })) {
      Error("\"" + word + "\" is not a colour #rrggbb");
      return false;
    }
    v = unsigned(std::strtoul(word.c_str() + 1, nullptr, 16));
    *out = MakeColor(std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v));
    return true;
  }
  bool Text(const std::string& word, std::string* out) {
    bool ok = true;
    *out = Utf8ToCp1251(word, &ok);
    if (!ok) Error("\"" + word + "\" has characters outside code page 1251");
    return ok;
  }
  bool Count(const std::vector<std::string>& w, std::size_t n) {
    if (w.size() == n + 1) return true;
    Error("\"" + w[0] + "\" takes " + std::to_string(n) + (n == 1 ? " value" : " values"));
    return false;
  }
  // A relative Windows-style name with no way out of its folder.
  bool Name(const std::string& word, bool needsHash, std::string* out) {
    std::string n = word;
    std::replace(n.begin(), n.end(), '/', '\\');
    bool bad = n.empty() || n.front() == '\\' || n.find(':') != std::string::npos || n.back() == '\\';
    std::stringstream parts(n);
    std::string part;
    while (!bad && std::getline(parts, part, '\\')) bad = part.empty() || part == "." || part == "..";
    if (bad) {
      Error("\"" + word + "\" is not a relative file name");
      return false;
    }
    const auto hashes = std::count(n.begin(), n.end(), '#');
    if (needsHash ? hashes != 1 : hashes != 0) {
      Error(needsHash ? "\"" + word + "\" needs one # where the sector number goes"
                      : "\"" + word + "\" cannot hold #");
      return false;
    }
    *out = n;
    return true;
  }
  bool Size(const std::vector<std::string>& w, int* width, int* height) {
    if (!Count(w, 2) || !Int(w[1], 64, 2048, width) || !Int(w[2], 48, 2048, height)) return false;
    if (*width % 2 || *height % 2) {
      Error("clip sizes must be even (the colour planes are halved)");
      return false;
    }
    return true;
  }
  bool Codec(const std::vector<std::string>& w, ClipCodec* out) {
    if (!Count(w, 1)) return false;
    if (w[1] == "mjpeg" || w[1] == "mpeg4") {
      *out = w[1] == "mjpeg" ? ClipCodec::MotionJpeg : ClipCodec::Mpeg4;
      return true;
    }
    Error("\"" + w[1] + "\" is not a codec: mjpeg or mpeg4");
    return false;
  }
  bool Font(const std::vector<std::string>& w, std::string* family, int* size) {
    return Count(w, 2) && Text(w[1], family) && Int(w[2], 4, 200, size);
  }

  void Line(const std::vector<std::string>& w) {
    const std::string& key = w[0];
    if (block_ == Block::None) {
      if (key == "table" || key == "intro") {
        if (!Count(w, 1)) return;
        blockStart_ = Where();
        if (key == "table") {
          block_ = Block::Table;
          list_.tables.push_back({});
          list_.tables.back().where = Where();
          Name(w[1], true, &list_.tables.back().name);
        } else {
          block_ = Block::Intro;
          list_.intros.push_back({});
          list_.intros.back().where = Where();
          Name(w[1], false, &list_.intros.back().name);
        }
      } else if (key == "end") {
        Error("\"end\" without a block");
      } else {
        Error("\"" + key + "\" outside a block: start one with \"table NAME\" or \"intro NAME\"");
      }
      return;
    }
    if (key == "end") {
      if (!Count(w, 0)) return;
      if (block_ == Block::Table) {
        const std::string problem = CheckSpinPlan(list_.tables.back().plan);
        if (!problem.empty()) Error(problem);
      } else if (!list_.intros.back().hasTitle) {
        Error("the intro block has no title");
      }
      block_ = Block::None;
      return;
    }
    if (key == "table" || key == "intro") {
      Error("\"" + key + "\" inside the block opened at " + blockStart_ + ": close it with \"end\" first");
      return;
    }
    if (block_ == Block::Table)
      TableKey(list_.tables.back(), w);
    else
      IntroKey(list_.intros.back(), w);
  }

  void TableKey(TableClip& c, const std::vector<std::string>& w) {
    const std::string& key = w[0];
    TableLook& l = c.look;
    if (key == "size") {
      Size(w, &l.width, &l.height);
    } else if (key == "rate") {
      if (Count(w, 1)) Int(w[1], 1, 60, &c.rate);
    } else if (key == "quality") {
      if (Count(w, 1)) Int(w[1], 2, 31, &c.quality);
    } else if (key == "codec") {
      Codec(w, &c.codec);
    } else if (key == "frames") {
      if (Count(w, 1)) Int(w[1], 1, 3000, &c.plan.frames);
    } else if (key == "stop") {
      if (Count(w, 1)) Int(w[1], 0, 3000, &c.plan.stopFrame);
    } else if (key == "speed") {
      if (Count(w, 1)) Int(w[1], 0, 4, &c.plan.speed);
    } else if (key == "slowdown") {
      if (Count(w, 1)) Real(w[1], 1, 6, &c.plan.slowdown);
    } else if (key == "shutter") {
      if (Count(w, 1)) Real(w[1], 0, 4, &c.plan.shutter);
    } else if (key == "pictures") {
      if (Count(w, 1)) Name(w[1], true, &c.pictures);
    } else if (key == "background") {
      if (Count(w, 2)) Colour(w[1], &l.backgroundInner) && Colour(w[2], &l.backgroundOuter);
    } else if (key == "rim") {
      if (Count(w, 1)) Colour(w[1], &l.rim);
    } else if (key == "sectors") {
      if (Count(w, 2)) Colour(w[1], &l.sectorOdd) && Colour(w[2], &l.sectorEven);
    } else if (key == "felt") {
      if (Count(w, 1)) Colour(w[1], &l.felt);
    } else if (key == "numbers") {
      if (Count(w, 1)) Colour(w[1], &l.numbers);
    } else if (key == "wood") {
      if (Count(w, 1)) Colour(w[1], &l.wood);
    } else if (key == "paint") {
      if (Count(w, 2)) Colour(w[1], &l.paintA) && Colour(w[2], &l.paintB);
    } else if (key == "pointer") {
      if (Count(w, 1)) Colour(w[1], &l.pointer);
    } else if (key == "font") {
      Font(w, &l.numberFont, &l.numberSize);
    } else {
      Error("unknown key \"" + key + "\" in a table block");
    }
  }

  void IntroKey(IntroClip& c, const std::vector<std::string>& w) {
    const std::string& key = w[0];
    IntroLook& l = c.look;
    if (key == "size") {
      Size(w, &l.width, &l.height);
    } else if (key == "rate") {
      if (Count(w, 1)) Int(w[1], 1, 60, &l.framesPerSecond);
    } else if (key == "quality") {
      if (Count(w, 1)) Int(w[1], 2, 31, &c.quality);
    } else if (key == "codec") {
      Codec(w, &c.codec);
    } else if (key == "seconds") {
      if (Count(w, 1)) Real(w[1], 1, 60, &c.seconds);
    } else if (key == "title") {
      if (Count(w, 1) && Text(w[1], &l.title)) c.hasTitle = true;
    } else if (key == "subtitle") {
      if (Count(w, 1)) Text(w[1], &l.subtitle);
    } else if (key == "title_font") {
      Font(w, &l.titleFont, &l.titleSize);
    } else if (key == "subtitle_font") {
      Font(w, &l.subtitleFont, &l.subtitleSize);
    } else if (key == "background") {
      if (Count(w, 2)) Colour(w[1], &l.backgroundInner) && Colour(w[2], &l.backgroundOuter);
    } else if (key == "title_colours") {
      if (Count(w, 3)) Colour(w[1], &l.titleTop) && Colour(w[2], &l.titleMiddle) && Colour(w[3], &l.titleBottom);
    } else if (key == "glow") {
      if (Count(w, 1)) Colour(w[1], &l.glow);
    } else if (key == "rays") {
      if (Count(w, 1)) Colour(w[1], &l.rays);
    } else if (key == "subtitle_colour") {
      if (Count(w, 1)) Colour(w[1], &l.subtitleColour);
    } else if (key == "sparks") {
      if (Count(w, 1)) Int(w[1], 0, 2000, &l.sparks);
    } else if (key == "title_in") {
      if (Count(w, 2) && Real(w[1], 0, 60, &l.titleFrom) && Real(w[2], 0, 60, &l.titleTo) && l.titleTo <= l.titleFrom)
        Error("the title must land after it starts");
    } else if (key == "subtitle_in") {
      if (Count(w, 2) && Real(w[1], 0, 60, &l.subtitleFrom) && Real(w[2], 0, 60, &l.subtitleTo) &&
          l.subtitleTo <= l.subtitleFrom)
        Error("the subtitle must be in after it starts");
    } else if (key == "fade_out") {
      if (Count(w, 1)) Real(w[1], 0, 10, &l.fadeOut);
    } else {
      Error("unknown key \"" + key + "\" in an intro block");
    }
  }

  ClipList& list_;
  std::string label_;
  int lineNo_ = 0;
  Block block_ = Block::None;
  std::string blockStart_;
};

std::string WithNumber(const std::string& pattern, int n) {
  std::string s = pattern;
  const auto at = s.find('#');
  if (at != std::string::npos) s.replace(at, 1, std::to_string(n));
  return s;
}

fs::path DiscPath(const fs::path& root, const std::string& windowsName) {
  fs::path p = root;
  std::stringstream parts(windowsName);
  std::string part;
  while (std::getline(parts, part, '\\')) p /= part;
  return p;
}

struct JobResult {
  bool ok = true;
  std::string message;
  std::uintmax_t bytes = 0;
  int files = 0;
};

JobResult EncodeClip(const fs::path& path, const std::string& name, const ClipFormat& format, int frames,
                     const std::function<Bitmap(int)>& render) {
  JobResult r;
  std::string error;
  auto encoder = ClipEncoder::Create(path, format, &error);
  if (!encoder) return {false, name + ": " + error};
  for (int f = 0; f < frames; ++f)
    if (!encoder->AddFrame(render(f), &error)) return {false, name + ": " + error};
  if (!encoder->Finish(&error)) return {false, name + ": " + error};
  std::error_code ec;
  r.bytes = fs::file_size(path, ec);
  r.files = 1;
  char line[200];
  std::snprintf(line, sizeof line, "%d frames %dx%d %s, %.0f KiB", frames, format.width, format.height,
                encoder->CodecName(), r.bytes / 1024.0);
  r.message = name + ": " + line;
  return r;
}

}  // namespace

bool BuildClips(const BuildContext& ctx) {
  const auto start = std::chrono::steady_clock::now();
  ClipList list;
  const auto files = SourceFiles(ctx, "clips", {".txt"});
  if (files.empty()) {
    // A disc without clips is a disc; the lint tells whether a script wants one.
    ctx.Log("clips: no clip list (*.txt) in " + (ctx.contentDir / "clips").string() + ", none made");
    return true;
  }
  for (const fs::path& file : files) {
    const auto text = ReadSource(ctx, file);
    if (!text) {
      list.errors.push_back(file.string() + ": cannot be read");
      continue;
    }
    Parser(list, "clips/" + file.filename().string()).Run(*text);
  }
  // Two blocks must not make the same file (the disc ignores case).
  std::map<std::string, std::string> made;
  auto claim = [&](const std::string& name, const std::string& where) {
    const std::string key = Lower1251(Utf8ToCp1251(name));
    if (auto [it, fresh] = made.emplace(key, where); !fresh)
      list.errors.push_back(where + ": \"" + name + "\" is already made by the block at " + it->second);
  };
  for (const TableClip& t : list.tables) {
    for (int n = 1; n <= kTableSectors && !t.name.empty(); ++n) claim(WithNumber(t.name, n), t.where);
    for (int n = 1; n <= kTableSectors && !t.pictures.empty(); ++n) claim(WithNumber(t.pictures, n), t.where);
  }
  for (const IntroClip& c : list.intros) claim(c.name, c.where);
  if (!list.errors.empty()) {
    for (const std::string& e : list.errors) ctx.Log("clips: " + e);
    return false;
  }

  // What does not move is drawn once, here, with the fonts; the frames are
  // then made on worker threads from const renderers.
  std::vector<std::function<JobResult()>> jobs;
  std::vector<std::shared_ptr<const IntroRenderer>> intros;
  bool ok = true;
  for (const IntroClip& c : list.intros) {
    IntroLook look = c.look;
    look.frames = std::max(1, int(std::lround(c.seconds * look.framesPerSecond)));
    std::string error;
    std::shared_ptr<const IntroRenderer> renderer = IntroRenderer::Create(look, ctx.fonts, &error);
    if (!renderer) {
      ctx.Log("clips: " + c.where + ": " + error);
      ok = false;
      continue;
    }
    const ClipFormat format{look.width, look.height, look.framesPerSecond, c.quality, c.codec};
    const fs::path path = DiscPath(ctx.discDir, c.name);
    ctx.Made(path);
    jobs.push_back([renderer, format, path, name = c.name, frames = look.frames] {
      return EncodeClip(path, name, format, frames, [&](int f) { return renderer->Frame(f); });
    });
  }
  struct Stills {
    std::shared_ptr<const TableRenderer> renderer;
    std::string pattern;
  };
  std::vector<Stills> stills;
  for (const TableClip& t : list.tables) {
    std::string error;
    std::shared_ptr<const TableRenderer> renderer = TableRenderer::Create(t.look, ctx.fonts, &error);
    if (!renderer) {
      ctx.Log("clips: " + t.where + ": " + error);
      ok = false;
      continue;
    }
    const ClipFormat format{t.look.width, t.look.height, t.rate, t.quality, t.codec};
    for (int n = 1; n <= kTableSectors; ++n) {
      const std::string name = WithNumber(t.name, n);
      ctx.Made(DiscPath(ctx.discDir, name));
      jobs.push_back([renderer, format, plan = t.plan, n, name, path = DiscPath(ctx.discDir, name)] {
        return EncodeClip(path, name, format, plan.frames, [&](int f) { return renderer->ClipFrame(plan, n, f); });
      });
    }
    if (!t.pictures.empty()) stills.push_back({renderer, t.pictures});
  }

  std::vector<JobResult> results(jobs.size());
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next++) < jobs.size();) {
      try {
        results[i] = jobs[i]();
      } catch (const std::exception& e) {
        results[i] = {false, std::string("a clip failed: ") + e.what()};
      }
    }
  };
  {
    std::vector<std::thread> workers;
    const int count = int(std::min<std::size_t>(kWorkers, jobs.size()));
    for (int i = 1; i < count; ++i) workers.emplace_back(work);
    work();
    for (std::thread& t : workers) t.join();
  }

  // The game shows these before and after a clip: the table at rest on a
  // sector, the same picture as the last frame of that sector's clip.
  const fs::path stage = ctx.ArchiveStage("clips");
  ResetStage(stage);
  for (const Stills& s : stills) {
    JobResult r;
    for (int n = 1; n <= kTableSectors && r.ok; ++n) {
      const std::vector<std::uint8_t> bmp = EncodeBmp(s.renderer->Still(n));
      r.ok = WriteStaged(ctx, stage, WithNumber(s.pattern, n), bmp);
      r.bytes += bmp.size();
      r.files += r.ok;
    }
    r.message = WithNumber(s.pattern, 1) + " .. " + WithNumber(s.pattern, kTableSectors) + ": " +
                std::to_string(r.files) + " pictures for the archive";
    results.push_back(r);
  }

  int clips = 0;
  std::uintmax_t bytes = 0;
  for (const JobResult& r : results) {
    ctx.Log("clips: " + r.message);
    ok = ok && r.ok;
    bytes += r.bytes;
    clips += r.files;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  char summary[160];
  std::snprintf(summary, sizeof summary, "clips: %d files, %.1f MB, %.1f s%s", clips, bytes / 1e6, seconds,
                ok ? "" : ", with errors");
  ctx.Log(summary);
  return ok;
}

}  // namespace trv::disc
