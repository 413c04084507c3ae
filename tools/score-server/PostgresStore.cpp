#include <libpq-fe.h>

#include <mutex>

#include "score-server/SqlStore.h"
#include "score-server/StoreSchema.h"

namespace trv::scored {

namespace {

// The schema is created under this advisory lock, so that processes starting
// together against a new database do not race on the catalogue.
constexpr const char* kSchemaLock = "SELECT pg_advisory_lock(4711001)";
constexpr const char* kSchemaUnlock = "SELECT pg_advisory_unlock(4711001)";
// Idle connections kept for the next request; more are opened while busy.
constexpr std::size_t kIdleKept = 16;

std::string ErrorOf(PGconn* c) {
  std::string e = c ? PQerrorMessage(c) : "out of memory";
  while (!e.empty() && (e.back() == '\n' || e.back() == ' ')) e.pop_back();
  return e;
}

class PostgresStore;

class PostgresSession : public SqlSession {
 public:
  PostgresSession(PostgresStore& store, PGconn* conn) : store_(store), conn_(conn) {}
  ~PostgresSession() override;

  bool Run(const char* sql, const std::vector<SqlValue>& params, const std::function<void(const SqlRow&)>& onRow,
           std::int64_t* changed, std::string* error) override {
    std::vector<std::string> texts;
    texts.reserve(params.size());
    for (const auto& p : params) texts.push_back(p.isInt ? std::to_string(p.number) : p.text);
    std::vector<const char*> values;
    std::vector<int> lengths, formats;
    for (const auto& t : texts) {
      values.push_back(t.c_str());
      lengths.push_back(int(t.size()));
      formats.push_back(0);
    }
    PGresult* res = PQexecParams(conn_, sql, int(values.size()), nullptr, values.data(), lengths.data(),
                                 formats.data(), 0);
    ExecStatusType st = PQresultStatus(res);
    bool ok = st == PGRES_COMMAND_OK || st == PGRES_TUPLES_OK;
    if (!ok) {
      *error = res ? PQresultErrorMessage(res) : ErrorOf(conn_);
      while (!error->empty() && error->back() == '\n') error->pop_back();
      if (PQstatus(conn_) != CONNECTION_OK) broken_ = true;
    } else {
      if (onRow && st == PGRES_TUPLES_OK) {
        SqlRow row;
        for (int r = 0; r < PQntuples(res); ++r) {
          row.assign(std::size_t(PQnfields(res)), std::string());
          for (int c = 0; c < int(row.size()); ++c)
            if (!PQgetisnull(res, r, c))
              row[std::size_t(c)].assign(PQgetvalue(res, r, c), std::size_t(PQgetlength(res, r, c)));
          onRow(row);
        }
      }
      if (changed) *changed = std::strtoll(PQcmdTuples(res), nullptr, 10);
    }
    PQclear(res);
    return ok;
  }

  const char* BeginSql() const override { return "BEGIN"; }

 private:
  PostgresStore& store_;
  PGconn* conn_;
  bool broken_ = false;
};

class PostgresStore : public SqlStore {
 public:
  explicit PostgresStore(std::string address) : address_(std::move(address)) {}
  ~PostgresStore() override {
    for (PGconn* c : idle_) PQfinish(c);
  }

  // A new connection, or nothing and *error.
  PGconn* Connect(std::string* error) {
    PGconn* c = PQconnectdb(address_.c_str());
    if (!c || PQstatus(c) != CONNECTION_OK) {
      *error = "cannot connect to PostgreSQL: " + ErrorOf(c);
      PQfinish(c);
      return nullptr;
    }
    // "already exists, skipping" and the like are no news to anybody.
    PQsetNoticeProcessor(c, [](void*, const char*) {}, nullptr);
    return c;
  }

  void GiveBack(PGconn* c, bool broken) {
    // A connection left inside a transaction by a failed run is not reused.
    if (!broken && PQstatus(c) == CONNECTION_OK && PQtransactionStatus(c) == PQTRANS_IDLE) {
      std::lock_guard lock(mutex_);
      if (idle_.size() < kIdleKept) {
        idle_.push_back(c);
        return;
      }
    }
    PQfinish(c);
  }

 protected:
  std::unique_ptr<SqlSession> Session(std::string* error) override {
    PGconn* c = nullptr;
    {
      std::lock_guard lock(mutex_);
      if (!idle_.empty()) {
        c = idle_.back();
        idle_.pop_back();
      }
    }
    if (!c) c = Connect(error);
    if (!c) return nullptr;
    return std::make_unique<PostgresSession>(*this, c);
  }

 private:
  std::string address_;
  std::mutex mutex_;
  std::vector<PGconn*> idle_;
};

PostgresSession::~PostgresSession() { store_.GiveBack(conn_, broken_); }

}  // namespace

std::unique_ptr<ScoreStore> OpenPostgresStore(const std::string& address, std::string* error) {
  auto store = std::make_unique<PostgresStore>(address);
  PGconn* c = store->Connect(error);
  if (!c) return nullptr;
  const std::string schema = SchemaSql(SqlDialect::kPostgres);
  bool ok = true;
  for (const char* sql : {kSchemaLock, schema.c_str(), kSchemaUnlock}) {
    PGresult* res = PQexec(c, sql);
    ExecStatusType st = PQresultStatus(res);
    if (ok && st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
      ok = false;
      *error = "cannot create the score tables: " + std::string(res ? PQresultErrorMessage(res) : ErrorOf(c));
      while (!error->empty() && error->back() == '\n') error->pop_back();
    }
    PQclear(res);
  }
  store->GiveBack(c, !ok);
  if (!ok) return nullptr;
  return store;
}

}  // namespace trv::scored
