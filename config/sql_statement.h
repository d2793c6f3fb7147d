#ifndef QUORVANE_CONFIG_SQL_STATEMENT_H_
#define QUORVANE_CONFIG_SQL_STATEMENT_H_

#include <cstdint>
#include <string>

#include <sqlite3.h>

namespace qv {

// One prepared statement, finalised with the object. Used only inside the
// settings store, under its lock. A statement that failed to prepare answers
// the preparation's result code from Step().
class TSqlStatement {
 public:
  TSqlStatement(sqlite3* db, const char* sql);
  ~TSqlStatement();
  TSqlStatement(const TSqlStatement&) = delete;
  TSqlStatement& operator=(const TSqlStatement&) = delete;

  // Bound texts and blobs are copied; they may go away before Step().
  TSqlStatement& BindText(int index, const std::string& text);
  TSqlStatement& BindBlob(int index, const std::string& bytes);
  TSqlStatement& BindInt(int index, int64_t value);

  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step();
  std::string Text(int column) const;
  std::string Blob(int column) const;
  int64_t Int(int column) const;

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int prepare_rc_;
};

// True for the result codes of a statement that did what it was asked.
inline bool SqlSucceeded(int rc) {
  return rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW;
}

// Runs statements that return no rows.
inline int ExecSql(sqlite3* db, const char* sql) {
  return sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
}

}  // namespace qv

#endif  // QUORVANE_CONFIG_SQL_STATEMENT_H_
