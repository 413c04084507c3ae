#include "score-server/ScoreService.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <ctime>

#include "platform/Text.h"
#include "score-server/Wire.h"

namespace trv::scored {

namespace {

constexpr std::size_t kMaxNameChars = 32;
constexpr std::size_t kMaxPasswordChars = 64;
constexpr std::size_t kMaxRows = 100;

const char kSchema[] =
    "CREATE TABLE IF NOT EXISTS users ("
    "  id INTEGER PRIMARY KEY,"
    "  name TEXT NOT NULL,"              // as registered, UTF-8
    "  name_key TEXT NOT NULL UNIQUE,"   // lower case, UTF-8: names match without regard to case
    "  password_md5 TEXT NOT NULL,"      // MD5 of the password's CP1251 bytes, as the game's digest needs
    "  registered_at INTEGER NOT NULL);"
    "CREATE TABLE IF NOT EXISTS scores ("
    "  user_id INTEGER NOT NULL REFERENCES users(id),"
    "  game_id INTEGER NOT NULL,"
    "  score INTEGER NOT NULL,"
    "  achieved_at INTEGER NOT NULL,"
    "  PRIMARY KEY (user_id, game_id));"
    "CREATE INDEX IF NOT EXISTS scores_by_game ON scores (game_id, score DESC, achieved_at);";

// A prepared statement freed on every path.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool Ok() const { return stmt_ != nullptr; }
  void Bind(int i, std::int64_t v) {
    if (stmt_) sqlite3_bind_int64(stmt_, i, v);
  }
  void Bind(int i, const std::string& v) {
    if (stmt_) sqlite3_bind_text(stmt_, i, v.data(), int(v.size()), SQLITE_TRANSIENT);
  }
  int Step() { return stmt_ ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::int64_t Int(int col) { return sqlite3_column_int64(stmt_, col); }
  std::string Text(int col) {
    const unsigned char* t = sqlite3_column_text(stmt_, col);
    return t ? std::string(reinterpret_cast<const char*>(t), std::size_t(sqlite3_column_bytes(stmt_, col))) : std::string();
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

bool Exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

Reply StatusReply(int status, std::string note, int httpStatus = 200) {
  Reply r;
  r.httpStatus = httpStatus;
  r.body = "Status=" + std::to_string(status) + "\n";
  r.note = std::move(note);
  return r;
}

// Names from the game arrive as CP1251 bytes; the log and the pages are UTF-8.
std::string Printable(std::string_view cp1251) {
  std::string s = Cp1251ToUtf8(cp1251);
  for (auto& c : s)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return s;
}

bool HasControl(std::string_view cp1251) {
  for (char c : cp1251)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

std::string NameKey(std::string_view cp1251) { return Cp1251ToUtf8(Lower1251(Trim(cp1251))); }

std::string FormatTime(std::int64_t t) {
  std::time_t tt = static_cast<std::time_t>(t);
  std::tm tm{};
  if (!gmtime_r(&tt, &tm)) return "?";
  char buf[64];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M UTC", &tm);
  return buf;
}

std::string Page(const std::string& title, const std::string& content) {
  return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" + HtmlEscape(title) +
         "</title></head>\n<body>\n<h1>" + HtmlEscape(title) + "</h1>\n" + content + "</body></html>\n";
}

Reply HtmlReply(int httpStatus, const std::string& title, const std::string& content, std::string note) {
  Reply r;
  r.httpStatus = httpStatus;
  r.contentType = "text/html; charset=utf-8";
  r.body = Page(title, content);
  r.note = std::move(note);
  return r;
}

const char kRegisterForm[] =
    "<form method=\"post\" action=\"register.php\" accept-charset=\"UTF-8\">\n"
    "<p><label>Имя игрока: <input name=\"UserName\" maxlength=\"32\" required></label></p>\n"
    "<p><label>Пароль: <input type=\"password\" name=\"Password\" maxlength=\"64\" required></label></p>\n"
    "<p><label>Пароль ещё раз: <input type=\"password\" name=\"Password2\" maxlength=\"64\" required></label></p>\n"
    "<p><input type=\"submit\" value=\"Зарегистрироваться\"></p>\n"
    "</form>\n";

}  // namespace

std::unique_ptr<ScoreService> ScoreService::Open(const std::string& dbPath, ServiceOptions options,
                                                 std::string* error, std::string* warning) {
  // Create the file ourselves so that it starts as owner-only; SQLite gives
  // its journal the same mode as the database.
  int fd = ::open(dbPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot open " + dbPath;
    return nullptr;
  }
  struct stat st{};
  if (fstat(fd, &st) == 0 && (st.st_mode & 077) != 0 && warning)
    *warning = dbPath + " can be read by other users; it holds password digests (chmod 600 it)";
  ::close(fd);

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(dbPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
    *error = "cannot open database " + dbPath + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  if (!Exec(db, kSchema)) {
    *error = "not a score database or cannot write it: " + dbPath + ": " + sqlite3_errmsg(db);
    sqlite3_close(db);
    return nullptr;
  }
  if (options.games < 1) options.games = 1;
  return std::unique_ptr<ScoreService>(new ScoreService(db, std::move(options)));
}

ScoreService::ScoreService(sqlite3* db, ServiceOptions options) : db_(db), options_(std::move(options)) {}

ScoreService::~ScoreService() { sqlite3_close(db_); }

std::int64_t ScoreService::Now() const {
  if (options_.now) return options_.now();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::size_t ScoreService::PendingTokens() {
  std::lock_guard lock(mutex_);
  DropStaleTokens();
  return tokens_.size();
}

void ScoreService::DropStaleTokens() {
  std::int64_t now = Now();
  std::size_t drop = 0;
  while (drop < tokens_.size() &&
         (now - tokens_[drop].issued >= options_.tokenLifetimeSec || tokens_.size() - drop > options_.maxTokens))
    ++drop;
  tokens_.erase(tokens_.begin(), tokens_.begin() + std::ptrdiff_t(drop));
}

Reply ScoreService::Save(std::string_view method, std::string_view body) {
  if (method != "POST") {
    Reply r = StatusReply(kBadUserOrPassword, "save.php wants POST", 405);
    return r;
  }
  auto form = ParseForm(body);
  if (!form) return StatusReply(kBadUserOrPassword, "malformed form", 400);
  auto field = [&](const char* name) -> const std::string* {
    auto it = form->find(name);
    return it == form->end() ? nullptr : &it->second;
  };
  std::lock_guard lock(mutex_);
  DropStaleTokens();
  if (field("Logon")) {
    const std::string* user = field("UserID");
    const std::string* digest = field("Digest");
    if (*field("Logon") != "1" || !user || !digest) return StatusReply(kBadUserOrPassword, "malformed logon", 400);
    return Logon(*user, *digest);
  }
  const std::string* score = field("Score");
  const std::string* name = field("UserName");
  const std::string* game = field("GameID");
  const std::string* digest = field("Digest");
  if (!score || !name || !game || !digest) return StatusReply(kBadUserOrPassword, "malformed submission", 400);
  return Submit(*score, *name, *game, *digest);
}

Reply ScoreService::Logon(const std::string& userId, const std::string& digest) {
  auto u = ParseDecimal(userId, 1, 5);
  if (!u) return StatusReply(kBadUserOrPassword, "logon with a bad UserID", 400);
  if (AsciiLower(digest) != Md5Hex(userId + "1")) return StatusReply(kBadUserOrPassword, "logon digest mismatch");
  // Five tokens, of which the game uses the (6-u)-th; the others are decoys
  // and are never accepted.
  Reply r;
  r.note = "logon u=" + userId;
  for (int i = 0; i < 5; ++i) {
    std::string token = RandomToken();
    if (i == 5 - *u) tokens_.push_back({token, Now()});
    r.body += token;
  }
  DropStaleTokens();
  return r;
}

Reply ScoreService::Submit(const std::string& scoreText, const std::string& userName, const std::string& gameText,
                           const std::string& digest) {
  auto score = ParseDecimal(scoreText, INT32_MIN, INT32_MAX);
  if (!score) return StatusReply(kBadUserOrPassword, "submission with a bad score", 400);
  auto game = ParseDecimal(gameText, 1, options_.games);
  if (!game) return StatusReply(kGameNotRegistered, "game not registered: " + Printable(gameText));
  std::string shown = Printable(userName);
  if (userName.size() > 4 * kMaxNameChars) return StatusReply(kBadUserOrPassword, "no such user (too long)");

  std::int64_t userRow = 0;
  std::string passwordMd5;
  {
    Statement q(db_, "SELECT id, password_md5 FROM users WHERE name_key = ?1");
    q.Bind(1, NameKey(userName));
    int rc = q.Step();
    if (rc == SQLITE_DONE) return StatusReply(kBadUserOrPassword, "no such user: " + shown);
    if (rc != SQLITE_ROW) return StatusReply(kDatabaseError, std::string("user lookup: ") + sqlite3_errmsg(db_));
    userRow = q.Int(0);
    passwordMd5 = q.Text(1);
  }

  // The token is not sent back: the one that makes the digest come out right
  // is the one the game used. It is spent on the first match.
  std::string want = AsciiLower(digest);
  std::string prefix = gameText + userName + passwordMd5 + scoreText;
  auto used = tokens_.end();
  for (auto it = tokens_.begin(); it != tokens_.end(); ++it) {
    if (Md5Hex(prefix + it->value) == want) {
      used = it;
      break;
    }
  }
  if (used == tokens_.end())
    return StatusReply(kBadUserOrPassword, "digest mismatch (wrong password or unknown token) for " + shown);
  tokens_.erase(used);

  if (!Exec(db_, "BEGIN IMMEDIATE"))
    return StatusReply(kDatabaseError, std::string("begin: ") + sqlite3_errmsg(db_));
  auto fail = [&](const char* what) {
    Reply r = StatusReply(kDatabaseError, std::string(what) + ": " + sqlite3_errmsg(db_));
    Exec(db_, "ROLLBACK");
    return r;
  };
  std::optional<std::int64_t> previous;
  {
    Statement q(db_, "SELECT score FROM scores WHERE user_id = ?1 AND game_id = ?2");
    q.Bind(1, userRow);
    q.Bind(2, *game);
    int rc = q.Step();
    if (rc == SQLITE_ROW) previous = q.Int(0);
    else if (rc != SQLITE_DONE) return fail("score lookup");
  }
  // An equal score is not entered either: the earlier moment it was reached
  // keeps its place in the ratings.
  if (previous && *score <= *previous) {
    Exec(db_, "ROLLBACK");
    return StatusReply(kNotBetter, shown + " game " + gameText + " score " + scoreText + " not above " +
                                       std::to_string(*previous));
  }
  {
    Statement w(db_,
                "INSERT INTO scores (user_id, game_id, score, achieved_at) VALUES (?1, ?2, ?3, ?4) "
                "ON CONFLICT (user_id, game_id) DO UPDATE SET score = excluded.score, achieved_at = excluded.achieved_at");
    w.Bind(1, userRow);
    w.Bind(2, *game);
    w.Bind(3, *score);
    w.Bind(4, Now());
    if (w.Step() != SQLITE_DONE) return fail("score write");
  }
  if (!Exec(db_, "COMMIT")) return fail("commit");
  return StatusReply(kSaved, shown + " game " + gameText + " score " + scoreText + " saved");
}

Reply ScoreService::Register(std::string_view method, std::string_view body) {
  const std::string title = "Регистрация игрока";
  if (method == "GET" || method == "HEAD") return HtmlReply(200, title, kRegisterForm, "form");
  if (method != "POST") return HtmlReply(405, title, "<p>Неверный запрос.</p>\n", "register wants GET or POST");

  auto refuse = [&](int http, const std::string& why, std::string note) {
    return HtmlReply(http, title,
                     "<p><strong>Игрок не зарегистрирован:</strong> " + HtmlEscape(why) + "</p>\n" + kRegisterForm,
                     "refused: " + note);
  };
  auto form = ParseForm(body);
  if (!form) return refuse(400, "неверные данные формы.", "malformed form");
  std::string nameUtf8 = (*form)["UserName"];
  std::string password = (*form)["Password"];
  std::string password2 = (*form)["Password2"];
  if (!IsValidUtf8(nameUtf8) || !IsValidUtf8(password) || !IsValidUtf8(password2))
    return refuse(400, "неверные данные формы.", "not UTF-8");

  // The game sends names and hashes passwords in CP1251, so both must have a
  // CP1251 spelling.
  bool nameOk = true, passwordOk = true;
  std::string name = Trim(Utf8ToCp1251(nameUtf8, &nameOk));
  std::string password1251 = Utf8ToCp1251(password, &passwordOk);
  if (!nameOk || !passwordOk)
    return refuse(400, "имя и пароль могут содержать только русские и латинские буквы, цифры и знаки.",
                  "outside CP1251");
  if (name.empty()) return refuse(400, "не указано имя.", "empty name");
  if (name.size() > kMaxNameChars || HasControl(name))
    return refuse(400, "имя длиннее 32 знаков или содержит управляющие символы.", "bad name");
  if (password1251.empty()) return refuse(400, "не указан пароль.", "empty password");
  if (password1251.size() > kMaxPasswordChars || HasControl(password1251))
    return refuse(400, "пароль длиннее 64 знаков или содержит управляющие символы.", "bad password");
  if (password != password2) return refuse(400, "пароли не совпадают.", "passwords differ");

  std::string shown = Cp1251ToUtf8(name);
  std::lock_guard lock(mutex_);
  Statement w(db_, "INSERT INTO users (name, name_key, password_md5, registered_at) VALUES (?1, ?2, ?3, ?4)");
  w.Bind(1, shown);
  w.Bind(2, NameKey(name));
  w.Bind(3, Md5Hex(password1251));
  w.Bind(4, Now());
  int rc = w.Step();
  if (rc == SQLITE_CONSTRAINT) return refuse(409, "игрок с таким именем уже есть.", "name taken: " + shown);
  if (rc != SQLITE_DONE)
    return refuse(500, "ошибка базы данных, попробуйте позже.", std::string("database: ") + sqlite3_errmsg(db_));
  return HtmlReply(200, title,
                   "<p><strong>Игрок «" + HtmlEscape(shown) +
                       "» зарегистрирован.</strong> Введите это имя и пароль в игре, чтобы отправлять результаты.</p>\n",
                   "registered " + shown);
}

Reply ScoreService::GamesIndex(int httpStatus, const std::string& message, std::string note) {
  std::string content = message.empty() ? "" : "<p>" + HtmlEscape(message) + "</p>\n";
  content += "<ul>\n";
  for (int g = 1; g <= options_.games && g <= 100; ++g)
    content += "<li><a href=\"list.php?GameID=" + std::to_string(g) + "\">Игра " + std::to_string(g) + "</a></li>\n";
  content += "</ul>\n";
  return HtmlReply(httpStatus, "Рейтинги", content, std::move(note));
}

Reply ScoreService::List(std::string_view query) {
  auto form = ParseForm(query);
  if (!form) return GamesIndex(400, "Неверный запрос.", "malformed query");
  auto gameIt = form->find("GameID");
  if (gameIt == form->end()) return GamesIndex(200, "", "index");
  auto game = ParseDecimal(gameIt->second, 1, options_.games);
  if (!game) return GamesIndex(404, "Такой игры на сервере нет.", "no such game");

  // The game's shell puts the typed name into the address unescaped (CP1251
  // bytes); a browser sends UTF-8. Text that is not UTF-8 is taken as CP1251.
  std::string search;
  bool searchable = true;
  if (auto it = form->find("GamerSearch"); it != form->end()) {
    search = IsValidUtf8(it->second) ? Utf8ToCp1251(it->second, &searchable) : it->second;
    search = Trim(search);
  }

  struct Row {
    std::size_t rank;
    std::string name;
    std::int64_t score, when;
  };
  std::vector<Row> rows;
  std::size_t total = 0;
  {
    std::lock_guard lock(mutex_);
    Statement q(db_,
                "SELECT u.name, s.score, s.achieved_at FROM scores s JOIN users u ON u.id = s.user_id "
                "WHERE s.game_id = ?1 ORDER BY s.score DESC, s.achieved_at ASC, u.id ASC");
    q.Bind(1, *game);
    int rc;
    while ((rc = q.Step()) == SQLITE_ROW) {
      ++total;
      std::string name = q.Text(0);
      if (!search.empty()) {
        if (!searchable) continue;
        bool ok = true;
        if (FindNoCase1251(Utf8ToCp1251(name, &ok), search) == std::string::npos) continue;
      }
      if (rows.size() < kMaxRows) rows.push_back({total, name, q.Int(1), q.Int(2)});
    }
    if (rc != SQLITE_DONE)
      return HtmlReply(500, "Рейтинги", "<p>Ошибка базы данных.</p>\n", std::string("list: ") + sqlite3_errmsg(db_));
  }

  std::string shownSearch = Cp1251ToUtf8(search);
  std::string content =
      "<form method=\"get\" action=\"list.php\" accept-charset=\"UTF-8\">\n<input type=\"hidden\" name=\"GameID\" value=\"" +
      std::to_string(*game) + "\">\n<label>Поиск игрока: <input name=\"GamerSearch\" value=\"" +
      HtmlEscape(shownSearch) + "\"></label> <input type=\"submit\" value=\"Найти\">\n</form>\n";
  if (rows.empty()) {
    content += search.empty() ? "<p>Результатов пока нет.</p>\n" : "<p>Игрок не найден.</p>\n";
  } else {
    content += "<table>\n<tr><th>Место</th><th>Игрок</th><th>Очки</th><th>Дата</th></tr>\n";
    for (const auto& r : rows)
      content += "<tr><td>" + std::to_string(r.rank) + "</td><td>" + HtmlEscape(r.name) + "</td><td>" +
                 std::to_string(r.score) + "</td><td>" + FormatTime(r.when) + "</td></tr>\n";
    content += "</table>\n";
  }
  return HtmlReply(200, "Рейтинг игры " + std::to_string(*game), content,
                   "game " + std::to_string(*game) + ", " + std::to_string(rows.size()) + " rows");
}

}  // namespace trv::scored
