#include "score-server/SqlStore.h"

#include <cstdlib>

namespace trv::scored {

namespace {

std::int64_t ToInt(const std::string& text) { return std::strtoll(text.c_str(), nullptr, 10); }

}  // namespace

StoreResult SqlStore::RunOne(const char* sql, const std::vector<SqlValue>& params,
                             const std::function<void(const SqlRow&)>& onRow, std::int64_t* changed,
                             std::string* error) {
  auto session = Session(error);
  if (!session) return StoreResult::kError;
  return session->Run(sql, params, onRow, changed, error) ? StoreResult::kOk : StoreResult::kError;
}

StoreResult SqlStore::AddToken(const std::string& token, const std::string& client, std::int64_t now,
                               std::int64_t expires, std::size_t perClient, std::size_t maxTotal,
                               std::string* error) {
  auto s = Session(error);
  if (!s) return StoreResult::kError;
  if (!s->Run(s->BeginSql(), {}, nullptr, nullptr, error)) return StoreResult::kError;
  auto fail = [&] {
    std::string ignored;
    s->Run("ROLLBACK", {}, nullptr, nullptr, &ignored);
    return StoreResult::kError;
  };
  if (!s->Run("DELETE FROM tokens WHERE expires_at <= $1", {now}, nullptr, nullptr, error)) return fail();
  const std::int64_t keep = perClient > 0 ? std::int64_t(perClient) - 1 : 0;
  if (!s->Run("DELETE FROM tokens WHERE client = $1 AND seq NOT IN "
              "(SELECT seq FROM tokens WHERE client = $1 ORDER BY seq DESC LIMIT $2)",
              {client, keep}, nullptr, nullptr, error))
    return fail();
  std::int64_t total = 0;
  if (!s->Run("SELECT COUNT(*) FROM tokens", {}, [&](const SqlRow& r) { total = ToInt(r.at(0)); }, nullptr, error))
    return fail();
  bool room = std::size_t(total) < maxTotal;
  if (room && !s->Run("INSERT INTO tokens (token, client, issued_at, expires_at) VALUES ($1, $2, $3, $4)",
                      {token, client, now, expires}, nullptr, nullptr, error))
    return fail();
  if (!s->Run("COMMIT", {}, nullptr, nullptr, error)) return fail();
  return room ? StoreResult::kOk : StoreResult::kNo;
}

StoreResult SqlStore::ClientTokens(const std::string& client, std::int64_t now, std::vector<std::string>* tokens,
                                   std::string* error) {
  tokens->clear();
  // Newest first: the player's last logon is the one a submission most likely used.
  return RunOne("SELECT token FROM tokens WHERE client = $1 AND expires_at > $2 ORDER BY seq DESC", {client, now},
                [&](const SqlRow& r) { tokens->push_back(r.at(0)); }, nullptr, error);
}

StoreResult SqlStore::SpendToken(const std::string& token, std::int64_t now, std::string* error) {
  std::int64_t changed = 0;
  StoreResult r = RunOne("DELETE FROM tokens WHERE token = $1 AND expires_at > $2", {token, now}, nullptr, &changed,
                         error);
  if (r != StoreResult::kOk) return r;
  return changed == 1 ? StoreResult::kOk : StoreResult::kNo;
}

StoreResult SqlStore::CountTokens(std::int64_t now, std::size_t* count, std::string* error) {
  *count = 0;
  return RunOne("SELECT COUNT(*) FROM tokens WHERE expires_at > $1", {now},
                [&](const SqlRow& r) { *count = std::size_t(ToInt(r.at(0))); }, nullptr, error);
}

StoreResult SqlStore::FindUser(const std::string& nameKey, StoredUser* user, std::string* error) {
  bool found = false;
  StoreResult r = RunOne("SELECT id, password_md5 FROM users WHERE name_key = $1", {nameKey},
                         [&](const SqlRow& row) {
                           found = true;
                           user->id = ToInt(row.at(0));
                           user->passwordMd5 = row.at(1);
                         },
                         nullptr, error);
  if (r != StoreResult::kOk) return r;
  return found ? StoreResult::kOk : StoreResult::kNo;
}

StoreResult SqlStore::AddUser(const std::string& name, const std::string& nameKey, const std::string& passwordMd5,
                              std::int64_t now, std::string* error) {
  std::int64_t changed = 0;
  StoreResult r = RunOne(
      "INSERT INTO users (name, name_key, password_md5, registered_at) VALUES ($1, $2, $3, $4) "
      "ON CONFLICT (name_key) DO NOTHING",
      {name, nameKey, passwordMd5, now}, nullptr, &changed, error);
  if (r != StoreResult::kOk) return r;
  return changed == 1 ? StoreResult::kOk : StoreResult::kNo;
}

StoreResult SqlStore::SaveBest(std::int64_t userId, std::int64_t game, std::int64_t score, std::int64_t now,
                               std::string* error) {
  // An equal score is not entered: the earlier moment it was reached keeps
  // its place in the ratings.
  std::int64_t changed = 0;
  StoreResult r = RunOne(
      "INSERT INTO scores (user_id, game_id, score, achieved_at) VALUES ($1, $2, $3, $4) "
      "ON CONFLICT (user_id, game_id) DO UPDATE SET score = excluded.score, achieved_at = excluded.achieved_at "
      "WHERE scores.score < excluded.score",
      {userId, game, score, now}, nullptr, &changed, error);
  if (r != StoreResult::kOk) return r;
  return changed == 1 ? StoreResult::kOk : StoreResult::kNo;
}

StoreResult SqlStore::ForEachScore(std::int64_t game, const ScoreRow& row, std::string* error) {
  return RunOne(
      "SELECT u.name, s.score, s.achieved_at FROM scores s JOIN users u ON u.id = s.user_id "
      "WHERE s.game_id = $1 ORDER BY s.score DESC, s.achieved_at ASC, u.id ASC",
      {game}, [&](const SqlRow& r) { row(r.at(0), ToInt(r.at(1)), ToInt(r.at(2))); }, nullptr, error);
}

bool IsPostgresAddress(const std::string& db) {
  return db.rfind("postgresql://", 0) == 0 || db.rfind("postgres://", 0) == 0;
}

std::unique_ptr<ScoreStore> OpenScoreStore(const std::string& db, std::string* error, std::string* warning) {
  if (IsPostgresAddress(db)) return OpenPostgresStore(db, error);
  return OpenSqliteStore(db, error, warning);
}

}  // namespace trv::scored
