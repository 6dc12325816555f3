#include "platform/files/transaction.h"

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"

namespace rt {

bool Transaction::Begin(File& table) {
    if (IsOpen()) return Refuse("BEGIN", "a transaction is open already");
    if (table.BeginTransaction() != kNoError) {
        Failed("BEGIN");
        return false;
    }
    table_ = &table;
    return true;
}

bool Transaction::Begin(sql::Connection& conn) {
    if (IsOpen()) return Refuse("BEGIN", "a transaction is open already");
    if (!conn.Begin()) {
        failure_ = {"BEGIN", conn.ErrorCodeText(), conn.ErrorText()};
        return false;
    }
    conn_ = &conn;
    return true;
}

bool Transaction::Commit() {
    if (table_) {
        if (table_->Commit() != kNoError) {
            Failed("COMMIT");
            return false;
        }
        table_ = nullptr;
        return true;
    }
    if (conn_) {
        if (!conn_->Commit()) {
            failure_ = {"COMMIT", conn_->ErrorCodeText(), conn_->ErrorText()};
            return false;
        }
        conn_ = nullptr;
        return true;
    }
    return Refuse("COMMIT", "no transaction to commit");
}

void Transaction::Rollback() {
    if (table_) table_->Rollback();
    if (conn_ && conn_->InTransaction()) conn_->Rollback();
    table_ = nullptr;
    conn_ = nullptr;
}

bool Transaction::Refuse(const char* step, const char* why) {
    failure_ = {step, "", why};
    return false;
}

void Transaction::Failed(const char* step) {
    if (ErrorCode() == kDriverError)
        failure_ = {step, FileErrorCode(), FileError()};
    else
        failure_ = {step, std::to_string(ErrorCode()), Error()};
}

}  // namespace rt
