// Inside of the flat-file driver: the on-disk format (see flat_file.h), the key
// derivation and the atomic file replacement.
#pragma once

#include "platform/core/fileio.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace rt::flat {

constexpr std::size_t kHeaderSize = 52;
constexpr std::size_t kTagSize = 16;
constexpr std::uint32_t kIterations = 100000;       // for files this program seals
constexpr std::uint32_t kMaxIterations = 10000000;  // a header asking for more is damaged

using Salt = std::array<unsigned char, 16>;
using Key = std::array<unsigned char, 32>;

// The derived key of one password and salt, kept so that rereading and rewriting a file
// does not run the key derivation again. Wiped on destruction.
class KeyCache {
public:
    KeyCache() = default;
    KeyCache(const KeyCache&) = delete;
    KeyCache& operator=(const KeyCache&) = delete;
    ~KeyCache();
    // False when the derivation fails (out of memory in the crypto library).
    bool derive(std::string_view password, const Salt& salt, std::uint32_t iterations, Key& key);

private:
    bool valid_ = false;
    std::string password_;
    Salt salt_{};
    std::uint32_t iterations_ = 0;
    Key key_{};
};

// Sealing of a file: the salt and iteration count it was (or will be) written with.
struct Sealing {
    bool sealed = false;
    Salt salt{};
    std::uint32_t iterations = 0;
};

// A fresh random salt with this program's iteration count; false when the system gives
// no random bytes.
bool new_sealing(Sealing& s);

// Checks and reads the bytes of a whole file: on success `records` holds the records
// (each record_size bytes) and `sealing` how the file was sealed; `expect_sealed` and the
// password must match the file. Returns "" when sound, else the check that failed.
std::string decode(std::string_view bytes, std::size_t record_size, bool expect_sealed,
                   std::string_view password, KeyCache& keys, std::vector<std::string>& records,
                   Sealing& sealing);

// The bytes of a whole file. Returns "" on success, else what failed.
std::string encode(const std::vector<std::string>& records, std::size_t record_size, const Sealing& sealing,
                   std::string_view password, KeyCache& keys, std::string& bytes);

// File input and output (FileSig, stat_file, read_file, write_atomically, FileLock) are
// the platform's (platform/core/fileio.h).
using rt::FileLock;
using rt::FileSig;
using rt::read_file;
using rt::stat_file;
using rt::write_atomically;

// errno code to the runtime's error code for opening or writing a file.
int error_code_for(int err);

}  // namespace rt::flat
