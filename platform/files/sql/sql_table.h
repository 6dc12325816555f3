// What the views and other SQL users need of a table structure on the SQL driver: its
// connection, its SQL name, and the conversion of fields to and from statements.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/file.h"
#include "platform/files/sql/connection.h"

namespace rt::sql {

// The connection of a table structure on the SQL driver (opened when needed); nullptr for
// a structure on another driver, or when it cannot connect (the error state says why).
std::shared_ptr<Connection> ConnectionOf(File& file);
// The table's name as SQL text in the connection's dialect, quoted.
std::string QuotedTableName(File& file);
// An identifier quoted in the dialect ("BROJ" -> "BROJ" in double quotes or brackets).
std::string QuoteIdent(Dialect dialect, std::string_view name);
// SQL Server's collations: texts that compare without case, in the order of the Serbian
// Latin alphabet (C < Č < Ć < D < Dž < Đ ... S < Š ... Z < Ž) as the embedded store orders
// them, and exact comparisons by code point.
inline constexpr char kNocaseCollation[] = "Serbian_Latin_100_CI_AS";
inline constexpr char kExactCollation[] = "Serbian_Latin_100_BIN2";
// The collation clause of case-insensitive comparisons (" COLLATE KVCI" on SQLite).
std::string CollateClause(Dialect dialect);
// The collation clause of comparisons by the characters themselves (case and accents
// count): " COLLATE BINARY" on SQLite, the exact collation on SQL Server (for Unicode
// operands, so that no code page stands between the values).
std::string BinaryCollateClause(Dialect dialect);
// The most characters a text field holds (CSTRING(n): n - 1, STRING(n): n); the width of
// its column and of its parameters.
std::size_t TextWidth(const FieldDef& field);
// Binds one field's value from a record as parameter `param` (array fields: element
// `element`).
void BindField(Statement& st, int param, const FieldDef& field, const unsigned char* record,
               std::size_t element = 0);
// Reads column `col` into the field of a record (NULL reads as empty or 0; texts cut or
// blank-padded to the field). A value the field cannot hold (a number past the range of
// its type, a text longer than its width once trailing blanks are dropped) is noted in
// this thread's ReadNotes.
void ReadField(Statement& st, int col, const FieldDef& field, unsigned char* record, std::size_t element = 0);

// A value of a stored row that its field could not hold: the field's name and the number
// as stored, or for a text its length. The field holds the value cut to it.
struct UnheldValue {
    std::string field;
    std::int64_t value = 0;
    bool text = false;
    bool operator==(const UnheldValue&) const = default;
};
// The notes ReadField made on this thread since they were last cleared (the first 64).
std::vector<UnheldValue>& ReadNotes();
void NoteUnheld(UnheldValue value);
// The values of the record the table driver last delivered on this thread that their
// fields could not hold; empty when every value fitted.
const std::vector<UnheldValue>& UnheldValues();
void SetUnheldValues(std::vector<UnheldValue> values);
// The columns of a layout as a select list, qualified with `alias` when not empty; array
// fields give one column per element (NAME_1, NAME_2, ...); group fields give none.
std::string SelectList(Dialect dialect, const RecordLayout& layout, std::string_view alias = {});
// Reads a row's columns, from column `first` on, into a record in SelectList's order;
// returns the number of columns read.
int ReadRecord(Statement& st, int first, const RecordLayout& layout, unsigned char* record);

}  // namespace rt::sql
