#include "config/sql_statement.h"

namespace qv {

TSqlStatement::TSqlStatement(sqlite3* db, const char* sql)
    : prepare_rc_(sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr)) {}

TSqlStatement::~TSqlStatement() { sqlite3_finalize(stmt_); }

TSqlStatement& TSqlStatement::BindText(int index, const std::string& text) {
  sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
  return *this;
}

TSqlStatement& TSqlStatement::BindBlob(int index, const std::string& bytes) {
  // A zero-length blob must still be a blob, not NULL.
  sqlite3_bind_blob(stmt_, index, bytes.empty() ? "" : bytes.data(), static_cast<int>(bytes.size()),
                    SQLITE_TRANSIENT);
  return *this;
}

TSqlStatement& TSqlStatement::BindInt(int index, int64_t value) {
  sqlite3_bind_int64(stmt_, index, value);
  return *this;
}

int TSqlStatement::Step() {
  if (prepare_rc_ != SQLITE_OK) return prepare_rc_;
  return sqlite3_step(stmt_);
}

std::string TSqlStatement::Text(int column) const {
  const auto* text = sqlite3_column_text(stmt_, column);
  if (text == nullptr) return std::string();
  return std::string(reinterpret_cast<const char*>(text),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

std::string TSqlStatement::Blob(int column) const {
  const void* data = sqlite3_column_blob(stmt_, column);
  if (data == nullptr) return std::string();
  return std::string(static_cast<const char*>(data),
                     static_cast<size_t>(sqlite3_column_bytes(stmt_, column)));
}

int64_t TSqlStatement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

}  // namespace qv
