#include "score-server/ScoreService.h"

#include <chrono>
#include <ctime>
#include <vector>

#include "platform/Text.h"
#include "score-server/ClientAddress.h"
#include "score-server/Wire.h"

namespace trv::scored {

namespace {

constexpr std::size_t kMaxNameChars = 32;
constexpr std::size_t kMaxPasswordChars = 64;
constexpr std::size_t kMaxRows = 100;

Reply StatusReply(int status, std::string note) {
  Reply r;
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
    "<p>Имя и пароль набираются в игре в английской раскладке, поэтому в них можно использовать только латинские "
    "буквы, цифры, пробел и знаки, которые есть на клавиатуре (например <code>! @ # _ - .</code>). "
    "Имя — до 32 знаков, пароль — до 64 знаков. Большие и маленькие буквы в имени не различаются.</p>\n"
    "<p><label>Имя игрока: <input name=\"UserName\" maxlength=\"32\" pattern=\"[ -~]+\" required></label></p>\n"
    "<p><label>Пароль: <input type=\"password\" name=\"Password\" maxlength=\"64\" pattern=\"[ -~]+\" "
    "required></label></p>\n"
    "<p><label>Пароль ещё раз: <input type=\"password\" name=\"Password2\" maxlength=\"64\" pattern=\"[ -~]+\" "
    "required></label></p>\n"
    "<p><input type=\"submit\" value=\"Зарегистрироваться\"></p>\n"
    "</form>\n";

}  // namespace

bool TypableInGame(std::string_view text) {
  for (char c : text)
    if (c < 0x20 || c > 0x7E) return false;
  return true;
}

std::unique_ptr<ScoreService> ScoreService::Open(const std::string& db, ServiceOptions options, std::string* error,
                                                 std::string* warning) {
  auto store = OpenScoreStore(db, error, warning);
  if (!store) return nullptr;
  return std::make_unique<ScoreService>(std::move(store), std::move(options));
}

ScoreService::ScoreService(std::unique_ptr<ScoreStore> store, ServiceOptions options)
    : store_(std::move(store)), options_(std::move(options)) {
  if (options_.games < 1) options_.games = 1;
  if (options_.tokensPerClient < 1) options_.tokensPerClient = 1;
}

std::int64_t ScoreService::Now() const {
  if (options_.now) return options_.now();
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::size_t ScoreService::PendingTokens() {
  std::size_t count = 0;
  std::string error;
  store_->CountTokens(Now(), &count, &error);
  return count;
}

Reply ScoreService::Save(std::string_view method, std::string_view body, std::string_view client) {
  if (method != "POST") return StatusReply(kBadUserOrPassword, "save.php wants POST");
  auto form = ParseForm(body);
  if (!form) return StatusReply(kBadUserOrPassword, "malformed form");
  auto field = [&](const char* name) -> const std::string* {
    auto it = form->find(name);
    return it == form->end() ? nullptr : &it->second;
  };
  const std::string key = ClientKey(client);
  if (field("Logon")) {
    const std::string* user = field("UserID");
    const std::string* digest = field("Digest");
    if (*field("Logon") != "1" || !user || !digest) return StatusReply(kBadUserOrPassword, "malformed logon");
    return Logon(*user, *digest, key);
  }
  const std::string* score = field("Score");
  const std::string* name = field("UserName");
  const std::string* game = field("GameID");
  const std::string* digest = field("Digest");
  if (!score || !name || !game || !digest) return StatusReply(kBadUserOrPassword, "malformed submission");
  return Submit(*score, *name, *game, *digest, key);
}

Reply ScoreService::Logon(const std::string& userId, const std::string& digest, const std::string& client) {
  auto u = ParseDecimal(userId, 1, 5);
  if (!u) return StatusReply(kBadUserOrPassword, "logon with a bad UserID");
  if (AsciiLower(digest) != Md5Hex(userId + "1")) return StatusReply(kBadUserOrPassword, "logon digest mismatch");
  // Five tokens, of which the game uses the (6-u)-th; the others are decoys
  // and are never stored.
  Reply r;
  r.note = "logon u=" + userId;
  std::string kept;
  for (int i = 0; i < 5; ++i) {
    std::string token = RandomToken();
    if (i == 5 - *u) kept = token;
    r.body += token;
  }
  const std::int64_t now = Now();
  std::string error;
  StoreResult s = store_->AddToken(kept, client, now, now + options_.tokenLifetimeSec, options_.tokensPerClient,
                                   options_.maxTokens, &error);
  if (s == StoreResult::kError) return StatusReply(kDatabaseError, "token store: " + error);
  if (s == StoreResult::kNo) return StatusReply(kDatabaseError, "logon refused: the token store is full");
  return r;
}

Reply ScoreService::Submit(const std::string& scoreText, const std::string& userName, const std::string& gameText,
                           const std::string& digest, const std::string& client) {
  auto score = ParseDecimal(scoreText, INT32_MIN, INT32_MAX);
  if (!score) return StatusReply(kBadUserOrPassword, "submission with a bad score");
  auto game = ParseDecimal(gameText, 1, options_.games);
  if (!game) return StatusReply(kGameNotRegistered, "game not registered: " + Printable(gameText));
  std::string shown = Printable(userName);
  if (userName.size() > 4 * kMaxNameChars) return StatusReply(kBadUserOrPassword, "no such user (too long)");

  std::string error;
  StoredUser user;
  StoreResult found = store_->FindUser(NameKey(userName), &user, &error);
  if (found == StoreResult::kNo) return StatusReply(kBadUserOrPassword, "no such user: " + shown);
  if (found != StoreResult::kOk) return StatusReply(kDatabaseError, "user lookup: " + error);

  // The token is not sent back: the one that makes the digest come out right
  // is the one the game used. Only this client's few tokens are tried, and
  // the hashing holds no lock.
  const std::int64_t now = Now();
  std::vector<std::string> tokens;
  if (store_->ClientTokens(client, now, &tokens, &error) != StoreResult::kOk)
    return StatusReply(kDatabaseError, "token lookup: " + error);
  const std::string want = AsciiLower(digest);
  const std::string prefix = gameText + userName + user.passwordMd5 + scoreText;
  const std::string* used = nullptr;
  for (const std::string& t : tokens) {
    if (Md5Hex(prefix + t) == want) {
      used = &t;
      break;
    }
  }
  if (!used) return StatusReply(kBadUserOrPassword, "digest mismatch (wrong password or unknown token) for " + shown);
  // Spent exactly once, whichever process asks first.
  StoreResult spent = store_->SpendToken(*used, now, &error);
  if (spent == StoreResult::kNo) return StatusReply(kBadUserOrPassword, "token spent meanwhile, for " + shown);
  if (spent != StoreResult::kOk) return StatusReply(kDatabaseError, "token spend: " + error);

  // Checked only now, so that the token is spent: a replay cannot probe the limit.
  if (*score < 0 || *score > options_.maxScore)
    return StatusReply(kSendingError, shown + " game " + gameText + " score " + scoreText + " out of 0.." +
                                          std::to_string(options_.maxScore));

  StoreResult saved = store_->SaveBest(user.id, *game, *score, now, &error);
  if (saved == StoreResult::kError) return StatusReply(kDatabaseError, "score write: " + error);
  if (saved == StoreResult::kNo)
    return StatusReply(kNotBetter, shown + " game " + gameText + " score " + scoreText + " not above the best");
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
  std::string name = Trim((*form)["UserName"]);
  std::string password = (*form)["Password"];
  std::string password2 = (*form)["Password2"];
  // Only what the game can type: anything else could be registered but never
  // sent from the game's results page.
  if (!TypableInGame(name) || !TypableInGame(password))
    return refuse(400,
                  "имя и пароль могут содержать только латинские буквы, цифры, пробел и знаки клавиатуры "
                  "(в игре они набираются в английской раскладке).",
                  "not typable in the game");
  if (name.empty()) return refuse(400, "не указано имя.", "empty name");
  if (name.size() > kMaxNameChars) return refuse(400, "имя длиннее 32 знаков.", "long name");
  if (password.empty()) return refuse(400, "не указан пароль.", "empty password");
  if (password.size() > kMaxPasswordChars) return refuse(400, "пароль длиннее 64 знаков.", "long password");
  if (password != password2) return refuse(400, "пароли не совпадают.", "passwords differ");

  // Printable ASCII is the same in CP1251 and UTF-8.
  std::string shown = Printable(name);
  std::string error;
  StoreResult r = store_->AddUser(shown, NameKey(name), Md5Hex(password), Now(), &error);
  if (r == StoreResult::kNo) return refuse(409, "игрок с таким именем уже есть.", "name taken: " + shown);
  if (r != StoreResult::kOk) return refuse(500, "ошибка базы данных, попробуйте позже.", "database: " + error);
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
  std::string error;
  StoreResult listed = store_->ForEachScore(
      *game,
      [&](const std::string& name, std::int64_t score, std::int64_t when) {
        ++total;
        if (!search.empty()) {
          if (!searchable) return;
          bool ok = true;
          if (FindNoCase1251(Utf8ToCp1251(name, &ok), search) == std::string::npos) return;
        }
        if (rows.size() < kMaxRows) rows.push_back({total, name, score, when});
      },
      &error);
  if (listed != StoreResult::kOk)
    return HtmlReply(500, "Рейтинги", "<p>Ошибка базы данных.</p>\n", "list: " + error);

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
