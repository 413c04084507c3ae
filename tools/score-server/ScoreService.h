#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct sqlite3;

// The score server's three pages as plain functions of a request, so that the
// protocol can be tested without sockets. The game posts to "save.php" (logon,
// then a score bound to the token by a digest); a browser opens "register.php"
// and "list.php".
namespace trv::scored {

// Statuses of the "Status=" line that the game understands.
enum SaveStatus : int {
  kSaved = 0,
  kNotBetter = 1,
  kDatabaseError = 101,
  kBadUserOrPassword = 102,
  kGameNotRegistered = 109,
};

struct Reply {
  int httpStatus = 200;
  std::string contentType = "text/plain; charset=windows-1251";
  std::string body;
  // Why the request ended as it did, for the request log line; never sent.
  std::string note;
};

struct ServiceOptions {
  int games = 3;                       // registered game identifiers 1..games
  std::int64_t tokenLifetimeSec = 600;  // a logon's tokens expire after this
  std::size_t maxTokens = 10000;        // oldest outstanding tokens are dropped beyond this
  std::function<std::int64_t()> now;    // seconds since 1970; the system clock when empty
};

class ScoreService {
 public:
  // Opens or creates the database; a new file is created readable by its
  // owner only (it holds password digests). Nothing and *error on failure;
  // *warning tells of an existing file others can read.
  static std::unique_ptr<ScoreService> Open(const std::string& dbPath, ServiceOptions options, std::string* error,
                                            std::string* warning = nullptr);
  ~ScoreService();
  ScoreService(const ScoreService&) = delete;
  ScoreService& operator=(const ScoreService&) = delete;

  // save.php: a POST body of either a logon or a score submission.
  Reply Save(std::string_view method, std::string_view body);
  // register.php: GET gives the form, POST registers.
  Reply Register(std::string_view method, std::string_view body);
  // list.php: the query string (after "?") with GameID and GamerSearch.
  Reply List(std::string_view query);

  // Outstanding logon tokens (for tests and the log).
  std::size_t PendingTokens();

 private:
  struct Token {
    std::string value;
    std::int64_t issued;
  };

  ScoreService(sqlite3* db, ServiceOptions options);
  std::int64_t Now() const;
  void DropStaleTokens();
  Reply Logon(const std::string& userId, const std::string& digest);
  Reply Submit(const std::string& scoreText, const std::string& userName, const std::string& gameText,
               const std::string& digest);
  Reply GamesIndex(int httpStatus, const std::string& message, std::string note);

  sqlite3* db_;
  ServiceOptions options_;
  std::mutex mutex_;  // one request at a time touches the tokens and the database
  std::vector<Token> tokens_;  // in the order issued
};

}  // namespace trv::scored
