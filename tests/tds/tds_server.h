// A small TDS 7.4 server for the tests of the SQL Server path: it speaks enough of the
// protocol for a real ODBC driver (pre-login, login, SQL batches, RPC calls, transaction
// requests, attention), records what it receives, and answers each statement from a script
// of replies (result sets, a row count, an error, or a dropped socket). It listens on the
// loopback address on a port the system chooses. There is no table engine behind it: a
// statement that no rule of the script matches gets an empty answer.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace kvtest::tds {

// A value of a result row: NULL, an integer, a float or a text (UTF-8).
using Cell = std::variant<std::monostate, std::int64_t, double, std::string>;

enum class ColumnType { Int, BigInt, Float, NVarChar };
struct Column {
    std::string name;
    ColumnType type = ColumnType::NVarChar;
};
struct ResultSet {
    std::vector<Column> columns;
    std::vector<std::vector<Cell>> rows;
};

struct ServerError {
    int number = 50000;
    int state = 1;
    int severity = 16;
    std::string text;
};

// The answer to one statement.
struct Reply {
    std::vector<ResultSet> results;
    std::optional<std::int64_t> count;  // rows affected, for a statement without results
    std::optional<ServerError> error;
    bool drop = false;  // the server closes the socket instead of answering

    static Reply Rows(std::vector<Column> columns, std::vector<std::vector<Cell>> rows);
    static Reply Count(std::int64_t n);
    static Reply Error(int number, std::string text, int state = 1);
    static Reply Drop();
};

// A parameter of an RPC call as it arrived.
struct Param {
    std::string name;       // "@P1"
    std::uint8_t type = 0;  // the TDS type byte
    int max_length = 0;     // declared length in bytes (0xFFFF for "max")
    bool null = true;
    bool output = false;
    std::int64_t i = 0;  // integers
    double d = 0;        // floats, NaN and infinities as they came
    std::string text;    // texts: UTF-8 from wide types, the bytes as sent from narrow ones
    // The SQL type as declared: "nvarchar(10)", "varchar(3)", "int", "float", ...
    std::string TypeName() const;
    bool Wide() const;  // nvarchar, nchar or ntext
};

// The values of a login record.
struct Login {
    int connection = 0;
    std::uint32_t tds_version = 0;
    std::uint32_t packet_size = 0;
    std::uint32_t lcid = 0;
    bool integrated = false;  // asks for the operating system's authentication
    std::string host, user, password, app, server, library, language, database;
    int prelogin_encryption = -1;  // the client's ENCRYPTION option of the pre-login
};

struct Request {
    enum class Kind { Batch, Rpc, Attention, Transaction };
    Kind kind = Kind::Batch;
    int connection = 0;         // 1 for the first connection the server accepted, and so on
    std::string proc;           // RPC: "sp_prepexec", "sp_execute", ...; transaction: "BEGIN", "COMMIT", ...
    std::string text;           // the statement (for sp_execute: the text prepared under its handle)
    std::string declaration;    // RPC: the parameters' declaration ("@P1 nvarchar(10),@P2 int")
    std::vector<Param> params;  // the statement's own parameters, without the procedure's
    int handle = 0;             // the prepared handle an RPC names or receives
    // The collations the statement asks for ("x COLLATE Serbian_Latin_100_BIN2 = @P1"), in
    // the order of the text, with the comparison each governs: the operator after the
    // collated operand ("=", "<", ... ; "" when none follows).
    struct Collated {
        std::string collation, comparison;
    };
    std::vector<Collated> collations;
};

// A collation that compares by code points, as SQL Server's binary collations do.
bool BinaryCollation(const std::string& name);

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on 127.0.0.1 at a free port; false when it cannot.
    bool Start();
    void Stop();
    int Port() const;

    // Statements whose text holds `needle` get `reply`. The rule given last is tried first,
    // so a test overrides what its fixture scripted; a rule given `times` is used that many
    // times only (-1: always).
    void On(std::string needle, Reply reply, int times = -1);
    // Closes every client socket now.
    void DropConnections();

    std::vector<Request> Requests() const;
    std::vector<Login> Logins() const;
    int Connections() const;  // accepted so far
    void ClearRecords();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace kvtest::tds
