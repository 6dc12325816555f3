// The SOCI sqlite3 session behind a SQLite connection. Kept apart: SOCI's header puts the
// SQLite API into a namespace of its own, so the native handle leaves here as void*.
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

#include "platform/files/sql/connection_impl.h"

namespace rt::sql::detail {

SociSqlite OpenSociSqlite(const std::string& path) {
    // SOCI reads a text without '=' as the file name itself; with one, the name is quoted.
    std::string params = path.find('=') == std::string::npos ? path : "db=\"" + path + "\"";
    auto session = std::make_shared<soci::session>(soci::sqlite3, params);
    auto* backend = static_cast<soci::sqlite3_session_backend*>(session->get_backend());
    SociSqlite s;
    s.handle = backend->conn_;
    s.session = std::move(session);
    return s;
}

}  // namespace rt::sql::detail
