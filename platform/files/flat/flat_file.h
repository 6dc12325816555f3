// Fixed-length-record files: the firms list "..\MBASE.DAT" (encrypted) and the previous
// program's .DAT files. The table structures reach them through MakeFlatDriver(); this
// header adds what tests and the demo set-up need besides.
//
// File format (all numbers little-endian):
//
//   offset  size  content
//        0     8  magic text "KVDFLAT" and a NUL
//        8     2  format version, 1
//       10     2  flags: bit 0 set when the records are sealed (encrypted); other bits 0
//       12     4  record length in bytes
//       16     4  record count
//       20     4  PBKDF2 iteration count (0 in a clear file)
//       24    16  salt of the key derivation (zeros in a clear file)
//       40    12  AES-GCM initialisation vector (zeros in a clear file)
//       52        the records, count x length bytes, in physical order
//
// A sealed file holds the records as one AES-256-GCM block of the same length followed
// by its 16-byte tag. The key is PBKDF2-HMAC-SHA256 of the owner password with the salt;
// the 52 header bytes are authenticated with the records, and every write takes a fresh
// IV. A file is sound only when its size is exactly what the header says and, when
// sealed, the tag matches; anything else is a damaged file that is never rewritten.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/files/layout.h"

namespace rt {

// Writes a complete flat file at the native `path` (taken as it is: no ".DAT" is added)
// with `records` in physical order, each of layout.record_size bytes, stored as they are
// (no code-page conversion). A non-empty `password` seals the records. The file is
// replaced atomically. Returns kNoError, or kInvalidRecord for a record of the wrong
// size, kPathNotFound, kAccessDenied or kDriverError when the file cannot be written.
int WriteFlatFile(std::string_view path, const RecordLayout& layout, const std::vector<std::string>& records,
                  std::string_view password = {});

// Why this thread's last flat-file operation failed with kInvalidDataFile: which file,
// and that it is damaged or not a data file of its table, with the check that failed.
// Empty when the last flat-file operation did not fail that way.
std::string FlatFileError();

}  // namespace rt
