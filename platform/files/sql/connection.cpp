// Connection texts, the ODBC connection string, and this thread's connections.
#include "platform/files/sql/connection.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "platform/core/text.h"
#include "platform/files/file.h"
#include "platform/files/sql/connection_impl.h"

namespace rt::sql {
namespace {

std::string trim(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

// "key=value;key=value[;]": every segment a key of letters, digits, '_' or blanks, '=' and
// a value. Fills `out` when it is.
bool parse_options(std::string_view s, std::map<std::string, std::string>& out) {
    std::map<std::string, std::string> opts;
    while (!s.empty()) {
        const std::size_t semi = s.find(';');
        const std::string_view seg = s.substr(0, semi);
        s = semi == std::string_view::npos ? std::string_view{} : s.substr(semi + 1);
        if (trim(seg).empty()) continue;
        const std::size_t eq = seg.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string key = trim(seg.substr(0, eq));
        if (key.empty()) return false;
        for (char c : key)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != ' ') return false;
        opts[upper(key)] = trim(seg.substr(eq + 1));
    }
    out = std::move(opts);
    return true;
}

bool contains_nocase(std::string_view hay, std::string_view needle) {
    return upper(hay).find(upper(needle)) != std::string::npos;
}

bool truthy(std::string_view v) {
    const std::string u = upper(trim(v));
    return u == "TRUE" || u == "YES" || u == "1" || u == "SSPI";
}

// A value in braces, '}' doubled: how ODBC drivers other than FreeTDS read any value.
std::string braced(std::string_view v) {
    std::string out = "{";
    for (char c : v) {
        out += c;
        if (c == '}') out += '}';
    }
    out += '}';
    return out;
}

// A value as the standard ODBC syntax wants it: braced only when it must be.
std::string odbc_value(std::string_view v) {
    const bool plain = v.find_first_of(";{}") == std::string_view::npos && trim(v) == v;
    return plain ? std::string(v) : braced(v);
}

// "host[\instance][,port]", with an optional "tcp:" in front.
struct ServerName {
    std::string host, instance, port;
};
ServerName split_server(std::string_view s) {
    ServerName n;
    if (s.size() >= 4 && upper(s.substr(0, 4)) == "TCP:") s.remove_prefix(4);
    if (const auto comma = s.rfind(','); comma != std::string_view::npos) {
        n.port = trim(s.substr(comma + 1));
        s = s.substr(0, comma);
    }
    if (const auto slash = s.find('\\'); slash != std::string_view::npos) {
        n.instance = std::string(s.substr(slash + 1));
        s = s.substr(0, slash);
    }
    n.host = trim(s);
    return n;
}

// FreeTDS reads a value up to the next ';', or, when it starts with '{', up to the first
// "};" (without undoing doubled braces). It cannot carry a value that holds "};".
bool freetds_value(std::string_view name, std::string_view v, std::string& out, std::string* refusal) {
    if (v.find("};") != std::string_view::npos) {
        if (refusal)
            *refusal =
                "the " + std::string(name) + " holds \"};\", which the FreeTDS ODBC driver cannot carry";
        return false;
    }
    const bool plain = v.find(';') == std::string_view::npos && (v.empty() || v[0] != '{');
    out += plain ? std::string(v) : "{" + std::string(v) + "}";
    return true;
}

std::string option(const std::map<std::string, std::string>& o, const char* key) {
    auto it = o.find(key);
    return it == o.end() ? std::string() : it->second;
}

// Encryption as the option gives it, in the words of each driver.
std::string encryption_for(std::string_view value, bool freetds) {
    const std::string u = upper(trim(value));
    const bool on =
        u == "YES" || u == "TRUE" || u == "1" || u == "MANDATORY" || u == "REQUIRE" || u == "REQUIRED";
    const bool off = u == "NO" || u == "FALSE" || u == "0" || u == "OPTIONAL" || u == "REQUEST";
    if (freetds) return on ? "require" : off ? "request" : u == "OFF" ? "off" : lower(trim(value));
    return on ? "yes" : off || u == "OFF" ? "no" : lower(trim(value));
}

}  // namespace

bool ConnectionText::embedded() const { return lower(server.substr(0, 9)) == "(localdb)"; }

std::string ConnectionText::instance() const {
    if (!embedded() || server.size() < 10 || (server[9] != '\\' && server[9] != '/')) return {};
    return server.substr(10);
}

std::optional<ConnectionText> ParseConnectionText(std::string_view text) {
    text = std::string_view(text).substr(0, clip(text).size());
    std::size_t c[3];
    std::size_t from = 0;
    for (auto& p : c) {
        p = text.find(',', from);
        if (p == std::string_view::npos) return std::nullopt;
        from = p + 1;
    }
    ConnectionText t;
    t.server = std::string(text.substr(0, c[0]));
    t.database = std::string(text.substr(c[0] + 1, c[1] - c[0] - 1));
    t.user = std::string(text.substr(c[1] + 1, c[2] - c[1] - 1));
    const std::string_view rest = text.substr(c[2] + 1);
    t.password = std::string(rest);
    for (std::size_t semi = rest.find(';'); semi != std::string_view::npos; semi = rest.find(';', semi + 1)) {
        if (parse_options(rest.substr(semi + 1), t.options)) {
            t.password = std::string(rest.substr(0, semi));
            break;
        }
    }
    return t;
}

std::optional<std::string> OdbcConnectionString(const ConnectionText& text, std::string_view driver,
                                                std::string* refusal) {
    // Options of the environment apply to every connection; the text's own win.
    ConnectionText t = text;
    if (const char* env = std::getenv("KVADRIN_ODBC_OPTIONS"); env && *env) {
        std::map<std::string, std::string> extra;
        if (parse_options(env, extra))
            for (auto& [k, v] : extra) t.options.emplace(k, v);
    }
    const bool sqlite = contains_nocase(driver, "sqlite");
    const bool freetds = !sqlite && contains_nocase(driver, "tds");
    const bool trusted = truthy(option(t.options, "TRUSTEDCONNECTION"));
    const std::string server = detail::ToUtf8(t.server), database = detail::ToUtf8(t.database),
                      user = detail::ToUtf8(t.user), password = detail::ToUtf8(t.password);
    std::string s = "DRIVER=" + braced(driver) + ";";
    if (sqlite) {
        // The SQLite driver takes its own attributes unbraced.
        if (database.empty() || database.find_first_of(";{}") != std::string::npos ||
            trim(database) != database) {
            if (refusal) *refusal = "the database \"" + t.database + "\" cannot be named to the ODBC driver";
            return std::nullopt;
        }
        s += "SERVER=" + odbc_value(server) + ";DATABASE=" + database + ";";
        if (!trusted) s += "UID=" + odbc_value(user) + ";PWD=" + odbc_value(password) + ";";
        return s;
    }
    ServerName n = split_server(server);
    if (const std::string port = trim(option(t.options, "PORT")); !port.empty()) n.port = port;
    const std::string encrypt =
        option(t.options, "ENCRYPT").empty() ? option(t.options, "ENCRYPTION") : option(t.options, "ENCRYPT");
    const std::string trust = option(t.options, "TRUSTSERVERCERTIFICATE");
    if (freetds) {
        // Without an instance the server listens on SQL Server's port; FreeTDS has no default.
        if (n.port.empty() && n.instance.empty()) n.port = "1433";
        s += "SERVER=";
        const std::string name = n.port.empty() ? n.host + "\\" + n.instance : n.host;
        if (!freetds_value("server", name, s, refusal)) return std::nullopt;
        if (!n.port.empty()) s += ";Port=" + n.port;
        s += ";DATABASE=";
        if (!freetds_value("database", database, s, refusal)) return std::nullopt;
        if (trusted) {
            s += ";Trusted_Connection=Yes";
        } else {
            s += ";UID=";
            if (!freetds_value("login name", user, s, refusal)) return std::nullopt;
            s += ";PWD=";
            if (!freetds_value("password", password, s, refusal)) return std::nullopt;
        }
        if (!encrypt.empty()) s += ";Encryption=" + encryption_for(encrypt, true);
        return s + ";APP=kvadrin;ClientCharset=UTF-8;";
    }
    std::string name = n.host;
    if (!n.instance.empty()) name += "\\" + n.instance;
    if (!n.port.empty()) name += "," + n.port;
    s += "SERVER=" + odbc_value(name) + ";DATABASE=" + odbc_value(database) + ";";
    if (trusted)
        s += "Trusted_Connection=Yes;";
    else
        s += "UID=" + odbc_value(user) + ";PWD=" + odbc_value(password) + ";";
    if (!encrypt.empty()) s += "Encrypt=" + encryption_for(encrypt, false) + ";";
    // An office server's certificate is usually its own: trusted unless the options say not.
    s += "TrustServerCertificate=" + std::string(trust.empty() || truthy(trust) ? "yes" : "no") + ";";
    return s + "APP=kvadrin;";
}

std::string LocalDbFolder(std::string_view instance) {
    if (const char* env = std::getenv("KVADRIN_LOCALDB"); env && *env) return env;
    std::string home;
    if (const char* h = std::getenv("HOME"); h && *h) home = h;
    std::string inst = instance.empty() ? std::string("default") : std::string(instance);
    // The instance is a folder name, never a path.
    for (char& ch : inst)
        if (ch == '/' || ch == '\\') ch = '_';
    if (inst == "." || inst == "..") inst = "default";
    return (std::filesystem::path(home) / ".local/share/kvadrin/localdb" / inst).string();
}

namespace detail {

std::string FindDatabaseFile(const std::string& folder, std::string_view database) {
    namespace fs = std::filesystem;
    const std::string wanted = ToUtf8(database) + ".sqlite";
    std::error_code ec;
    if (fs::is_regular_file(fs::path(folder) / wanted, ec)) return (fs::path(folder) / wanted).string();
    // Names compare as the server's do, without regard to case; of several that differ
    // only by case, the first in the byte order of their names is taken, whatever order
    // the folder lists them in.
    const std::string key = upper(std::string(database) + ".sqlite");
    std::string found;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (upper(FromUtf8(name)) != key || !it->is_regular_file(ec)) continue;
        if (found.empty() || name < found) found = name;
    }
    if (!found.empty()) return (fs::path(folder) / found).string();
    // A store made before its file was named in UTF-8 has the text's own bytes as its name:
    // it is still the firm's.
    const std::string before = std::string(database) + ".sqlite";
    if (before != wanted && fs::is_regular_file(fs::path(folder) / before, ec))
        return (fs::path(folder) / before).string();
    return std::string();
}

}  // namespace detail

namespace {

bool valid_database_name(const std::string& db) {
    if (db.empty() || db == "." || db == ".." || db.find_first_of("/\\") != std::string::npos) {
        SetDriverError("", "", "invalid database name \"" + db + "\"");
        return false;
    }
    return true;
}

}  // namespace

EmbeddedDatabase FindEmbeddedDatabase(const ConnectionText& text) {
    EmbeddedDatabase d;
    d.folder = LocalDbFolder(text.instance());
    d.file = detail::FindDatabaseFile(d.folder, text.database);
    d.exists = !d.file.empty();
    if (!d.exists)
        d.file = (std::filesystem::path(d.folder) / (detail::ToUtf8(text.database) + ".sqlite")).string();
    return d;
}

bool CreateEmbeddedDatabase(const ConnectionText& text) {
    if (!valid_database_name(text.database)) return false;
    const EmbeddedDatabase d = FindEmbeddedDatabase(text);
    return detail::OpenSqlite(d.file, text.database, true, true) != nullptr;
}

namespace {

struct Cached {
    pid_t pid;
    std::shared_ptr<Connection> conn;
};

std::map<std::string, Cached>& thread_connections() {
    thread_local std::map<std::string, Cached> m;
    return m;
}

std::shared_ptr<Connection> connect(const ConnectionText& t) {
    if (!t.embedded()) return detail::OpenOdbc(t);
    if (!valid_database_name(t.database)) return nullptr;
    const EmbeddedDatabase d = FindEmbeddedDatabase(t);
    if (!d.exists) {
        // A database is made only when asked for (CreateEmbeddedDatabase), never by a
        // connection: a mistyped name must not connect to a new, empty database.
        SetDriverError("", "14",
                       "database " + t.database + " does not exist in " + detail::FromUtf8(d.folder));
        return nullptr;
    }
    return detail::OpenSqlite(d.file, t.database, true, false);
}

std::mutex& values_mutex() {
    static std::mutex m;
    return m;
}

std::map<std::string, ConnectionText>& registered() {
    static std::map<std::string, ConnectionText> m;
    return m;
}

std::optional<ConnectionText> registered_values(const std::string& key) {
    std::lock_guard lock(values_mutex());
    auto it = registered().find(key);
    if (it == registered().end()) return std::nullopt;
    return it->second;
}

}  // namespace

bool CreateEmbeddedDatabase(std::string_view connection_text) {
    const std::string key = clip(connection_text);
    std::optional<ConnectionText> text = registered_values(key);
    if (!text) text = ParseConnectionText(key);
    if (!text || !text->embedded()) {
        SetDriverError("", "", "not a database of the embedded store: " + key);
        return false;
    }
    return CreateEmbeddedDatabase(*text);
}

void SetConnectionValues(std::string_view connection_text, const ConnectionText& values) {
    std::lock_guard lock(values_mutex());
    registered()[clip(connection_text)] = values;
}

std::shared_ptr<Connection> ConnectionFor(std::string_view connection_text) {
    const std::string key = clip(connection_text);
    auto& cache = thread_connections();
    const pid_t pid = getpid();
    if (auto it = cache.find(key); it != cache.end()) {
        if (it->second.pid == pid) return it->second.conn;
        // Inherited through fork: the parent's connection must not be used nor closed here.
        new std::shared_ptr<Connection>(std::move(it->second.conn));
        cache.erase(it);
    }
    std::optional<ConnectionText> text = registered_values(key);
    if (!text) text = ParseConnectionText(key);
    if (!text) {
        SetDriverError("", "", "invalid connection text (server,database,user,password expected)");
        return nullptr;
    }
    auto conn = connect(*text);
    if (conn) cache[key] = Cached{pid, conn};
    return conn;
}

void CloseThreadConnections() {
    auto& cache = thread_connections();
    const pid_t pid = getpid();
    for (auto& [key, c] : cache)
        if (c.pid != pid) new std::shared_ptr<Connection>(std::move(c.conn));
    cache.clear();
}

void CloseThreadConnection(std::string_view connection_text) {
    auto& cache = thread_connections();
    auto it = cache.find(clip(connection_text));
    if (it == cache.end()) return;
    if (it->second.pid != getpid()) new std::shared_ptr<Connection>(std::move(it->second.conn));
    cache.erase(it);
}

}  // namespace rt::sql
