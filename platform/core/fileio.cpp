#include "platform/core/fileio.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <map>

#if defined(_WIN32)
#include <process.h>
#include <fstream>
#define KV_FILEIO_POSIX 0
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define KV_FILEIO_POSIX 1
#endif

namespace rt {
namespace fs = std::filesystem;

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
    static std::atomic<unsigned> counter{0};
    const std::string tmp = path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
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
           : ec == std::errc::permission_denied       ? EACCES
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
    static std::atomic<unsigned> counter{0};
    const std::string tmp = path + ".~" + std::to_string(::_getpid()) + "-" + std::to_string(++counter);
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

}  // namespace rt
