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

bool truthy(std::string_view v) {
    const std::string u = upper(trim(v));
    return u == "TRUE" || u == "YES" || u == "1" || u == "SSPI";
}

std::string braced(std::string_view v) {
    std::string out = "{";
    for (char c : v) {
        out += c;
        if (c == '}') out += '}';
    }
    out += '}';
    return out;
}

bool contains_nocase(std::string_view hay, std::string_view needle) {
    return upper(hay).find(upper(needle)) != std::string::npos;
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

std::optional<std::string> OdbcConnectionString(const ConnectionText& t, std::string_view driver) {
    const bool sqlite = contains_nocase(driver, "sqlite");
    std::string s = "DRIVER=" + braced(driver) + ";SERVER=" + braced(t.server) + ";DATABASE=";
    if (sqlite) {
        // The SQLite driver takes its own attributes unbraced.
        if (t.database.empty() || t.database.find_first_of(";{}") != std::string::npos ||
            trim(t.database) != t.database)
            return std::nullopt;
        s += t.database;
    } else {
        s += braced(t.database);
    }
    auto it = t.options.find("TRUSTEDCONNECTION");
    if (it != t.options.end() && truthy(it->second)) {
        s += ";Trusted_Connection={Yes}";
    } else {
        s += ";UID=" + braced(t.user) + ";PWD=" + braced(t.password);
    }
    if (contains_nocase(driver, "tds")) s += ";ClientCharset={UTF-8}";
    return s;
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
    const std::string& db = t.database;
    if (db.empty() || db == "." || db == ".." || db.find_first_of("/\\") != std::string::npos) {
        SetDriverError("", "", "invalid database name \"" + db + "\"");
        return nullptr;
    }
    const std::string path = (std::filesystem::path(LocalDbFolder(t.instance())) / (db + ".sqlite")).string();
    return detail::OpenSqlite(path, db, true, true);
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
