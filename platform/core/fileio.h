// Whole-file input and output that never leaves a half-written file, and the lock of a
// file between the processes and threads that rewrite it.
#pragma once

#include <chrono>
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
// errno-style code. The temporary file is "NAME.~PID-..." with a name no other writer
// uses; the caller holds the file's FileLock, under which a copy that a writer left when
// it died is removed.
int write_atomically(const std::string& path, std::string_view bytes, bool create_new, FileSig& sig);
inline int write_atomically(const std::string& path, std::string_view bytes) {
    FileSig ignored;
    return write_atomically(path, bytes, false, ignored);
}

// The process-wide lock of one file, whatever the spelling of its path.
std::shared_ptr<std::mutex> lock_for(const std::string& path);

// The lock of one file between processes and threads, held from construction to
// destruction: the file's process-wide lock (lock_for) and an exclusive lock on the lock
// file "NAME.lck" beside it, which stays in place (removing it would let two holders in).
// A writer takes it before it reads the file it rewrites and keeps it until the new file
// is in place, so that no process writes over what another wrote meanwhile. When it is
// taken, the temporary copies of the file left by writers that died before their rename
// are removed (those of a process that no longer runs or of this one, and any older than
// a minute). A process that dies lets its lock go.
class FileLock {
public:
    static constexpr std::chrono::milliseconds kDefaultWait{10000};
    explicit FileLock(const std::string& path, std::chrono::milliseconds wait = kDefaultWait);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    // 0 while held; else errno-style: ETIMEDOUT when another process kept it for the
    // whole wait, or why the lock file could not be opened.
    int error() const { return error_; }
    explicit operator bool() const { return error_ == 0; }

private:
    std::shared_ptr<std::mutex> mutex_;
    std::unique_lock<std::mutex> guard_;
    int fd_ = -1;
    void* handle_ = nullptr;
    int error_ = 0;
};

// The name of the lock file of `path`.
std::string lock_file_of(const std::string& path);

}  // namespace rt
