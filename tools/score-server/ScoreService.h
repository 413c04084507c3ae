#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "score-server/ScoreStore.h"

// The score server's three pages as plain functions of a request, so that the
// protocol can be tested without sockets. The game posts to "save.php" (logon,
// then a score bound to the token by a digest); a browser opens "register.php"
// and "list.php". Nothing is kept in the process between requests: the store
// holds it all, so several processes may serve one database.
namespace trv::scored {

// Statuses of the "Status=" line that the game understands.
enum SaveStatus : int {
  kSaved = 0,
  kNotBetter = 1,
  kDatabaseError = 101,
  kBadUserOrPassword = 102,
  kSendingError = 103,  // the game offers to send again: what arrived cannot be a real result
  kGameNotRegistered = 109,
};

// The most a game can earn: six right answers on the six dearest of the
// fourteen levels (one question per level), 5000 + 2500 + 2000 + 1500 + 1000
// + 700. Extra minutes earn no points.
constexpr std::int64_t kHighestReachableScore = 12700;

struct Reply {
  int httpStatus = 200;
  std::string contentType = "text/plain; charset=windows-1251";
  std::string body;
  // Why the request ended as it did, for the request log line; never sent.
  std::string note;
};

struct ServiceOptions {
  int games = 3;                                    // registered game identifiers 1..games
  std::int64_t maxScore = kHighestReachableScore;   // scores above it (or below 0) are refused
  std::int64_t tokenLifetimeSec = 300;              // a logon's token expires after this
  std::size_t tokensPerClient = 32;                 // a client address's oldest tokens go beyond this
  std::size_t maxTokens = 100000;                   // logons are refused (not others' tokens dropped) beyond this
  std::function<std::int64_t()> now;                // seconds since 1970; the system clock when empty
};

class ScoreService {
 public:
  // Opens or creates the database named as OpenScoreStore takes it.
  static std::unique_ptr<ScoreService> Open(const std::string& db, ServiceOptions options, std::string* error,
                                            std::string* warning = nullptr);
  ScoreService(std::unique_ptr<ScoreStore> store, ServiceOptions options);

  // save.php: a POST body of either a logon or a score submission; `client`
  // is the peer's address, which its tokens are kept under. Every answer is
  // HTTP 200 with a "Status=" line (or the tokens): the game takes any other
  // HTTP status for a lost connection and would tell the player so.
  Reply Save(std::string_view method, std::string_view body, std::string_view client = "local");
  // register.php: GET gives the form, POST registers.
  Reply Register(std::string_view method, std::string_view body);
  // list.php: the query string (after "?") with GameID and GamerSearch.
  Reply List(std::string_view query);

  // Outstanding logon tokens of every client (for tests and the log).
  std::size_t PendingTokens();

 private:
  std::int64_t Now() const;
  Reply Logon(const std::string& userId, const std::string& digest, const std::string& client);
  Reply Submit(const std::string& scoreText, const std::string& userName, const std::string& gameText,
               const std::string& digest, const std::string& client);
  Reply GamesIndex(int httpStatus, const std::string& message, std::string note);

  std::unique_ptr<ScoreStore> store_;
  ServiceOptions options_;
};

// Whether the results page of the game can type `text` as a player name or
// password: its input boxes type with a US English layout, so printable
// ASCII and the space only.
bool TypableInGame(std::string_view text);

}  // namespace trv::scored
