#include "platform/core/fileio.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <process.h>
#include <windows.h>
#include <fstream>
#define KV_FILEIO_POSIX 0
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#define KV_FILEIO_POSIX 1
#endif

namespace rt {
namespace fs = std::filesystem;

namespace {

long own_pid() {
#if KV_FILEIO_POSIX
    return static_cast<long>(::getpid());
#else
    return static_cast<long>(::_getpid());
#endif
}

// A temporary name beside `path` that no other writer uses: the process id (so that a
// copy can be told from the living), a count and random bits (a later process with the
// same id does not meet the names of an earlier one).
std::string temporary_name(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    thread_local std::mt19937_64 rng{
        (static_cast<std::uint64_t>(std::random_device{}()) << 32) ^
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        static_cast<std::uint64_t>(own_pid())};
    char tail[64];
    std::snprintf(tail, sizeof tail, ".~%ld-%u-%016llx", own_pid(), ++counter,
                  static_cast<unsigned long long>(rng()));
    return path + tail;
}

// Whether the process of that id has ended (on this machine; an id it does not know is
// taken as ended).
bool process_gone(long pid) {
#if KV_FILEIO_POSIX
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
#else
    (void)pid;
    return false;
#endif
}

constexpr auto kStaleAge = std::chrono::minutes(1);

// The temporary copies of `path` that no writer is at (the caller holds the file's lock).
void remove_stale_copies(const std::string& path) {
    const fs::path p(path);
    const fs::path dir = p.has_parent_path() ? p.parent_path() : fs::path(".");
    const std::string prefix = p.filename().string() + ".~";
    std::error_code ec;
    fs::directory_iterator it(dir, ec), end;
    if (ec) return;
    const auto now = fs::file_time_type::clock::now();
    for (; it != end; it.increment(ec)) {
        if (ec) return;
        const std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        char* after = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &after, 10);
        if (!after || *after != '-') continue;  // not one of ours
        std::error_code tec;
        const auto written = fs::last_write_time(it->path(), tec);
        const bool old = !tec && now - written > kStaleAge;
        if (pid == own_pid() || process_gone(pid) || old) fs::remove(it->path(), tec);
    }
}

}  // namespace

std::string lock_file_of(const std::string& path) { return path + ".lck"; }

#if KV_FILEIO_POSIX

namespace {

FileSig sig_of(const struct stat& st) {
    FileSig s;
    s.valid = true;
    s.dev = static_cast<std::uint64_t>(st.st_dev);
    s.ino = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::uint64_t>(st.st_size);
    s.mtime_ns = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return s;
}

bool write_all(int fd, std::string_view bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

void sync_folder(const std::string& path) {
    fs::path dir = fs::path(path).parent_path();
    int dfd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
}

}  // namespace

int stat_file(const std::string& path, FileSig& sig) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno;
    sig = sig_of(st);
    return 0;
}

int read_file(const std::string& path, std::string& bytes, FileSig& sig) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        int err = errno;
        ::close(fd);
        return err;
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        return EISDIR;
    }
    bytes.clear();
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            int err = errno;
            ::close(fd);
            return err;
        }
        if (n == 0) break;
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    sig = sig_of(st);
    return 0;
}

int write_atomically(const std::string& path, std::string_view bytes, bool create_new, FileSig& sig) {
    std::string tmp;
    int fd = -1;
    for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
        tmp = temporary_name(path);
        fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return errno;
    }
    if (fd < 0) return EEXIST;
    struct stat old {};
    if (::stat(path.c_str(), &old) == 0) (void)::fchmod(fd, old.st_mode & 07777);
    int err = 0;
    struct stat st {};
    if (!write_all(fd, bytes) || ::fsync(fd) != 0 || ::fstat(fd, &st) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0) {
        if (create_new) {
            // link() fails when the name exists: a file another writer created first stays.
            if (::link(tmp.c_str(), path.c_str()) != 0) err = errno;
            if (err == EPERM || err == ENOTSUP || err == EOPNOTSUPP || err == EMLINK) {
                // A file system without hard links: take the name only while it is free.
                struct stat now {};
                err = ::stat(path.c_str(), &now) == 0            ? EEXIST
                      : ::rename(tmp.c_str(), path.c_str()) == 0 ? 0
                                                                 : errno;
            }
            ::unlink(tmp.c_str());
        } else if (::rename(tmp.c_str(), path.c_str()) != 0) {
            err = errno;
        }
    }
    if (err != 0) {
        ::unlink(tmp.c_str());
        return err;
    }
    sync_folder(path);
    sig = sig_of(st);
    return 0;
}

#else  // no POSIX: the standard library's files, without syncing

namespace {
FileSig sig_of(const std::string& path, std::error_code& ec) {
    FileSig s;
    auto size = fs::file_size(path, ec);
    if (ec) return s;
    auto t = fs::last_write_time(path, ec);
    if (ec) return s;
    s.valid = true;
    s.size = size;
    s.mtime_ns = std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
    return s;
}
int errno_of(const std::error_code& ec) {
    return ec == std::errc::no_such_file_or_directory ? ENOENT
           : ec == std::errc::permission_denied ? EACCES
                                                : EIO;
}
}  // namespace

int stat_file(const std::string& path, FileSig& sig) {
    std::error_code ec;
    sig = sig_of(path, ec);
    return ec ? errno_of(ec) : 0;
}

int read_file(const std::string& path, std::string& bytes, FileSig& sig) {
    std::error_code ec;
    sig = sig_of(path, ec);
    if (ec) return errno_of(ec);
    std::ifstream in(path, std::ios::binary);
    if (!in) return EACCES;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? EIO : 0;
}

int write_atomically(const std::string& path, std::string_view bytes, bool create_new, FileSig& sig) {
    const std::string tmp = temporary_name(path);
    std::error_code ec;
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            fs::remove(tmp, ec);
            return EIO;
        }
    }
    if (create_new && fs::exists(path, ec)) {
        fs::remove(tmp, ec);
        return EEXIST;
    }
    fs::rename(tmp, path, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(tmp, ignored);
        return errno_of(ec);
    }
    sig = sig_of(path, ec);
    return 0;
}

#endif

std::shared_ptr<std::mutex> lock_for(const std::string& path) {
    static std::mutex registry_mutex;
    static std::map<std::string, std::weak_ptr<std::mutex>> registry;
    std::error_code ec;
    fs::path key = fs::absolute(path, ec);
    if (!ec) key = fs::weakly_canonical(key, ec);
    if (ec) key = path;
    std::lock_guard guard(registry_mutex);
    for (auto it = registry.begin(); it != registry.end();)
        it = it->second.expired() ? registry.erase(it) : std::next(it);
    std::weak_ptr<std::mutex>& slot = registry[key.string()];
    std::shared_ptr<std::mutex> lock = slot.lock();
    if (!lock) {
        lock = std::make_shared<std::mutex>();
        slot = lock;
    }
    return lock;
}

FileLock::FileLock(const std::string& path, std::chrono::milliseconds wait)
    : mutex_(lock_for(path)), guard_(*mutex_) {
    const std::string name = lock_file_of(path);
    const auto deadline = std::chrono::steady_clock::now() + wait;
    thread_local std::minstd_rand rng{std::random_device{}()};
    auto pause = [] { std::this_thread::sleep_for(std::chrono::milliseconds(1 + rng() % 8)); };
#if KV_FILEIO_POSIX
    fd_ = ::open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EACCES || errno == EROFS)) fd_ = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        guard_.unlock();
        return;
    }
    for (;;) {
        if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) break;
        const int err = errno;
        if (err == EINTR) continue;
        if (err != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline) {
            error_ = err == EWOULDBLOCK ? ETIMEDOUT : err;
            ::close(fd_);
            fd_ = -1;
            guard_.unlock();
            return;
        }
        pause();
    }
#else
    HANDLE h = ::CreateFileW(fs::path(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error_ = EACCES;
        guard_.unlock();
        return;
    }
    for (;;) {
        OVERLAPPED ov{};
        if (::LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &ov)) break;
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = ETIMEDOUT;
            ::CloseHandle(h);
            guard_.unlock();
            return;
        }
        pause();
    }
    handle_ = h;
#endif
    remove_stale_copies(path);
}

FileLock::~FileLock() {
#if KV_FILEIO_POSIX
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }
#else
    if (handle_) {
        OVERLAPPED ov{};
        ::UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &ov);
        ::CloseHandle(static_cast<HANDLE>(handle_));
    }
#endif
}

}  // namespace rt
