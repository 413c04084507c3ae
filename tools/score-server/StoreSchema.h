#pragma once

#include <string>

// The one description of the score database, written out in the dialect of
// each engine.
namespace trv::scored {

enum class SqlDialect { kSqlite, kPostgres };

// CREATE ... IF NOT EXISTS statements joined by ";", safe to run on every start.
std::string SchemaSql(SqlDialect dialect);

}  // namespace trv::scored
