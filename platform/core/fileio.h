// Whole-file input and output that never leaves a half-written file, and one lock per
// file for the whole process.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace rt {

// What identifies one version of a file on disk: a rewrite makes a new file (another
// inode), and a change in place changes size or modification time.
struct FileSig {
    bool valid = false;
    std::uint64_t dev = 0, ino = 0, size = 0;
    std::int64_t mtime_ns = 0;
    bool operator==(const FileSig&) const = default;
};

// The signature of the file at `path`; errno-style code (0, ENOENT, ...).
int stat_file(const std::string& path, FileSig& sig);
// Reads the whole file with the signature of what was read; errno-style code.
int read_file(const std::string& path, std::string& bytes, FileSig& sig);
// Writes `bytes` to a temporary file beside `path`, flushes and syncs it and moves it into
// place, then syncs the folder: a write cut off at any moment leaves the old file or the
// new one, never a part of either. With `create_new` the file is put in place only when
// none exists yet (EEXIST otherwise). `sig` receives the new file's signature.
// errno-style code.
int write_atomically(const std::string& path, std::string_view bytes, bool create_new, FileSig& sig);
inline int write_atomically(const std::string& path, std::string_view bytes) {
    FileSig ignored;
    return write_atomically(path, bytes, false, ignored);
}

// The process-wide lock of one file, whatever the spelling of its path.
std::shared_ptr<std::mutex> lock_for(const std::string& path);

}  // namespace rt
