// SQL connections: the embedded store (SQLite) and SQL Server over ODBC behind one
// interface. Texts cross this interface in CP1250; the connection converts them to and
// from the database's encoding.
//
// The embedded store: database D of the server "(localdb)\I" is the SQLite file D.sqlite
// in the folder $KVADRIN_LOCALDB when that is set, else ~/.local/share/kvadrin/localdb/I/
// (I = "default" when empty), its name found without regard to case; a connection opens
// only a database that exists (CreateEmbeddedDatabase makes one); WAL journal.
// Any other server goes over ODBC with the driver named by $KVADRIN_ODBC_DRIVER (default
// "FreeTDS"). When the DBMS behind ODBC turns out to be SQLite, the connection speaks the
// SQLite dialect and loads the collation extension libkvci.so, found through
// $KVADRIN_SQLITE_EXT (the full path of the library), else beside the executable.
// Every SQLite connection has the collation KVCI (CP1250 letters folded, trailing blanks
// ignored) and the functions KVUPPER(text) and KVINSTR(text, sub) (INSTR(KVUPPER(text), sub)).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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
// The password runs to the end of the text, or to a ';' after which only key=value pairs
// follow (a ';' inside a password stays part of it). nullopt without three commas.
std::optional<ConnectionText> ParseConnectionText(std::string_view text);

// The values a connection text stands for when its comma-separated fields cannot carry
// them (a server, login or password holding "," or ";", or a text cut to its field's
// width): ConnectionFor then connects with these for that exact (clipped) text instead of
// parsing it. Process-wide; the last values given for a text hold.
void SetConnectionValues(std::string_view connection_text, const ConnectionText& values);

// The ODBC connection string (UTF-8) for a connection text and driver name, with a value
// braced only where the driver needs it. The server may be "host", "host\instance" or
// "host,port" (a "tcp:" in front is dropped); the options PORT, ENCRYPT (yes/no/strict, or
// FreeTDS's off/request/require) and TRUSTSERVERCERTIFICATE carry what the name does not.
// Options in $KVADRIN_ODBC_OPTIONS ("key=value;...") apply to every text that does not
// give them. A trusted connection (option TRUSTEDCONNECTION true/yes/1) sends
// Trusted_Connection instead of UID and PWD.
// - FreeTDS (a driver whose name holds "tds"): port 1433 unless an instance is named,
//   ClientCharset UTF-8, and the program's name; a value holding "};" cannot be carried.
// - SQLite (a name holding "sqlite"): DATABASE goes plain and must hold none of ";{}" and
//   no outer blanks.
// - other drivers: values braced with '}' doubled where needed; the server's certificate is
//   trusted unless TRUSTSERVERCERTIFICATE says no.
// nullopt, with the reason in `refusal`, for what the driver cannot carry.
std::optional<std::string> OdbcConnectionString(const ConnectionText& text, std::string_view driver,
                                                std::string* refusal = nullptr);

// The folder of an embedded instance (see above); not created.
std::string LocalDbFolder(std::string_view instance);

// Where an embedded database is: its instance's folder and its file (UTF-8 paths). The
// file's name is found without regard to case, as the server's names are: "demo_2024"
// opens DEMO_2024.sqlite; of several files that differ only by case, the one named
// exactly is taken, else the first in the byte order of their names. When none exists,
// `file` is the one CreateEmbeddedDatabase would make.
struct EmbeddedDatabase {
    std::string folder;
    std::string file;
    bool exists = false;
};
EmbeddedDatabase FindEmbeddedDatabase(const ConnectionText& text);
// Makes the embedded database of the text (and its folder) when it does not exist: the
// only way one is made, as connections open only databases that exist. False, with the
// thread's file error state set, when it cannot.
bool CreateEmbeddedDatabase(const ConnectionText& text);
// The same for a connection text ("(localdb)\\I,D,,"), read as ConnectionFor reads it.
bool CreateEmbeddedDatabase(std::string_view connection_text);

// A prepared statement. Parameters and columns are 0-based.
class Statement {
public:
    virtual ~Statement() = default;
    virtual void BindNull(int i) = 0;
    virtual void BindInt(int i, std::int64_t v) = 0;
    virtual void BindDouble(int i, double v) = 0;
    virtual void BindText(int i, std::string_view cp1250) = 0;
    // Declares parameter i a text of at most `width` characters, before its BindText: a
    // server that prepares statements by the shape of their parameters then sees one shape.
    virtual void DeclareText(int i, std::size_t width) {}
    // Runs the statement or fetches its next row: 1 a row is there, 0 done, -1 error
    // (the connection holds the error).
    virtual int Step() = 0;
    // Ready to run again with new bindings.
    virtual void Reset() = 0;
    virtual int ColumnCount() = 0;
    virtual bool IsNull(int col) = 0;
    // A NULL reads as 0 and "".
    virtual std::int64_t Int(int col) = 0;
    virtual double Double(int col) = 0;
    virtual std::string Text(int col) = 0;  // CP1250
    // The column's text into `out` (CP1250), reusing its storage.
    virtual void TextTo(int col, std::string& out) { out = Text(col); }
    // Rows changed by the last run of a statement that changes rows; -1 when unknown.
    virtual std::int64_t AffectedRows() { return -1; }
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
    // A pass-through statement written in SQL Server's dialect, prepared for this
    // connection: on SQLite rewritten by RewriteForSqlite, with the databases it names by
    // three-part names attached (files beside the main one; a missing one is an error).
    virtual std::unique_ptr<Statement> PreparePassThrough(std::string_view sql) { return Prepare(sql); }
};

// The SQLite form of a SQL Server pass-through text, and nothing more: "ISNULL(" becomes
// "IFNULL(", "X.dbo.T" becomes "X.T" (or "main.T" when X is `main_database`, compared
// without case), and "#name" becomes the quoted name of the connection's TEMP table.
// Quoted texts and identifiers are left alone. `attach` receives the other databases
// named, each once, in order of appearance.
struct SqliteRewrite {
    std::string sql;
    std::vector<std::string> attach;
};
SqliteRewrite RewriteForSqlite(std::string_view sql, std::string_view main_database);

// A SQLite file opened directly (keyed files): WAL journal or not; created when missing.
// nullptr when it cannot be opened; the thread's file error state then says why.
std::shared_ptr<Connection> OpenSqliteFile(const std::string& path, bool wal);

// This thread's connection for a connection text, opened on first use and kept for the
// thread's life (so "#name" temporary tables live as long as the thread's connection).
// nullptr when it cannot connect; the thread's file error state then says why.
std::shared_ptr<Connection> ConnectionFor(std::string_view connection_text);
// Closes this thread's connections (the per-thread end calls it).
void CloseThreadConnections();
// Releases this thread's connection for one connection text: the next use connects anew.
// Tables still open on it keep it until they close.
void CloseThreadConnection(std::string_view connection_text);

}  // namespace rt::sql
