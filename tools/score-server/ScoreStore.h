#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Where the score server keeps players, best scores and the logon tokens that
// are still outstanding. Everything a request needs lives here and not in the
// process, so that any number of server processes can share one database.
namespace trv::scored {

enum class StoreResult {
  kOk,
  kNo,     // not found, not better, name taken, token already spent, no room: as the call says
  kError,  // the database failed; *error tells why
};

struct StoredUser {
  std::int64_t id = 0;
  std::string passwordMd5;
};

class ScoreStore {
 public:
  virtual ~ScoreStore() = default;

  // Keeps `token` for `client` until `expires`. Expired tokens go first, then
  // the client's oldest beyond `perClient - 1`, so that one address can only
  // push out its own tokens. kNo when `maxTotal` live tokens remain even so:
  // nobody else's token is dropped to make room.
  virtual StoreResult AddToken(const std::string& token, const std::string& client, std::int64_t now,
                               std::int64_t expires, std::size_t perClient, std::size_t maxTotal,
                               std::string* error) = 0;
  // The client's tokens that have not expired.
  virtual StoreResult ClientTokens(const std::string& client, std::int64_t now, std::vector<std::string>* tokens,
                                   std::string* error) = 0;
  // kOk when this call removed the live token; kNo when it was gone already
  // (spent by a concurrent request of any process, or expired).
  virtual StoreResult SpendToken(const std::string& token, std::int64_t now, std::string* error) = 0;
  virtual StoreResult CountTokens(std::int64_t now, std::size_t* count, std::string* error) = 0;

  // kNo when no user has this name key.
  virtual StoreResult FindUser(const std::string& nameKey, StoredUser* user, std::string* error) = 0;
  // kNo when the name key is taken.
  virtual StoreResult AddUser(const std::string& name, const std::string& nameKey, const std::string& passwordMd5,
                              std::int64_t now, std::string* error) = 0;
  // Enters `score` when it beats the player's best in the game (or is the
  // first); kNo when it does not. One statement, so concurrent posts of one
  // player cannot lower the best.
  virtual StoreResult SaveBest(std::int64_t userId, std::int64_t game, std::int64_t score, std::int64_t now,
                               std::string* error) = 0;
  // Every score of the game, best first, earlier first among equals.
  using ScoreRow = std::function<void(const std::string& nameUtf8, std::int64_t score, std::int64_t when)>;
  virtual StoreResult ForEachScore(std::int64_t game, const ScoreRow& row, std::string* error) = 0;
};

// "postgresql://..." or "postgres://..." opens PostgreSQL; anything else is
// the path of an SQLite file (created owner-only). The schema is created when
// missing. Nothing and *error on failure; *warning tells of an SQLite file
// others can read.
std::unique_ptr<ScoreStore> OpenScoreStore(const std::string& db, std::string* error, std::string* warning);

bool IsPostgresAddress(const std::string& db);

}  // namespace trv::scored
