// The built-in storage drivers behind table structures.
#pragma once

#include <memory>

#include "platform/files/file.h"

namespace rt {

// SQL tables: the embedded store or SQL Server, chosen by the owner's connection text.
std::unique_ptr<FileDriver> MakeSqlDriver(File& file);
// Fixed-length-record files ("..\MBASE.DAT", the previous program's .DAT files).
std::unique_ptr<FileDriver> MakeFlatDriver(File& file);
// Keyed files ("Formats.FDB", the previous program's clauses file).
std::unique_ptr<FileDriver> MakeKeyedDriver(File& file);

}  // namespace rt
