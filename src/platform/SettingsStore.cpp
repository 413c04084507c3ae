#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <unordered_map>

#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/Text.h"
#include "platform/Trace.h"

// File format (UTF-8, one item a line; blank lines and lines starting with '#'
// or ';' are ignored):
//
//   trivion-settings 1
//   [SOFTWARE\VOMAR\Game]
//   "LastVisitedHtmlFile"="index.htm"
//   "BGSoundPos"=dword:0000002a
//   "Table"=hex:00,1f,ff
//   end
//
// Quoted text escapes \" \\ \n \r \t and \xNN (NN is the CP1251 byte); key names
// escape '%' and bytes without a readable form as %NN. Every byte string
// survives a round trip. The end marker is the last line, so a file cut short
// anywhere is recognised and never read as partial settings.

namespace trv {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kMaxFileBytes = 16u << 20;
constexpr std::size_t kMaxKeyDepth = 512;
constexpr std::size_t kMaxKeyNameBytes = 255;
constexpr std::size_t kMaxValueNameBytes = 16383;
constexpr std::string_view kHeader = "trivion-settings 1";
constexpr std::string_view kHeaderWord = "trivion-settings";
constexpr std::string_view kEndMarker = "end";

// ---------------------------------------------------------------------------
// CP1251 <-> UTF-8 per byte. Built once from the iconv conversion; a byte with
// no counterpart (0x98) keeps an empty entry and is always written escaped.

struct Charset {
  std::array<std::string, 256> utf8;
  std::unordered_map<char32_t, unsigned char> byteOf;

  Charset() {
    for (int b = 0; b < 0x80; ++b) utf8[b] = std::string(1, static_cast<char>(b));
    for (int b = 0x80; b < 0x100; ++b) {
      bool ok = false;
      std::string s = Cp1251ToUtf8(std::string(1, static_cast<char>(b)), &ok);
      if (!ok) continue;
      std::u32string cp = Utf8ToUtf32(s);
      if (cp.size() != 1 || cp[0] < 0x80 || cp[0] == 0xFFFD || byteOf.count(cp[0])) continue;
      utf8[b] = s;
      byteOf[cp[0]] = static_cast<unsigned char>(b);
    }
  }
};

const Charset& Chars() {
  static const Charset charset;
  return charset;
}

const char kHexDigits[] = "0123456789abcdef";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendHexByte(std::string& out, unsigned char b) {
  out.push_back(kHexDigits[b >> 4]);
  out.push_back(kHexDigits[b & 15]);
}

std::string HexText(const std::vector<std::uint8_t>& bytes) {
  std::string s;
  s.reserve(bytes.size() * 2);
  for (auto b : bytes) AppendHexByte(s, b);
  return s;
}

// ---------------------------------------------------------------------------
// The tree of one root key. Names are looked up by their upper-case form and
// listed in creation order.

struct Node {
  struct Value {
    std::string name;
    std::uint64_t seq = 0;
    RegValue value;
  };
  std::string name;
  std::uint64_t seq = 0;
  std::map<std::string, std::unique_ptr<Node>> children;
  std::map<std::string, Value> values;

  Node* Child(std::string_view n) const {
    auto it = children.find(Upper1251(n));
    return it == children.end() ? nullptr : it->second.get();
  }
  Node* AddChild(std::string_view n, std::uint64_t& seq) {
    auto& slot = children[Upper1251(n)];
    if (!slot) {
      slot = std::make_unique<Node>();
      slot->name = std::string(n);
      slot->seq = seq++;
    }
    return slot.get();
  }
  const Value* FindValue(std::string_view n) const {
    auto it = values.find(Upper1251(n));
    return it == values.end() ? nullptr : &it->second;
  }
  // Sets a value; an existing one keeps the case and place it was created with.
  void SetValue(std::string_view n, RegValue v, std::uint64_t& seq) {
    auto [it, added] = values.try_emplace(Upper1251(n));
    if (added) {
      it->second.name = std::string(n);
      it->second.seq = seq++;
    }
    it->second.value = std::move(v);
  }
  std::vector<const Node*> OrderedChildren() const {
    std::vector<const Node*> r;
    r.reserve(children.size());
    for (const auto& [k, c] : children) r.push_back(c.get());
    std::sort(r.begin(), r.end(), [](const Node* a, const Node* b) { return a->seq < b->seq; });
    return r;
  }
  std::vector<const Value*> OrderedValues() const {
    std::vector<const Value*> r;
    r.reserve(values.size());
    for (const auto& [k, v] : values) r.push_back(&v);
    std::sort(r.begin(), r.end(), [](const Value* a, const Value* b) { return a->seq < b->seq; });
    return r;
  }
};

using KeyPath = std::vector<std::string>;

bool KeyPathFits(const KeyPath& parts) {
  if (parts.size() > kMaxKeyDepth) return false;
  for (const auto& p : parts)
    if (p.size() > kMaxKeyNameBytes) return false;
  return true;
}

// "\A\\B\" -> {"A", "B"}; nullopt when the path is deeper or a name longer than
// the store keeps.
std::optional<KeyPath> SplitKey(std::string_view key) {
  KeyPath parts;
  std::size_t start = 0;
  while (start <= key.size()) {
    std::size_t end = key.find('\\', start);
    if (end == std::string_view::npos) end = key.size();
    if (end > start) parts.emplace_back(key.substr(start, end - start));
    if (parts.size() > kMaxKeyDepth) return std::nullopt;
    start = end + 1;
  }
  if (!KeyPathFits(parts)) return std::nullopt;
  return parts;
}

std::string JoinKey(const KeyPath& parts) {
  std::string s;
  for (const auto& p : parts) {
    if (!s.empty()) s.push_back('\\');
    s += p;
  }
  return s;
}

Node* FindKey(Node& root, const KeyPath& parts) {
  Node* n = &root;
  for (const auto& p : parts) {
    n = n->Child(p);
    if (!n) return nullptr;
  }
  return n;
}

Node* MakeKey(Node& root, const KeyPath& parts, std::uint64_t& seq) {
  Node* n = &root;
  for (const auto& p : parts) n = n->AddChild(p, seq);
  return n;
}

// ---------------------------------------------------------------------------
// Writing the text form.

void AppendQuoted(std::string& out, std::string_view cp1251) {
  const Charset& cs = Chars();
  out.push_back('"');
  for (char ch : cp1251) {
    unsigned char b = static_cast<unsigned char>(ch);
    switch (b) {
      case '"': out += "\\\""; continue;
      case '\\': out += "\\\\"; continue;
      case '\n': out += "\\n"; continue;
      case '\r': out += "\\r"; continue;
      case '\t': out += "\\t"; continue;
      default: break;
    }
    if (b < 0x20 || b == 0x7F || cs.utf8[b].empty()) {
      out += "\\x";
      AppendHexByte(out, b);
    } else {
      out += cs.utf8[b];
    }
  }
  out.push_back('"');
}

void AppendKeyName(std::string& out, std::string_view cp1251) {
  const Charset& cs = Chars();
  for (char ch : cp1251) {
    unsigned char b = static_cast<unsigned char>(ch);
    if (b == '%' || b < 0x20 || b == 0x7F || cs.utf8[b].empty()) {
      out.push_back('%');
      AppendHexByte(out, b);
    } else {
      out += cs.utf8[b];
    }
  }
}

void AppendValue(std::string& out, const RegValue& v) {
  switch (v.type) {
    case RegValue::Type::String:
      AppendQuoted(out, v.text);
      break;
    case RegValue::Type::Integer: {
      char buf[16];
      std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(static_cast<std::uint32_t>(v.integer)));
      out += "dword:";
      out += buf;
      break;
    }
    case RegValue::Type::Binary:
      out += "hex:";
      for (std::size_t i = 0; i < v.binary.size(); ++i) {
        if (i) out.push_back(',');
        AppendHexByte(out, v.binary[i]);
      }
      break;
  }
}

void AppendSection(std::string& out, const Node& node, std::string& path) {
  out += "\n[";
  out += path;
  out += "]\n";
  for (const Node::Value* v : node.OrderedValues()) {
    AppendQuoted(out, v->name);
    out.push_back('=');
    AppendValue(out, v->value);
    out.push_back('\n');
  }
  // Depth is bounded by kMaxKeyDepth, so the recursion is too.
  for (const Node* c : node.OrderedChildren()) {
    std::size_t mark = path.size();
    if (!path.empty()) path.push_back('\\');
    AppendKeyName(path, c->name);
    AppendSection(out, *c, path);
    path.resize(mark);
  }
}

std::string Serialize(const Node& root, std::string_view rootName) {
  std::string out(kHeader);
  out += "\n# ";
  out += rootName;
  out +=
      " settings. [key\\path] starts a key, followed by its values:\n"
      "# \"name\"=\"text\", \"name\"=dword:<hex>, \"name\"=hex:<bytes>. Escapes: \\\" \\\\ \\n \\r \\t\n"
      "# \\xNN in quotes (NN is a CP1251 byte), %NN in key names. The file must end\n"
      "# with the line \"end\"; without it the file counts as cut short and is set aside.\n";
  std::string path;
  if (!root.values.empty()) {
    AppendSection(out, root, path);
  } else {
    for (const Node* c : root.OrderedChildren()) {
      path.clear();
      AppendKeyName(path, c->name);
      AppendSection(out, *c, path);
    }
  }
  out += "\n";
  out += kEndMarker;
  out += "\n";
  return out;
}

// ---------------------------------------------------------------------------
// Reading the text form. Any fault rejects the whole file.

class HiveParser {
 public:
  HiveParser(Node& root, std::uint64_t& seq) : root_(root), seq_(seq) {}

  bool Parse(std::string_view text, std::string* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);  // editors add a BOM
    bool header = false, ended = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
      std::size_t nl = text.find('\n', pos);
      if (nl == std::string_view::npos) nl = text.size();
      std::string_view line = TrimLine(text.substr(pos, nl - pos));
      pos = nl + 1;
      ++lineNo_;
      bool ok = true;
      if (!header) {
        ok = Header(line);
        header = true;
      } else if (ended) {
        if (!line.empty()) ok = Fail("text after the end marker");
      } else if (line.empty() || line[0] == '#' || line[0] == ';') {
      } else if (line == kEndMarker) {
        ended = true;
      } else if (line[0] == '[') {
        ok = Section(line);
      } else if (line[0] == '"') {
        ok = ValueLine(line);
      } else {
        ok = Fail("unparsable line");
      }
      if (!ok) {
        *error = error_;
        return false;
      }
    }
    if (!ended) {
      *error = "the end marker is missing (the file was cut short)";
      return false;
    }
    return true;
  }

 private:
  static std::string_view TrimLine(std::string_view s) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
  }

  bool Fail(const std::string& why) {
    error_ = "line " + std::to_string(lineNo_) + ": " + why;
    return false;
  }

  bool Header(std::string_view line) {
    if (line == kHeader) return true;
    if (line.substr(0, kHeaderWord.size()) == kHeaderWord) return Fail("unsupported format version");
    return Fail("not a settings file (bad header)");
  }

  // One non-ASCII character in UTF-8 at line[i] -> its CP1251 byte.
  bool Utf8Char(std::string_view line, std::size_t& i, std::string& out) {
    char32_t cp = 0;
    if (!DecodeUtf8(line, i, cp)) return Fail("malformed UTF-8");
    const auto& byteOf = Chars().byteOf;
    auto it = byteOf.find(cp);
    if (it == byteOf.end()) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(cp));
      return Fail(std::string("character ") + buf + " has no CP1251 form");
    }
    out.push_back(static_cast<char>(it->second));
    return true;
  }

  bool HexPair(std::string_view line, std::size_t i, unsigned char& b) {
    if (i + 2 > line.size()) return false;
    int hi = HexValue(line[i]), lo = HexValue(line[i + 1]);
    if (hi < 0 || lo < 0) return false;
    b = static_cast<unsigned char>(hi * 16 + lo);
    return true;
  }

  bool Section(std::string_view line) {
    if (line.size() < 2 || line.back() != ']') return Fail("unparsable key line");
    std::string_view inner = line.substr(1, line.size() - 2);
    KeyPath parts;
    std::string name;
    auto finish = [&]() {
      if (!name.empty()) parts.push_back(std::move(name));
      name.clear();
    };
    for (std::size_t i = 0; i < inner.size();) {
      unsigned char c = static_cast<unsigned char>(inner[i]);
      if (c == '\\') {
        finish();
        ++i;
      } else if (c == '%') {
        unsigned char b = 0;
        if (!HexPair(inner, i + 1, b)) return Fail("bad %-escape in a key name");
        if (b == '\\') return Fail("backslash inside a key name");
        name.push_back(static_cast<char>(b));
        i += 3;
      } else if (c < 0x80) {
        name.push_back(static_cast<char>(c));
        ++i;
      } else if (!Utf8Char(inner, i, name)) {
        return false;
      }
      if (name.size() > kMaxKeyNameBytes) return Fail("key name too long");
      if (parts.size() > kMaxKeyDepth) return Fail("key path too deep");
    }
    finish();
    if (!KeyPathFits(parts)) return Fail("key path too deep");
    current_ = MakeKey(root_, parts, seq_);
    return true;
  }

  bool Quoted(std::string_view line, std::size_t& i, std::string& out) {
    ++i;  // the opening quote
    while (true) {
      if (i >= line.size()) return Fail("missing closing quote");
      unsigned char c = static_cast<unsigned char>(line[i]);
      if (c == '"') {
        ++i;
        return true;
      }
      if (c == '\\') {
        if (i + 1 >= line.size()) return Fail("bad escape");
        char e = line[i + 1];
        i += 2;
        switch (e) {
          case '"': out.push_back('"'); break;
          case '\\': out.push_back('\\'); break;
          case 'n': out.push_back('\n'); break;
          case 'r': out.push_back('\r'); break;
          case 't': out.push_back('\t'); break;
          case 'x': {
            unsigned char b = 0;
            if (!HexPair(line, i, b)) return Fail("bad \\x escape");
            out.push_back(static_cast<char>(b));
            i += 2;
            break;
          }
          default:
            return Fail("bad escape");
        }
      } else if (c < 0x80) {
        out.push_back(static_cast<char>(c));
        ++i;
      } else if (!Utf8Char(line, i, out)) {
        return false;
      }
    }
  }

  bool ValueLine(std::string_view line) {
    if (!current_) return Fail("value before any key");
    std::size_t i = 0;
    std::string name;
    if (!Quoted(line, i, name)) return false;
    if (name.size() > kMaxValueNameBytes) return Fail("value name too long");
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size() || line[i] != '=') return Fail("'=' expected after the value name");
    ++i;
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    std::string_view data = line.substr(i);
    RegValue v;
    if (!data.empty() && data[0] == '"') {
      std::size_t j = 0;
      std::string text;
      if (!Quoted(data, j, text)) return false;
      if (j != data.size()) return Fail("text after the closing quote");
      v = RegValue::String(std::move(text));
    } else if (data.substr(0, 6) == "dword:") {
      if (!Dword(data.substr(6), v)) return false;
    } else if (data.substr(0, 4) == "hex:") {
      if (!Hex(data.substr(4), v)) return false;
    } else {
      return Fail("unknown value type");
    }
    current_->SetValue(name, std::move(v), seq_);
    return true;
  }

  bool Dword(std::string_view digits, RegValue& v) {
    if (digits.empty()) return Fail("bad integer");
    for (char c : digits)
      if (HexValue(c) < 0) return Fail("bad integer");
    while (digits.size() > 1 && digits[0] == '0') digits.remove_prefix(1);
    if (digits.size() > 8) return Fail("integer out of range");
    std::uint32_t u = 0;
    for (char c : digits) u = u * 16 + static_cast<std::uint32_t>(HexValue(c));
    v = RegValue::Integer(static_cast<std::int32_t>(u));
    return true;
  }

  bool Hex(std::string_view s, RegValue& v) {
    std::vector<std::uint8_t> bytes;
    auto skipBlank = [&](std::size_t& i) {
      while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    };
    std::size_t i = 0;
    skipBlank(i);
    while (i < s.size()) {
      unsigned char b = 0;
      if (!HexPair(s, i, b)) return Fail("bad hex");
      bytes.push_back(b);
      i += 2;
      skipBlank(i);
      if (i == s.size()) break;
      if (s[i] != ',') return Fail("bad hex");
      ++i;
      skipBlank(i);
      if (i == s.size()) return Fail("bad hex");
    }
    v = RegValue::Binary(std::move(bytes));
    return true;
  }

  Node& root_;
  std::uint64_t& seq_;
  Node* current_ = nullptr;
  std::size_t lineNo_ = 0;
  std::string error_;
};

// ---------------------------------------------------------------------------
// Files.

std::string ErrnoText(int err) { return std::strerror(err); }

// What identifies one version of the file: a writer always replaces it by
// rename, a person's editor may rewrite it in place.
struct FileStamp {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtimeNs = 0;
  std::int64_t ctimeNs = 0;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp StampOf(const struct stat& st) {
  FileStamp s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  s.ctimeNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
  return s;
}

FileStamp StatPath(const fs::path& p) {
  struct stat st;
  if (::stat(p.c_str(), &st) != 0) return {};
  return StampOf(st);
}

enum class ReadStatus { Ok, Missing, Failed, NotRegular, TooLarge };

struct FileBytes {
  ReadStatus status = ReadStatus::Failed;
  std::string bytes;
  FileStamp stamp;
  std::string error;
};

FileBytes ReadSettingsFile(const fs::path& p) {
  FileBytes r;
  // O_NONBLOCK: a FIFO put in the file's place must not hang the program.
  int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    r.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
    r.error = ErrnoText(errno);
    return r;
  }
  struct stat st;
  if (::fstat(fd, &st) != 0) {
    r.error = ErrnoText(errno);
    ::close(fd);
    return r;
  }
  r.stamp = StampOf(st);
  if (!S_ISREG(st.st_mode)) {
    r.status = ReadStatus::NotRegular;
  } else if (std::uint64_t(st.st_size) > kMaxFileBytes) {
    r.status = ReadStatus::TooLarge;
  } else {
    r.bytes.resize(std::size_t(st.st_size) + 1);
    std::size_t have = 0;
    r.status = ReadStatus::Ok;
    while (true) {
      if (have == r.bytes.size()) {
        // It grew while being read (an editor at work).
        if (r.bytes.size() > kMaxFileBytes) {
          r.status = ReadStatus::TooLarge;
          break;
        }
        r.bytes.resize(std::min<std::size_t>(r.bytes.size() * 2, kMaxFileBytes + 1));
      }
      ssize_t n = ::read(fd, r.bytes.data() + have, r.bytes.size() - have);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        r.status = ReadStatus::Failed;
        r.error = ErrnoText(errno);
        break;
      }
      if (n == 0) break;
      have += std::size_t(n);
    }
    r.bytes.resize(r.status == ReadStatus::Ok ? have : 0);
  }
  ::close(fd);
  return r;
}

bool EnsureDir(const fs::path& dir, std::string* error) {
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *error = "it is not a folder";
    return false;
  }
  std::error_code ec;
  if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = ErrnoText(errno);
    return false;
  }
  return true;
}

// Exclusive lock on the lock file beside a settings file, held while it lives.
// Lock files are never removed: removing them would let two writers lock
// different files.
class FileLock {
 public:
  explicit FileLock(const fs::path& p) {
    fd_ = ::open(p.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) {
      error_ = ErrnoText(errno);
      return;
    }
    // A file system without locks still gets the atomic replace.
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Ok() const { return fd_ >= 0; }
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

// Temporary file, fsync, rename over the old file, fsync the folder. The
// temporary name is fixed: only the holder of the lock writes it.
bool ReplaceFile(const fs::path& file, const fs::path& temp, std::string_view text, std::string* error) {
  return ReplaceFileAtomically(file, text, error, {temp, 0600});
}

std::string DamagedSuffix() {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y%m%d-%H%M%S", &tm);
  return std::string(".damaged-") + buf;
}

// ---------------------------------------------------------------------------
// One root key: its file and the tree as last read or written.

struct HiveState {
  HiveState(const fs::path& folder, const std::string& root)
      : dir(folder),
        rootName(root),
        fileName(root + ".reg"),
        file(folder / fileName),
        temp(folder / ("." + fileName + ".tmp")),
        lock(folder / ("." + root + ".lock")) {}

  fs::path dir;
  std::string rootName;  // "HKEY_CURRENT_USER"
  std::string fileName;  // "HKEY_CURRENT_USER.reg"
  fs::path file, temp, lock;

  Node root;
  std::uint64_t nextSeq = 1;
  bool loaded = false;
  FileStamp stamp;   // of the file the tree came from (exists false: no file)
  std::string text;  // its bytes, to tell a real change from a touched file
  // The file exists but could not be read or set aside: the root reads empty
  // and refuses writes so that it is never overwritten.
  bool blocked = false;

  void Reset() {
    root = Node();
    nextSeq = 1;
    text.clear();
  }
  void SetEmpty(const FileStamp& s, bool isBlocked) {
    Reset();
    stamp = s;
    blocked = isBlocked;
    loaded = true;
  }
};

void SetAside(HiveState& h, const std::string& reason, const FileStamp& damaged) {
  std::string base = h.fileName + DamagedSuffix();
  fs::path target = h.dir / base;
  for (int n = 2; ::access(target.c_str(), F_OK) == 0 && n < 1000; ++n)
    target = h.dir / (base + "-" + std::to_string(n));
  if (::rename(h.file.c_str(), target.c_str()) == 0) {
    FsyncFolder(h.dir);
    Log("registry", h.fileName + " is damaged (" + reason + "); moved it to " + target.string() +
                        " and started with empty settings");
    h.SetEmpty(StatPath(h.file), false);
  } else {
    Log("registry", h.fileName + " is damaged (" + reason + ") and could not be moved aside (" +
                        ErrnoText(errno) + "); its settings are not used");
    h.SetEmpty(damaged, true);
  }
}

// Brings the tree up to date with the file. `locked`: the caller holds the
// lock and is about to write, so the content is compared even when the stamp
// looks unchanged (inode numbers and coarse times can repeat).
void Refresh(HiveState& h, bool locked) {
  FileStamp now = StatPath(h.file);
  if (h.loaded && !locked && now == h.stamp) return;
  if (!now.exists) {
    h.SetEmpty(now, false);
    return;
  }
  FileBytes f = ReadSettingsFile(h.file);
  if (f.status == ReadStatus::Missing) {
    h.SetEmpty(FileStamp{}, false);
    return;
  }
  if (f.status == ReadStatus::Failed) {
    if (!(h.loaded && h.blocked && h.stamp == now))
      Log("registry", "cannot read " + h.file.string() + ": " + f.error + "; its settings are not used");
    h.SetEmpty(now, true);
    return;
  }
  if (f.status == ReadStatus::Ok && h.loaded && !h.blocked && h.stamp.exists && f.bytes == h.text) {
    h.stamp = f.stamp;
    return;
  }

  std::string reason;
  if (f.status == ReadStatus::NotRegular) {
    reason = "it is not a regular file";
  } else if (f.status == ReadStatus::TooLarge) {
    reason = "it is larger than 16 MB";
  } else {
    Node parsed;
    std::uint64_t seq = 1;
    HiveParser parser(parsed, seq);
    if (parser.Parse(f.bytes, &reason)) {
      h.root = std::move(parsed);
      h.nextSeq = seq;
      h.text = std::move(f.bytes);
      h.stamp = f.stamp;
      h.blocked = false;
      h.loaded = true;
      return;
    }
  }

  if (locked) {
    SetAside(h, reason, f.stamp);
    return;
  }
  // Look again under the lock: another writer may have just replaced the
  // file, and only the lock holder may move it.
  std::string error;
  if (EnsureDir(h.dir, &error)) {
    FileLock lock(h.lock);
    if (lock.Ok()) {
      h.loaded = false;
      Refresh(h, true);
      return;
    }
    error = lock.Error();
  }
  if (!(h.loaded && h.blocked && h.stamp == f.stamp))
    Log("registry", h.fileName + " is damaged (" + reason + ") and could not be locked (" + error +
                        "); its settings are not used");
  h.SetEmpty(f.stamp, true);
}

enum class Change { Failed, Unchanged, Changed };

// Read-modify-write under the lock; the change is on disk before this returns
// true. On failure the tree is read back from the file.
bool Modify(HiveState& h, const std::function<Change(HiveState&)>& change) {
  std::string error;
  if (!EnsureDir(h.dir, &error)) {
    Log("registry", "cannot create the settings folder " + h.dir.string() + ": " + error);
    return false;
  }
  FileLock lock(h.lock);
  if (!lock.Ok()) {
    Log("registry", "cannot lock " + h.lock.string() + ": " + lock.Error());
    return false;
  }
  Refresh(h, true);
  if (h.blocked) return false;
  Change c = change(h);
  if (c != Change::Changed) return c == Change::Unchanged;

  std::string text = Serialize(h.root, h.rootName);
  if (text.size() > kMaxFileBytes) {
    error = "the settings would exceed 16 MB";
  } else if (ReplaceFile(h.file, h.temp, text, &error)) {
    h.text = std::move(text);
    h.stamp = StatPath(h.file);
    h.loaded = true;
    return true;
  }
  Log("registry", "cannot save " + h.file.string() + ": " + error + "; the change is dropped");
  h.loaded = false;
  Refresh(h, true);
  return false;
}

const char* ShortRoot(RootKey root) { return root == RootKey::CurrentUser ? "HKCU" : "HKLM"; }

}  // namespace

struct SettingsStore::Hive : HiveState {
  using HiveState::HiveState;
};

SettingsStore::SettingsStore(std::filesystem::path dir, Trace* trace) : dir_(std::move(dir)), trace_(trace) {
  hives_[0] = std::make_unique<Hive>(dir_, "HKEY_CURRENT_USER");
  hives_[1] = std::make_unique<Hive>(dir_, "HKEY_LOCAL_MACHINE");
}

SettingsStore::~SettingsStore() = default;

std::filesystem::path SettingsStore::DefaultDir() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && xdg[0] == '/') return std::filesystem::path(xdg) / "trivion";  // relative ones are ignored
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) {
    home = h;
  } else {
    struct passwd pw;
    struct passwd* found = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(getuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_dir)
      home = found->pw_dir;
  }
  if (home.empty()) home = "/tmp";
  return std::filesystem::path(home) / ".config" / "trivion";
}

std::filesystem::path SettingsStore::FileOf(RootKey root) const {
  return hives_[root == RootKey::CurrentUser ? 0 : 1]->file;
}

SettingsStore::Hive& SettingsStore::Load(RootKey root) {
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  Refresh(h, false);
  return h;
}

bool SettingsStore::KeyExists(RootKey root, std::string_view key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  return parts && FindKey(Load(root).root, *parts) != nullptr;
}

bool SettingsStore::CreateKey(RootKey root, std::string_view key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  if (!parts) return false;
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  if (FindKey(Load(root).root, *parts)) return true;
  return Modify(h, [&](HiveState& s) {
    if (FindKey(s.root, *parts)) return Change::Unchanged;
    MakeKey(s.root, *parts, s.nextSeq);
    return Change::Changed;
  });
}

bool SettingsStore::DeleteKey(RootKey root, std::string_view key) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  if (!parts || parts->empty()) return false;  // the root itself stays
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  if (!FindKey(Load(root).root, *parts)) return false;
  bool ok = Modify(h, [&](HiveState& s) {
    KeyPath parentPath(parts->begin(), parts->end() - 1);
    Node* parent = FindKey(s.root, parentPath);
    if (!parent || !parent->children.erase(Upper1251(parts->back()))) return Change::Failed;
    return Change::Changed;
  });
  if (ok && trace_)
    trace_->Emit("registry").Utf8("op", "delete-key").Utf8("root", ShortRoot(root)).Text("key", JoinKey(*parts));
  return ok;
}

std::vector<std::string> SettingsStore::SubKeys(RootKey root, std::string_view key) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  auto parts = SplitKey(key);
  if (!parts) return names;
  if (const Node* n = FindKey(Load(root).root, *parts))
    for (const Node* c : n->OrderedChildren()) names.push_back(c->name);
  return names;
}

std::vector<std::string> SettingsStore::ValueNames(RootKey root, std::string_view key) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<std::string> names;
  auto parts = SplitKey(key);
  if (!parts) return names;
  if (const Node* n = FindKey(Load(root).root, *parts))
    for (const Node::Value* v : n->OrderedValues()) names.push_back(v->name);
  return names;
}

std::optional<RegValue> SettingsStore::ReadValue(RootKey root, std::string_view key, std::string_view name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  if (!parts) return std::nullopt;
  const Node* n = FindKey(Load(root).root, *parts);
  if (!n) return std::nullopt;
  const Node::Value* v = n->FindValue(name);
  if (!v) return std::nullopt;
  return v->value;
}

bool SettingsStore::WriteValue(RootKey root, std::string_view key, std::string_view name,
                               const RegValue& value, bool createKey) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  if (!parts || name.size() > kMaxValueNameBytes) return false;
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  if (!createKey && !FindKey(Load(root).root, *parts)) return false;
  bool ok = Modify(h, [&](HiveState& s) {
    Node* n = FindKey(s.root, *parts);
    if (!n) {
      if (!createKey) return Change::Failed;
      n = MakeKey(s.root, *parts, s.nextSeq);
    }
    const Node::Value* old = n->FindValue(name);
    if (old && old->value == value) return Change::Unchanged;
    n->SetValue(name, value, s.nextSeq);
    return Change::Changed;
  });
  if (ok) TraceWrite(root, JoinKey(*parts), name, value);
  return ok;
}

void SettingsStore::TraceWrite(RootKey root, const std::string& key, std::string_view name, const RegValue& value) {
  if (!trace_) return;
  auto ev = trace_->Emit("registry");
  ev.Utf8("op", "write").Utf8("root", ShortRoot(root)).Text("key", key).Text("name", name);
  switch (value.type) {
    case RegValue::Type::String: ev.Text("value", value.text); break;
    case RegValue::Type::Integer: ev.Int("value", value.integer); break;
    case RegValue::Type::Binary: ev.Utf8("value", HexText(value.binary)); break;
  }
}

void SettingsStore::TraceDelete(RootKey root, const std::string& key, std::string_view name) {
  if (trace_)
    trace_->Emit("registry").Utf8("op", "delete").Utf8("root", ShortRoot(root)).Text("key", key).Text("name", name);
}

bool SettingsStore::DeleteValue(RootKey root, std::string_view key, std::string_view name) {
  std::lock_guard<std::mutex> lock(mutex_);
  auto parts = SplitKey(key);
  if (!parts) return false;
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  {
    const Node* n = FindKey(Load(root).root, *parts);
    if (!n || !n->FindValue(name)) return false;
  }
  bool ok = Modify(h, [&](HiveState& s) {
    Node* n = FindKey(s.root, *parts);
    if (!n || !n->values.erase(Upper1251(name))) return Change::Failed;
    return Change::Changed;
  });
  if (ok) TraceDelete(root, JoinKey(*parts), name);
  return ok;
}

bool SettingsStore::Apply(RootKey root, const RegBatch& batch) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::vector<KeyPath> paths;
  paths.reserve(batch.Ops().size());
  for (const RegBatch::Op& op : batch.Ops()) {
    auto parts = SplitKey(op.key);
    if (!parts || op.name.size() > kMaxValueNameBytes) {
      Log("registry", "a group of settings names a key or value that cannot be stored; none of it is written");
      return false;
    }
    paths.push_back(std::move(*parts));
  }
  if (batch.Empty()) return true;
  Hive& h = *hives_[root == RootKey::CurrentUser ? 0 : 1];
  // Deletes of values that were there, for the trace; every write is traced,
  // as a single write is.
  std::vector<bool> changed(batch.Ops().size(), false);
  bool ok = Modify(h, [&](HiveState& s) {
    bool any = false;
    for (std::size_t i = 0; i < paths.size(); ++i) {
      const RegBatch::Op& op = batch.Ops()[i];
      if (op.remove) {
        Node* n = FindKey(s.root, paths[i]);
        changed[i] = n && n->values.erase(Upper1251(op.name)) > 0;
      } else {
        Node* n = MakeKey(s.root, paths[i], s.nextSeq);
        const Node::Value* old = n->FindValue(op.name);
        changed[i] = !(old && old->value == op.value);
        if (changed[i]) n->SetValue(op.name, op.value, s.nextSeq);
      }
      any = any || changed[i];
    }
    return any ? Change::Changed : Change::Unchanged;
  });
  if (!ok) return false;
  for (std::size_t i = 0; i < paths.size(); ++i) {
    const RegBatch::Op& op = batch.Ops()[i];
    if (op.remove) {
      if (changed[i]) TraceDelete(root, JoinKey(paths[i]), op.name);
    } else {
      TraceWrite(root, JoinKey(paths[i]), op.name, op.value);
    }
  }
  return true;
}

}  // namespace trv
