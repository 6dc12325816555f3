// One piece of work as one transaction: what it wrote stays only when Commit succeeds.
// The guard rolls back what it began and did not commit when it goes out of scope (any
// early return) or when Rollback is called, so that either all of the work stays or none
// of it does. When the begin or the commit fails, failure() says which of the two failed,
// with the driver's code and text of that moment (a later rollback cannot replace them).
#pragma once

#include <string>

namespace rt {

class File;
namespace sql {
class Connection;
}

class Transaction {
public:
    struct Failure {
        std::string step;  // "BEGIN" or "COMMIT"; empty while neither has failed
        std::string code;  // the driver's code text, or the runtime's error number
        std::string text;  // its message (CP1250)
    };

    Transaction() = default;
    ~Transaction() { Rollback(); }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    // Begins on the database of an open table, or on a connection; false when it could
    // not begin, or when this guard holds a transaction already.
    bool Begin(File& table);
    bool Begin(sql::Connection& conn);
    // False when the commit failed: the transaction stays open and is rolled back.
    bool Commit();
    // Undoes what was begun and not committed; nothing when nothing is open.
    void Rollback();

    bool IsOpen() const { return table_ || conn_; }
    const Failure& failure() const { return failure_; }

private:
    void Failed(const char* step);
    bool Refuse(const char* step, const char* why);

    File* table_ = nullptr;
    sql::Connection* conn_ = nullptr;
    Failure failure_;
};

}  // namespace rt
