// Keyed files: a SQLite file at the file's native path holding one table named after the
// record's prefix, served by the table driver of the SQL store. The file is created when
// missing (its folder must exist).
#include <filesystem>

#include "platform/core/path.h"
#include "platform/files/drivers.h"
#include "platform/files/sql/sql_driver.h"

namespace rt {

std::unique_ptr<FileDriver> MakeKeyedDriver(File& file) {
    sql::TableSource src;
    src.connect = [&file]() -> std::shared_ptr<sql::Connection> {
        std::string path = native_path(file.Name());
        // A file the program never creates (the previous program's) is found whatever the
        // case of its name on disk.
        if (!file.def().create) path = existing_path_nocase(path);
        std::error_code ec;
        if (!std::filesystem::exists(path, ec) && !file.def().create) {
            SetError(kFileNotFound, file.Label());
            return nullptr;
        }
        return sql::OpenSqliteFile(path, false);
    };
    src.table = [&file] { return file.layout().prefix; };
    return sql::MakeTableDriver(file, std::move(src));
}

}  // namespace rt
