#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "score-server/ScoreStore.h"

// The score store written once in SQL that SQLite and PostgreSQL both take;
// each engine only supplies sessions that run one statement at a time.
namespace trv::scored {

struct SqlValue {
  SqlValue(std::int64_t v) : isInt(true), number(v) {}  // NOLINT: parameters read best unwrapped
  SqlValue(std::string v) : text(std::move(v)) {}      // NOLINT
  bool isInt = false;
  std::int64_t number = 0;
  std::string text;
};

using SqlRow = std::vector<std::string>;  // each column as text; NULL as empty

// One connection held for a run of statements (a transaction stays on it).
class SqlSession {
 public:
  virtual ~SqlSession() = default;
  // One statement with parameters $1, $2, ...; rows go to onRow (may be
  // empty); *changed gets the rows an INSERT, UPDATE or DELETE changed.
  virtual bool Run(const char* sql, const std::vector<SqlValue>& params, const std::function<void(const SqlRow&)>& onRow,
                   std::int64_t* changed, std::string* error) = 0;
  // Starts a transaction that takes the write lock at once where the engine
  // would otherwise take it late.
  virtual const char* BeginSql() const = 0;
};

class SqlStore : public ScoreStore {
 public:
  StoreResult AddToken(const std::string& token, const std::string& client, std::int64_t now, std::int64_t expires,
                       std::size_t perClient, std::size_t maxTotal, std::string* error) override;
  StoreResult ClientTokens(const std::string& client, std::int64_t now, std::vector<std::string>* tokens,
                           std::string* error) override;
  StoreResult SpendToken(const std::string& token, std::int64_t now, std::string* error) override;
  StoreResult CountTokens(std::int64_t now, std::size_t* count, std::string* error) override;
  StoreResult FindUser(const std::string& nameKey, StoredUser* user, std::string* error) override;
  StoreResult AddUser(const std::string& name, const std::string& nameKey, const std::string& passwordMd5,
                      std::int64_t now, std::string* error) override;
  StoreResult SaveBest(std::int64_t userId, std::int64_t game, std::int64_t score, std::int64_t now,
                       std::string* error) override;
  StoreResult ForEachScore(std::int64_t game, const ScoreRow& row, std::string* error) override;

 protected:
  // Nothing and *error when no connection can be had.
  virtual std::unique_ptr<SqlSession> Session(std::string* error) = 0;

 private:
  StoreResult RunOne(const char* sql, const std::vector<SqlValue>& params,
                     const std::function<void(const SqlRow&)>& onRow, std::int64_t* changed, std::string* error);
};

std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error, std::string* warning);
std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& address, std::string* error);

}  // namespace trv::scored
