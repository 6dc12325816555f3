// The table driver of the SQL store, shared by SQL tables and keyed files: where its table
// lives is given by a source (a connection and a table name, read at each open).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"

namespace rt::sql {

struct TableSource {
    // The table's connection; nullptr with the error state set when it cannot connect.
    std::function<std::shared_ptr<Connection>()> connect;
    // The table's SQL name (unquoted).
    std::function<std::string()> table;
};

std::unique_ptr<FileDriver> MakeTableDriver(File& file, TableSource source);

// For a table structure on a table driver: its connection (connecting when needed) and
// its SQL table name; nullptr and "" for a structure on another driver.
std::shared_ptr<Connection> DriverConnection(File& file);
std::string DriverTableName(File& file);

}  // namespace rt::sql
