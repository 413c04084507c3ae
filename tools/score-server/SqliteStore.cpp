#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <mutex>

#include "score-server/SqlStore.h"
#include "score-server/StoreSchema.h"

namespace trv::scored {

namespace {

// One connection per process, one statement at a time; other processes on the
// same file wait for SQLite's file lock (busy timeout).
class SqliteSession : public SqlSession {
 public:
  SqliteSession(sqlite3* db, std::mutex& mutex) : db_(db), lock_(mutex) {}

  bool Run(const char* sql, const std::vector<SqlValue>& params, const std::function<void(const SqlRow&)>& onRow,
           std::int64_t* changed, std::string* error) override {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql, -1, &stmt, nullptr) != SQLITE_OK) {
      *error = sqlite3_errmsg(db_);
      return false;
    }
    // Parameters are named "$1", "$2" ... as in PostgreSQL; SQLite numbers
    // them by first appearance, so they are bound by name.
    for (std::size_t i = 0; i < params.size(); ++i) {
      int at = sqlite3_bind_parameter_index(stmt, ("$" + std::to_string(i + 1)).c_str());
      if (at == 0) continue;
      if (params[i].isInt) sqlite3_bind_int64(stmt, at, params[i].number);
      else sqlite3_bind_text(stmt, at, params[i].text.data(), int(params[i].text.size()), SQLITE_TRANSIENT);
    }
    int rc;
    SqlRow row;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      if (!onRow) continue;
      row.assign(std::size_t(sqlite3_column_count(stmt)), std::string());
      for (int c = 0; c < int(row.size()); ++c) {
        const unsigned char* t = sqlite3_column_text(stmt, c);
        if (t) row[std::size_t(c)].assign(reinterpret_cast<const char*>(t), std::size_t(sqlite3_column_bytes(stmt, c)));
      }
      onRow(row);
    }
    bool ok = rc == SQLITE_DONE;
    if (!ok) *error = sqlite3_errmsg(db_);
    else if (changed) *changed = sqlite3_changes(db_);
    sqlite3_finalize(stmt);
    return ok;
  }

  const char* BeginSql() const override { return "BEGIN IMMEDIATE"; }

 private:
  sqlite3* db_;
  std::unique_lock<std::mutex> lock_;
};

class SqliteStore : public SqlStore {
 public:
  explicit SqliteStore(sqlite3* db) : db_(db) {}
  ~SqliteStore() override { sqlite3_close(db_); }

 protected:
  std::unique_ptr<SqlSession> Session(std::string*) override { return std::make_unique<SqliteSession>(db_, mutex_); }

 private:
  sqlite3* db_;
  std::mutex mutex_;
};

}  // namespace

std::unique_ptr<ScoreStore> OpenSqliteStore(const std::string& path, std::string* error, std::string* warning) {
  // Create the file ourselves so that it starts as owner-only; SQLite gives
  // its journal the same mode as the database.
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    *error = "cannot open " + path;
    return nullptr;
  }
  struct stat st{};
  if (fstat(fd, &st) == 0 && (st.st_mode & 077) != 0 && warning)
    *warning = path + " can be read by other users; it holds password digests (chmod 600 it)";
  ::close(fd);

  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_FULLMUTEX, nullptr) != SQLITE_OK) {
    *error = "cannot open database " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  // Write-ahead logging lets readers of other processes go on during a write,
  // and with "NORMAL" a commit costs no flush of its own: a logon is one
  // short write, and a power cut can lose at most the last few of them.
  sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=NORMAL", nullptr, nullptr, nullptr);
  const std::string schema = SchemaSql(SqlDialect::kSqlite);
  if (sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) {
    *error = "not a score database or cannot write it: " + path + ": " + sqlite3_errmsg(db);
    sqlite3_close(db);
    return nullptr;
  }
  return std::make_unique<SqliteStore>(db);
}

}  // namespace trv::scored
