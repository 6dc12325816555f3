// What the connection kinds share: the last error, nested transactions, and the
// pass-through preparation of the SQLite dialect (rewrite and ATTACH).
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "platform/files/sql/connection.h"

namespace rt::sql::detail {

class BasicConnection : public Connection {
public:
    std::string ErrorCodeText() const override { return code_; }
    std::string ErrorText() const override { return text_; }
    bool LastErrorWasDuplicate() const override { return dup_; }

    // Nested: only the outermost Begin starts and the outermost Commit commits; Rollback
    // undoes the whole transaction at any depth.
    bool Begin() override;
    bool Commit() override;
    bool Rollback() override;
    bool InTransaction() const override { return depth_ > 0; }

    std::unique_ptr<Statement> PreparePassThrough(std::string_view sql) override;

    void Fail(std::string code, std::string text, bool duplicate = false);

protected:
    virtual bool DoBegin() = 0;
    virtual bool DoCommit() = 0;
    virtual bool DoRollback() = 0;

private:
    bool AttachDatabase(const std::string& name, const std::string& folder);
    std::string code_, text_;
    bool dup_ = false;
    int depth_ = 0;
    std::set<std::string> attached_;  // upper case
};

// Rebuilds a SQLite database's indexes on the collation KVCI when they were built in
// another order than the collation's of now, and records the order in the database; one
// transaction, so that stations opening the database at once rebuild it once. False with
// the connection's error when it fails.
bool EnsureCollationOrder(Connection& c);

// Texts in the program's code page to UTF-8 and back, without work for ASCII.
std::string ToUtf8(std::string_view cp1250);
std::string FromUtf8(std::string_view utf8);

// Opening a SQLite file through a SOCI session: the session (kept alive by the pointer)
// and its native handle (a sqlite3*). Throws std::exception on failure.
struct SociSqlite {
    std::shared_ptr<void> session;
    void* handle = nullptr;
};
SociSqlite OpenSociSqlite(const std::string& path);

// The file of database `database` (CP1250) in `folder`, its name compared without regard
// to case (see FindEmbeddedDatabase); "" when there is none.
std::string FindDatabaseFile(const std::string& folder, std::string_view database);

// The connections of the two kinds; nullptr on failure with the thread's error state set.
std::shared_ptr<Connection> OpenSqlite(const std::string& path, std::string database, bool wal,
                                       bool create_folders);
std::shared_ptr<Connection> OpenOdbc(const ConnectionText& text);

}  // namespace rt::sql::detail
