// SQL connections: the embedded store (SQLite) and SQL Server over ODBC behind one
// interface. Texts cross this interface in CP1250; the connection converts them to and
// from the database's encoding.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace rt::sql {

enum class Dialect { Sqlite, SqlServer };

// "server,database,user,password[;options]". A server whose name starts with "(localdb)"
// (any case) is the embedded store.
struct ConnectionText {
    std::string server;
    std::string database;
    std::string user;
    std::string password;
    std::map<std::string, std::string> options;  // keys upper-cased: "TRUSTEDCONNECTION" -> "True"
    bool embedded() const;
    std::string instance() const;  // the part after "(localdb)\", "" when none
};
std::optional<ConnectionText> ParseConnectionText(std::string_view text);

// A prepared statement. Parameters and columns are 0-based.
class Statement {
public:
    virtual ~Statement() = default;
    virtual void BindNull(int i) = 0;
    virtual void BindInt(int i, std::int64_t v) = 0;
    virtual void BindDouble(int i, double v) = 0;
    virtual void BindText(int i, std::string_view cp1250) = 0;
    // Runs the statement or fetches its next row: 1 a row is there, 0 done, -1 error
    // (the connection holds the error).
    virtual int Step() = 0;
    // Ready to run again with new bindings.
    virtual void Reset() = 0;
    virtual int ColumnCount() = 0;
    virtual bool IsNull(int col) = 0;
    virtual std::int64_t Int(int col) = 0;
    virtual double Double(int col) = 0;
    virtual std::string Text(int col) = 0;  // CP1250
};

class Connection {
public:
    virtual ~Connection() = default;
    virtual Dialect dialect() const = 0;
    // nullptr on failure, with the error held.
    virtual std::unique_ptr<Statement> Prepare(std::string_view sql) = 0;
    // Runs a statement without result rows; false on failure.
    virtual bool Execute(std::string_view sql) = 0;
    virtual bool Begin() = 0;
    virtual bool Commit() = 0;
    virtual bool Rollback() = 0;
    virtual bool InTransaction() const = 0;
    // The last failure: the driver's code text and message (CP1250), and whether it was a
    // unique-constraint violation.
    virtual std::string ErrorCodeText() const = 0;
    virtual std::string ErrorText() const = 0;
    virtual bool LastErrorWasDuplicate() const = 0;
    virtual std::string Database() const = 0;
};

// This thread's connection for a connection text, opened on first use and kept for the
// thread's life (so "#name" temporary tables live as long as the thread's connection).
// nullptr when it cannot connect; the thread's file error state then says why.
std::shared_ptr<Connection> ConnectionFor(std::string_view connection_text);
// Closes this thread's connections (the per-thread end calls it).
void CloseThreadConnections();

}  // namespace rt::sql
