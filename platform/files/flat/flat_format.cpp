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
#include <process.h>
#include <fstream>
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
constexpr std::size_t kOffVersion = 8, kOffFlags = 10, kOffLength = 12, kOffCount = 16, kOffIterations = 20,
                      kOffSalt = 24, kOffIv = 40;

std::uint32_t get_le(std::string_view b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}

void put_le(std::string& b, std::size_t at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
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
    if (std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
        return "the file does not start with the flat-file mark";
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
        bool ok =
            c.ctx && EVP_DecryptInit_ex(c.ctx, EVP_aes_256_gcm(), nullptr, nullptr, nullptr) == 1 &&
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

std::string encode(const std::vector<std::string>& records, std::size_t record_size, const Sealing& sealing,
                   std::string_view password, KeyCache& keys, std::string& bytes) {
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
    if (RAND_bytes(uc(bytes.data() + kOffIv), static_cast<int>(kIvSize)) != 1)
        return "no random bytes for the IV";
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
