#include "platform/files/flat/flat_format.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include "platform/files/file.h"

#if defined(_WIN32)
#include <fstream>
#include <process.h>
#define KV_FLAT_POSIX 0
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#define KV_FLAT_POSIX 1
#endif

namespace rt::flat {
namespace fs = std::filesystem;
namespace {

constexpr char kMagic[8] = {'K', 'V', 'D', 'F', 'L', 'A', 'T', '\0'};
constexpr std::uint16_t kVersion = 1;
constexpr std::uint16_t kFlagSealed = 1;
constexpr std::size_t kIvSize = 12;
constexpr std::size_t kOffVersion = 8, kOffFlags = 10, kOffLength = 12, kOffCount = 16,
                      kOffIterations = 20, kOffSalt = 24, kOffIv = 40;

std::uint32_t get_le(std::string_view b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

void put_le(std::string& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

struct CipherCtx {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    ~CipherCtx() { EVP_CIPHER_CTX_free(ctx); }
};

// EVP takes int lengths: longer data goes in pieces.
template <typename Update>
bool run_in_pieces(const unsigned char* in, std::size_t n, unsigned char* out, Update update) {
    constexpr std::size_t kPiece = std::size_t{1} << 30;
    while (n > 0) {
        int len = static_cast<int>(n < kPiece ? n : kPiece);
        int written = 0;
        if (update(out, &written, in, len) != 1) return false;
        in += len;
        out += written;
        n -= static_cast<std::size_t>(len);
    }
    return true;
}

const unsigned char* uc(const char* p) { return reinterpret_cast<const unsigned char*>(p); }
unsigned char* uc(char* p) { return reinterpret_cast<unsigned char*>(p); }

}  // namespace

KeyCache::~KeyCache() {
    OPENSSL_cleanse(key_.data(), key_.size());
    if (!password_.empty()) OPENSSL_cleanse(password_.data(), password_.size());
}

bool KeyCache::derive(std::string_view password, const Salt& salt, std::uint32_t iterations, Key& key) {
    if (!(valid_ && password_ == password && salt_ == salt && iterations_ == iterations)) {
        valid_ = false;
        if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                              static_cast<int>(salt.size()), static_cast<int>(iterations), EVP_sha256(),
                              static_cast<int>(key_.size()), key_.data()) != 1)
            return false;
        password_ = password;
        salt_ = salt;
        iterations_ = iterations;
        valid_ = true;
    }
    key = key_;
    return true;
}

bool new_sealing(Sealing& s) {
    s.sealed = true;
    s.iterations = kIterations;
    return RAND_bytes(s.salt.data(), static_cast<int>(s.salt.size())) == 1;
}

std::string decode(std::string_view bytes, std::size_t record_size, bool expect_sealed,
                   std::string_view password, KeyCache& keys, std::vector<std::string>& records,
                   Sealing& sealing) {
    if (bytes.size() < kHeaderSize)
        return "the file is shorter than its header (" + std::to_string(bytes.size()) + " bytes)";
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) return "the file does not start with the flat-file mark";
    const std::uint32_t version = get_le(bytes, kOffVersion, 2);
    if (version != kVersion) return "format version " + std::to_string(version) + " is not known";
    const std::uint32_t flags = get_le(bytes, kOffFlags, 2);
    if (flags & ~std::uint32_t{kFlagSealed}) return "the header has unknown flags";
    const std::uint32_t length = get_le(bytes, kOffLength, 4);
    if (length != record_size)
        return "its records have " + std::to_string(length) + " bytes where the table has " +
               std::to_string(record_size);
    const bool sealed = (flags & kFlagSealed) != 0;
    if (sealed != expect_sealed)
        return sealed ? "the file is encrypted where the table is kept in clear"
                      : "the file is not encrypted";
    const std::uint64_t count = get_le(bytes, kOffCount, 4);
    const std::uint64_t expected = kHeaderSize + count * length + (sealed ? kTagSize : 0);
    if (bytes.size() != expected)
        return "the file has " + std::to_string(bytes.size()) + " bytes where its header makes " +
               std::to_string(expected) + " (truncated or extended)";

    std::string plain;
    const std::string_view body = bytes.substr(kHeaderSize, count * length);
    if (sealed) {
        sealing.sealed = true;
        sealing.iterations = get_le(bytes, kOffIterations, 4);
        std::memcpy(sealing.salt.data(), bytes.data() + kOffSalt, sealing.salt.size());
        if (sealing.iterations < 1 || sealing.iterations > kMaxIterations)
            return "the header has an impossible key derivation count";
        Key key;
        if (!keys.derive(password, sealing.salt, sealing.iterations, key)) return "the key derivation failed";
        plain.resize(body.size());
        CipherCtx c;
        unsigned char tag[kTagSize];
        std::memcpy(tag, bytes.data() + kHeaderSize + body.size(), kTagSize);
        int n = 0;
        bool ok = c.ctx && EVP_DecryptInit_ex(c.ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
                  EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kIvSize), nullptr) == 1 &&
                  EVP_DecryptInit_ex(c.ctx, nullptr, nullptr, key.data(), uc(bytes.data() + kOffIv)) == 1 &&
                  EVP_DecryptUpdate(c.ctx, nullptr, &n, uc(bytes.data()), static_cast<int>(kHeaderSize)) == 1 &&
                  run_in_pieces(uc(body.data()), body.size(), uc(plain.data()),
                                [&](unsigned char* o, int* w, const unsigned char* i, int l) {
                                    return EVP_DecryptUpdate(c.ctx, o, w, i, l);
                                }) &&
                  EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_TAG, static_cast<int>(kTagSize), tag) == 1 &&
                  EVP_DecryptFinal_ex(c.ctx, uc(plain.data()) + plain.size(), &n) == 1;
        OPENSSL_cleanse(key.data(), key.size());
        if (!ok) {
            OPENSSL_cleanse(plain.data(), plain.size());
            return "its contents fail their check (a wrong password, or the file was altered)";
        }
    } else {
        sealing = Sealing{};
        plain.assign(body);
    }
    records.clear();
    records.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) records.emplace_back(plain, i * length, length);
    if (sealed) OPENSSL_cleanse(plain.data(), plain.size());
    return {};
}

std::string encode(const std::vector<std::string>& records, std::size_t record_size,
                   const Sealing& sealing, std::string_view password, KeyCache& keys, std::string& bytes) {
    if (records.size() > 0xFFFFFFFFu || record_size > 0xFFFFFFFFu) return "too many records for one file";
    std::string header(kHeaderSize, '\0');
    std::memcpy(header.data(), kMagic, sizeof kMagic);
    put_le(header, kOffVersion, kVersion, 2);
    put_le(header, kOffFlags, sealing.sealed ? kFlagSealed : 0, 2);
    put_le(header, kOffLength, static_cast<std::uint32_t>(record_size), 4);
    put_le(header, kOffCount, static_cast<std::uint32_t>(records.size()), 4);
    const std::size_t body = records.size() * record_size;
    bytes = header;
    bytes.reserve(kHeaderSize + body + kTagSize);
    if (!sealing.sealed) {
        for (const auto& r : records) bytes += r;
        return {};
    }
    put_le(bytes, kOffIterations, sealing.iterations, 4);
    std::memcpy(bytes.data() + kOffSalt, sealing.salt.data(), sealing.salt.size());
    if (RAND_bytes(uc(bytes.data() + kOffIv), static_cast<int>(kIvSize)) != 1) return "no random bytes for the IV";
    std::string plain;
    plain.reserve(body);
    for (const auto& r : records) plain += r;
    Key key;
    if (!keys.derive(password, sealing.salt, sealing.iterations, key)) return "the key derivation failed";
    bytes.resize(kHeaderSize + body + kTagSize);
    CipherCtx c;
    int n = 0;
    unsigned char* out = uc(bytes.data() + kHeaderSize);
    bool ok = c.ctx && EVP_EncryptInit_ex(c.ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
              EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_SET_IVLEN, static_cast<int>(kIvSize), nullptr) == 1 &&
              EVP_EncryptInit_ex(c.ctx, nullptr, nullptr, key.data(), uc(bytes.data() + kOffIv)) == 1 &&
              EVP_EncryptUpdate(c.ctx, nullptr, &n, uc(bytes.data()), static_cast<int>(kHeaderSize)) == 1 &&
              run_in_pieces(uc(plain.data()), body, out,
                            [&](unsigned char* o, int* w, const unsigned char* i, int l) {
                                return EVP_EncryptUpdate(c.ctx, o, w, i, l);
                            }) &&
              EVP_EncryptFinal_ex(c.ctx, out + body, &n) == 1 &&
              EVP_CIPHER_CTX_ctrl(c.ctx, EVP_CTRL_GCM_GET_TAG, static_cast<int>(kTagSize), out + body) == 1;
    OPENSSL_cleanse(key.data(), key.size());
    OPENSSL_cleanse(plain.data(), plain.size());
    return ok ? std::string() : std::string("the encryption failed");
}

#if KV_FLAT_POSIX

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
                err = ::stat(path.c_str(), &now) == 0                   ? EEXIST
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
           : ec == std::errc::permission_denied      ? EACCES
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

int error_code_for(int err) {
    switch (err) {
    case 0: return kNoError;
    case ENOENT: return kFileNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kAccessDenied;
    default: return kDriverError;
    }
}

}  // namespace rt::flat
