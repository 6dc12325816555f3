// The TDS test server: one thread accepts, one thread per client reads a message, records
// it and answers it. Messages are TDS packets of an 8-byte header (type, status, length,
// ...) joined until the end-of-message status; integers are little-endian except the
// packet header's length and the login acknowledgement's version.
#include "tests/tds/tds_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace kvtest::tds {
namespace {

enum : std::uint8_t {
    kBatch = 0x01,
    kRpc = 0x03,
    kReply = 0x04,
    kAttention = 0x06,
    kTransaction = 0x0E,
    kLogin7 = 0x10,
    kPreLogin = 0x12,
};

enum : std::uint8_t {
    kTypeInt1 = 0x30,
    kTypeBit = 0x32,
    kTypeInt2 = 0x34,
    kTypeInt4 = 0x38,
    kTypeFlt4 = 0x3B,
    kTypeFlt8 = 0x3E,
    kTypeInt8 = 0x7F,
    kTypeIntN = 0x26,
    kTypeBitN = 0x68,
    kTypeFltN = 0x6D,
    kTypeText = 0x23,
    kTypeNText = 0x63,
    kTypeImage = 0x22,
    kTypeVarChar = 0xA7,
    kTypeChar = 0xAF,
    kTypeNVarChar = 0xE7,
    kTypeNChar = 0xEF,
    kTypeVarBinary = 0xA5,
    kTypeBinary = 0xAD,
};

const std::uint8_t kCollation[5] = {0x09, 0x04, 0xD0, 0x00, 0x34};

// UTF-16LE bytes to UTF-8 and back.
std::string from_utf16(const std::uint8_t* p, std::size_t bytes) {
    std::string out;
    for (std::size_t i = 0; i + 1 < bytes; i += 2) {
        std::uint32_t c = p[i] | (p[i + 1] << 8);
        if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
            const std::uint32_t lo = p[i + 2] | (p[i + 3] << 8);
            c = 0x10000 + ((c - 0xD800) << 10) + (lo - 0xDC00);
            i += 2;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string to_utf16(std::string_view s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::uint32_t c = b;
        int extra = 0;
        if (b >= 0xF0) {
            c = b & 0x07;
            extra = 3;
        } else if (b >= 0xE0) {
            c = b & 0x0F;
            extra = 2;
        } else if (b >= 0xC0) {
            c = b & 0x1F;
            extra = 1;
        }
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i) c = (c << 6) | (s[i] & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

// Reading a message; a read past its end throws.
struct Reader {
    const std::vector<std::uint8_t>& b;
    std::size_t pos = 0;
    struct Short {};
    bool more() const { return pos < b.size(); }
    void need(std::size_t n) const {
        if (pos + n > b.size()) throw Short{};
    }
    std::uint8_t u8() {
        need(1);
        return b[pos++];
    }
    std::uint16_t u16() {
        need(2);
        const std::uint16_t v = static_cast<std::uint16_t>(b[pos] | (b[pos + 1] << 8));
        pos += 2;
        return v;
    }
    std::uint32_t u32() {
        need(4);
        std::uint32_t v = 0;
        for (int k = 3; k >= 0; --k) v = (v << 8) | b[pos + static_cast<std::size_t>(k)];
        pos += 4;
        return v;
    }
    std::uint64_t u64() {
        const std::uint64_t lo = u32();
        return lo | (static_cast<std::uint64_t>(u32()) << 32);
    }
    const std::uint8_t* take(std::size_t n) {
        need(n);
        const std::uint8_t* p = b.data() + pos;
        pos += n;
        return p;
    }
    std::string wide(std::size_t chars) { return from_utf16(take(chars * 2), chars * 2); }
    void skip_all_headers() {
        const std::size_t start = pos;
        const std::uint32_t total = u32();
        if (total < 4) throw Short{};
        need(total - 4);
        pos = start + total;
    }
};

// Building a message.
struct Writer {
    std::vector<std::uint8_t> b;
    void u8(unsigned v) { b.push_back(static_cast<std::uint8_t>(v)); }
    void u16(unsigned v) {
        u8(v & 0xFF);
        u8((v >> 8) & 0xFF);
    }
    void u32(std::uint32_t v) {
        for (int k = 0; k < 4; ++k) u8((v >> (8 * k)) & 0xFF);
    }
    void u64(std::uint64_t v) {
        u32(static_cast<std::uint32_t>(v));
        u32(static_cast<std::uint32_t>(v >> 32));
    }
    void bytes(const void* p, std::size_t n) {
        const auto* c = static_cast<const std::uint8_t*>(p);
        b.insert(b.end(), c, c + n);
    }
    void wide(std::string_view s) {
        for (char16_t c : to_utf16(s)) u16(c);
    }
    void b_varchar(std::string_view s) {  // one byte of length in characters
        u8(to_utf16(s).size());
        wide(s);
    }
    void us_varchar(std::string_view s) {  // two bytes of length in characters
        u16(static_cast<unsigned>(to_utf16(s).size()));
        wide(s);
    }
    // A token with a two-byte length of what `fill` writes.
    template <typename F>
    void sized(std::uint8_t token, F fill) {
        u8(token);
        const std::size_t at = b.size();
        u16(0);
        fill();
        const std::size_t n = b.size() - at - 2;
        b[at] = static_cast<std::uint8_t>(n & 0xFF);
        b[at + 1] = static_cast<std::uint8_t>(n >> 8);
    }
    void done(std::uint8_t token, unsigned status, std::uint64_t count) {
        u8(token);
        u16(status);
        u16(0);
        u64(count);
    }
    void envchange_text(std::uint8_t type, std::string_view now, std::string_view before) {
        sized(0xE3, [&] {
            u8(type);
            b_varchar(now);
            b_varchar(before);
        });
    }
};

constexpr unsigned kDoneMore = 0x01, kDoneError = 0x02, kDoneCount = 0x10, kDoneAttention = 0x20;

void put_error(Writer& w, const ServerError& e) {
    w.sized(0xAA, [&] {
        w.u32(static_cast<std::uint32_t>(e.number));
        w.u8(static_cast<unsigned>(e.state));
        w.u8(static_cast<unsigned>(e.severity));
        w.us_varchar(e.text);
        w.b_varchar("KVTDS");
        w.b_varchar("");
        w.u32(1);
    });
}

void put_result(Writer& w, const ResultSet& r) {
    w.u8(0x81);
    w.u16(static_cast<unsigned>(r.columns.size()));
    for (const Column& c : r.columns) {
        w.u32(0);
        w.u16(0x0001);  // nullable
        switch (c.type) {
            case ColumnType::Int:
                w.u8(kTypeIntN);
                w.u8(4);
                break;
            case ColumnType::BigInt:
                w.u8(kTypeIntN);
                w.u8(8);
                break;
            case ColumnType::Float:
                w.u8(kTypeFltN);
                w.u8(8);
                break;
            case ColumnType::NVarChar:
                w.u8(kTypeNVarChar);
                w.u16(8000);
                w.bytes(kCollation, sizeof kCollation);
                break;
        }
        w.b_varchar(c.name);
    }
    for (const auto& row : r.rows) {
        w.u8(0xD1);
        for (std::size_t i = 0; i < r.columns.size(); ++i) {
            const Cell cell = i < row.size() ? row[i] : Cell{};
            const ColumnType t = r.columns[i].type;
            if (std::holds_alternative<std::monostate>(cell)) {
                if (t == ColumnType::NVarChar)
                    w.u16(0xFFFF);
                else
                    w.u8(0);
                continue;
            }
            switch (t) {
                case ColumnType::Int:
                case ColumnType::BigInt: {
                    const std::int64_t v = std::holds_alternative<std::int64_t>(cell)
                                               ? std::get<std::int64_t>(cell)
                                               : static_cast<std::int64_t>(std::get<double>(cell));
                    if (t == ColumnType::Int) {
                        w.u8(4);
                        w.u32(static_cast<std::uint32_t>(v));
                    } else {
                        w.u8(8);
                        w.u64(static_cast<std::uint64_t>(v));
                    }
                    break;
                }
                case ColumnType::Float: {
                    const double v = std::holds_alternative<double>(cell)
                                         ? std::get<double>(cell)
                                         : static_cast<double>(std::get<std::int64_t>(cell));
                    w.u8(8);
                    w.bytes(&v, 8);
                    break;
                }
                case ColumnType::NVarChar: {
                    const std::string s = std::holds_alternative<std::string>(cell)
                                              ? std::get<std::string>(cell)
                                              : std::to_string(std::get<std::int64_t>(cell));
                    const std::u16string u = to_utf16(s);
                    w.u16(static_cast<unsigned>(u.size() * 2));
                    for (char16_t c : u) w.u16(c);
                    break;
                }
            }
        }
    }
}

// The answer of a statement, closed by `done` (DONE for a batch, DONEINPROC inside an RPC).
void put_reply(Writer& w, const Reply& r, std::uint8_t done, bool last) {
    const unsigned more = last ? 0 : kDoneMore;
    if (r.error) {
        put_error(w, *r.error);
        w.done(done, kDoneError | more, 0);
        return;
    }
    for (std::size_t i = 0; i < r.results.size(); ++i) {
        put_result(w, r.results[i]);
        const bool end = i + 1 == r.results.size();
        w.done(done, kDoneCount | (end ? more : kDoneMore), r.results[i].rows.size());
    }
    if (r.results.empty()) w.done(done, (r.count ? kDoneCount : 0) | more, r.count.value_or(0));
}

// One parameter of an RPC: name, status, type information and value.
Param read_param(Reader& in) {
    Param p;
    p.name = in.wide(in.u8());
    p.output = (in.u8() & 0x01) != 0;
    p.type = in.u8();
    auto integer = [&](const std::uint8_t* v, std::size_t n) {
        std::int64_t x = 0;
        for (std::size_t k = n; k-- > 0;) x = (x << 8) | v[k];
        if (n < 8 && n > 1 && (v[n - 1] & 0x80)) x -= std::int64_t{1} << (8 * n);  // sign
        p.i = x;
        p.null = false;
    };
    auto real = [&](const std::uint8_t* v, std::size_t n) {
        if (n == 8) {
            std::memcpy(&p.d, v, 8);
        } else {
            float f;
            std::memcpy(&f, v, 4);
            p.d = f;
        }
        p.null = false;
    };
    const bool wide = p.type == kTypeNVarChar || p.type == kTypeNChar || p.type == kTypeNText;
    auto text = [&](const std::uint8_t* v, std::size_t n) {
        p.text = wide ? from_utf16(v, n) : std::string(reinterpret_cast<const char*>(v), n);
        p.null = false;
    };
    switch (p.type) {
        case kTypeInt1:
            p.max_length = 1;
            integer(in.take(1), 1);
            break;
        case kTypeBit:
            p.max_length = 1;
            integer(in.take(1), 1);
            break;
        case kTypeInt2:
            p.max_length = 2;
            integer(in.take(2), 2);
            break;
        case kTypeInt4:
            p.max_length = 4;
            integer(in.take(4), 4);
            break;
        case kTypeInt8:
            p.max_length = 8;
            integer(in.take(8), 8);
            break;
        case kTypeFlt4:
            p.max_length = 4;
            real(in.take(4), 4);
            break;
        case kTypeFlt8:
            p.max_length = 8;
            real(in.take(8), 8);
            break;
        case kTypeIntN:
        case kTypeBitN:
        case kTypeFltN: {
            p.max_length = in.u8();
            const std::uint8_t n = in.u8();
            if (n == 0) break;
            const std::uint8_t* v = in.take(n);
            if (p.type == kTypeFltN)
                real(v, n);
            else
                integer(v, n);
            break;
        }
        case kTypeVarChar:
        case kTypeChar:
        case kTypeNVarChar:
        case kTypeNChar:
        case kTypeVarBinary:
        case kTypeBinary: {
            p.max_length = in.u16();
            if (p.type != kTypeVarBinary && p.type != kTypeBinary) in.take(5);  // collation
            if (p.max_length == 0xFFFF) {
                // Partially length-prefixed: a total length, then chunks until an empty one.
                if (in.u64() == ~std::uint64_t{0}) break;
                std::vector<std::uint8_t> all;
                for (std::uint32_t n; (n = in.u32()) != 0;) {
                    const std::uint8_t* v = in.take(n);
                    all.insert(all.end(), v, v + n);
                }
                text(all.data(), all.size());
            } else {
                const std::uint16_t n = in.u16();
                if (n != 0xFFFF) text(in.take(n), n);
            }
            break;
        }
        case kTypeText:
        case kTypeNText:
        case kTypeImage: {
            p.max_length = static_cast<int>(in.u32());
            if (p.type != kTypeImage) in.take(5);
            const std::uint32_t n = in.u32();
            if (n != 0xFFFFFFFFu) text(in.take(n), n);
            break;
        }
        default: throw Reader::Short{};  // a type these tests never send
    }
    return p;
}

const char* proc_name(std::uint16_t id) {
    switch (id) {
        case 10: return "sp_executesql";
        case 11: return "sp_prepare";
        case 12: return "sp_execute";
        case 13: return "sp_prepexec";
        case 15: return "sp_unprepare";
        default: return "sp_cursor";
    }
}

}  // namespace

std::string Param::TypeName() const {
    auto sized = [&](const char* name, int unit) {
        return std::string(name) + "(" +
               (max_length == 0xFFFF ? std::string("max") : std::to_string(max_length / unit)) + ")";
    };
    switch (type) {
        case kTypeNVarChar: return sized("nvarchar", 2);
        case kTypeNChar: return sized("nchar", 2);
        case kTypeVarChar: return sized("varchar", 1);
        case kTypeChar: return sized("char", 1);
        case kTypeNText: return "ntext";
        case kTypeText: return "text";
        case kTypeInt1: return "tinyint";
        case kTypeInt2: return "smallint";
        case kTypeInt4: return "int";
        case kTypeInt8: return "bigint";
        case kTypeFlt4: return "real";
        case kTypeFlt8: return "float";
        case kTypeBit:
        case kTypeBitN: return "bit";
        case kTypeIntN:
            return max_length == 1   ? "tinyint"
                   : max_length == 2 ? "smallint"
                   : max_length == 8 ? "bigint"
                                     : "int";
        case kTypeFltN: return max_length == 4 ? "real" : "float";
        default: return "type " + std::to_string(type);
    }
}

bool Param::Wide() const { return type == kTypeNVarChar || type == kTypeNChar || type == kTypeNText; }

Reply Reply::Rows(std::vector<Column> columns, std::vector<std::vector<Cell>> rows) {
    Reply r;
    r.results.push_back({std::move(columns), std::move(rows)});
    return r;
}

Reply Reply::Count(std::int64_t n) {
    Reply r;
    r.count = n;
    return r;
}

Reply Reply::Error(int number, std::string text, int state) {
    Reply r;
    r.error = ServerError{number, state, 16, std::move(text)};
    return r;
}

Reply Reply::Drop() {
    Reply r;
    r.drop = true;
    return r;
}

bool BinaryCollation(const std::string& name) {
    auto ends = [&](const char* tail) {
        const std::size_t n = std::strlen(tail);
        return name.size() > n && name.compare(name.size() - n, n, tail) == 0;
    };
    return ends("_BIN2") || ends("_BIN");
}

namespace {

// The collations a statement's text names outside its string literals, each with the
// comparison operator that follows the collated operand.
std::vector<Request::Collated> CollationsOf(const std::string& text) {
    std::vector<Request::Collated> out;
    auto word_at = [&](std::size_t i, const char* word) {
        const std::size_t n = std::strlen(word);
        if (i + n > text.size()) return false;
        for (std::size_t k = 0; k < n; ++k)
            if (std::toupper(static_cast<unsigned char>(text[i + k])) != word[k]) return false;
        const bool before =
            i == 0 || !(std::isalnum(static_cast<unsigned char>(text[i - 1])) || text[i - 1] == '_');
        const bool after = i + n == text.size() ||
                           !(std::isalnum(static_cast<unsigned char>(text[i + n])) || text[i + n] == '_');
        return before && after;
    };
    auto is_name = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted || !word_at(i, "COLLATE")) continue;
        std::size_t j = i + 7;
        while (j < text.size() && text[j] == ' ') ++j;
        std::size_t end = j;
        while (end < text.size() && is_name(text[end])) ++end;
        Request::Collated c;
        c.collation = text.substr(j, end - j);
        std::size_t k = end;
        while (k < text.size() && text[k] == ' ') ++k;
        std::size_t op = k;
        while (op < text.size() && std::strchr("=<>!", text[op])) ++op;
        c.comparison = text.substr(k, op - k);
        out.push_back(std::move(c));
        i = end;
    }
    return out;
}

}  // namespace

struct Server::Impl {
    struct Rule {
        std::string needle;
        Reply reply;
        int times;
    };
    struct Client {
        int fd = -1;
        int number = 0;
        std::thread thread;
    };

    mutable std::mutex mu;
    int listen_fd = -1;
    int port = 0;
    std::thread acceptor;
    std::vector<std::unique_ptr<Client>> clients;
    std::vector<Rule> rules;
    std::vector<Request> requests;
    std::vector<Login> logins;
    int next_handle = 1;
    std::map<int, std::string> prepared;  // handle -> statement

    void record(Request r) {
        r.collations = CollationsOf(r.text);
        std::lock_guard lock(mu);
        requests.push_back(std::move(r));
    }

    Reply reply_for(const std::string& text) {
        std::lock_guard lock(mu);
        for (auto it = rules.rbegin(); it != rules.rend(); ++it) {
            if (it->times == 0 || text.find(it->needle) == std::string::npos) continue;
            Reply r = it->reply;
            if (it->times > 0) --it->times;
            return r;
        }
        // Unscripted statements: a write changes one row, anything else answers nothing.
        std::string head = text.substr(0, text.find_first_of(" \t\r\n"));
        for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (head == "INSERT" || head == "UPDATE" || head == "DELETE") return Reply::Count(1);
        return Reply{};
    }

    static bool read_full(int fd, std::uint8_t* p, std::size_t n) {
        while (n > 0) {
            const ssize_t got = ::recv(fd, p, n, 0);
            if (got <= 0) return false;
            p += got;
            n -= static_cast<std::size_t>(got);
        }
        return true;
    }

    // One message: its type and payload; false at the end of the connection.
    static bool read_message(int fd, std::uint8_t& type, std::vector<std::uint8_t>& payload) {
        payload.clear();
        for (;;) {
            std::uint8_t h[8];
            if (!read_full(fd, h, 8)) return false;
            const std::size_t len = static_cast<std::size_t>((h[2] << 8) | h[3]);
            if (len < 8) return false;
            type = h[0];
            const std::size_t at = payload.size();
            payload.resize(at + len - 8);
            if (!read_full(fd, payload.data() + at, len - 8)) return false;
            if (h[1] & 0x01) return true;
        }
    }

    static void send_message(int fd, const std::vector<std::uint8_t>& body, std::uint8_t type = kReply) {
        const std::size_t max = 4096 - 8;
        std::size_t off = 0;
        std::uint8_t id = 1;
        do {
            const std::size_t n = std::min(max, body.size() - off);
            const bool last = off + n == body.size();
            std::uint8_t h[8] = {type,
                                 static_cast<std::uint8_t>(last ? 1 : 0),
                                 static_cast<std::uint8_t>((n + 8) >> 8),
                                 static_cast<std::uint8_t>((n + 8) & 0xFF),
                                 0,
                                 0,
                                 id++,
                                 0};
            std::vector<std::uint8_t> pkt(h, h + 8);
            pkt.insert(pkt.end(), body.begin() + static_cast<long>(off),
                       body.begin() + static_cast<long>(off + n));
            std::size_t sent = 0;
            while (sent < pkt.size()) {
                const ssize_t k = ::send(fd, pkt.data() + sent, pkt.size() - sent, MSG_NOSIGNAL);
                if (k <= 0) return;
                sent += static_cast<std::size_t>(k);
            }
            off += n;
        } while (off < body.size());
    }

    void prelogin(int fd, const std::vector<std::uint8_t>& in, Login& login) {
        // Options: token, offset and length (big-endian), ended by 0xFF.
        for (std::size_t i = 0; i + 4 < in.size() && in[i] != 0xFF; i += 5) {
            const std::size_t off = static_cast<std::size_t>((in[i + 1] << 8) | in[i + 2]);
            if (in[i] == 0x01 && off < in.size()) login.prelogin_encryption = in[off];
        }
        const std::uint8_t version[6] = {16, 0, 0x07, 0xD0, 0, 0};
        Writer w;
        const std::uint8_t options[][2] = {{0x00, 6}, {0x01, 1}, {0x02, 1}, {0x03, 0}, {0x04, 1}};
        std::size_t off = 5 * 5 + 1;
        for (auto& o : options) {
            w.u8(o[0]);
            w.u8(static_cast<unsigned>(off >> 8));
            w.u8(static_cast<unsigned>(off & 0xFF));
            w.u8(0);
            w.u8(o[1]);
            off += o[1];
        }
        w.u8(0xFF);
        w.bytes(version, 6);
        w.u8(0x02);  // encryption not supported
        w.u8(0);
        w.u8(0);
        send_message(fd, w.b);
    }

    void login7(int fd, const std::vector<std::uint8_t>& in, Login& login) {
        Reader r{in};
        r.u32();
        login.tds_version = r.u32();
        login.packet_size = r.u32();
        r.take(12);
        r.u8();
        login.integrated = (r.u8() & 0x80) != 0;
        r.take(6);
        login.lcid = r.u32();
        auto field = [&](std::size_t at, bool password = false) {
            Reader f{in, at};
            const std::size_t off = f.u16(), chars = f.u16();
            if (off + chars * 2 > in.size()) return std::string();
            std::vector<std::uint8_t> raw(in.begin() + static_cast<long>(off),
                                          in.begin() + static_cast<long>(off + chars * 2));
            if (password)
                for (auto& c : raw) {
                    c ^= 0xA5;
                    c = static_cast<std::uint8_t>((c << 4) | (c >> 4));
                }
            return from_utf16(raw.data(), raw.size());
        };
        login.host = field(36);
        login.user = field(40);
        login.password = field(44, true);
        login.app = field(48);
        login.server = field(52);
        login.library = field(60);
        login.language = field(64);
        login.database = field(68);
        {
            std::lock_guard lock(mu);
            logins.push_back(login);
        }
        Writer w;
        const std::string db = login.database.empty() ? "master" : login.database;
        w.envchange_text(1, db, "master");
        w.envchange_text(2, "us_english", "");
        w.sized(0xE3, [&] {
            w.u8(7);
            w.u8(5);
            w.bytes(kCollation, 5);
            w.u8(0);
        });
        w.sized(0xAD, [&] {
            w.u8(1);
            const std::uint8_t v[4] = {0x74, 0x00, 0x00, 0x04};
            w.bytes(v, 4);
            w.b_varchar("Microsoft SQL Server");
            const std::uint8_t pv[4] = {16, 0, 0x07, 0xD0};
            w.bytes(pv, 4);
        });
        w.envchange_text(4, "4096", "4096");
        w.done(0xFD, 0, 0);
        send_message(fd, w.b);
    }

    // Returns false when the connection is to be dropped.
    bool batch(int fd, int number, const std::vector<std::uint8_t>& in) {
        Reader r{in};
        r.skip_all_headers();
        Request q;
        q.kind = Request::Kind::Batch;
        q.connection = number;
        q.text = from_utf16(in.data() + r.pos, in.size() - r.pos);
        const Reply reply = reply_for(q.text);
        record(std::move(q));
        if (reply.drop) return false;
        Writer w;
        put_reply(w, reply, 0xFD, true);
        send_message(fd, w.b);
        return true;
    }

    bool rpc(int fd, int number, const std::vector<std::uint8_t>& in) {
        Reader r{in};
        r.skip_all_headers();
        Request q;
        q.kind = Request::Kind::Rpc;
        q.connection = number;
        const std::uint16_t len = r.u16();
        std::uint16_t id = 0;
        if (len == 0xFFFF) {
            id = r.u16();
            q.proc = proc_name(id);
        } else {
            q.proc = r.wide(len);
            for (std::uint16_t k : {10, 11, 12, 13, 15})
                if (q.proc == proc_name(k)) id = k;
        }
        r.u16();  // option flags
        std::vector<Param> all;
        while (r.more() && r.b[r.pos] != 0x80 && r.b[r.pos] != 0xFF && r.b[r.pos] != 0xFE)
            all.push_back(read_param(r));
        // The procedure's own parameters, then the statement's.
        std::size_t own = 0;
        bool prepares = false;
        switch (id) {
            case 13:  // sp_prepexec: handle, declaration, statement
                q.declaration = all.size() > 1 ? all[1].text : "";
                q.text = all.size() > 2 ? all[2].text : "";
                own = 3;
                prepares = true;
                break;
            case 11:  // sp_prepare: handle, declaration, statement[, options]
                q.declaration = all.size() > 1 ? all[1].text : "";
                q.text = all.size() > 2 ? all[2].text : "";
                own = all.size();
                prepares = true;
                break;
            case 12:  // sp_execute: handle
            case 15:  // sp_unprepare: handle
                q.handle = all.empty() ? 0 : static_cast<int>(all[0].i);
                own = 1;
                {
                    std::lock_guard lock(mu);
                    auto it = prepared.find(q.handle);
                    if (it != prepared.end()) q.text = it->second;
                    if (id == 15 && it != prepared.end()) prepared.erase(it);
                }
                break;
            case 10:  // sp_executesql: statement, declaration
                q.text = all.empty() ? "" : all[0].text;
                q.declaration = all.size() > 1 ? all[1].text : "";
                own = 2;
                break;
            default: q.text = q.proc; break;
        }
        if (own < all.size()) q.params.assign(all.begin() + static_cast<long>(own), all.end());
        if (prepares) {
            std::lock_guard lock(mu);
            q.handle = next_handle++;
            prepared[q.handle] = q.text;
        }
        const bool unknown_handle = id == 12 && q.text.empty();
        Reply reply = id == 11 || id == 15 ? Reply{} : reply_for(q.text);
        if (unknown_handle)
            reply = Reply::Error(
                8179, "Could not find prepared statement with handle " + std::to_string(q.handle) + ".");
        const int handle = q.handle;
        record(std::move(q));
        if (reply.drop) return false;
        Writer w;
        if (id != 11 && id != 15) put_reply(w, reply, 0xFF, false);
        w.u8(0x79);
        w.u32(0);
        if (prepares) {
            w.u8(0xAC);
            w.u16(0);
            w.b_varchar("@handle");
            w.u8(0x01);
            w.u32(0);
            w.u16(0);
            w.u8(kTypeIntN);
            w.u8(4);
            w.u8(4);
            w.u32(static_cast<std::uint32_t>(handle));
        }
        w.done(0xFE, reply.error ? kDoneError : 0, 0);
        send_message(fd, w.b);
        return true;
    }

    void transaction(int fd, int number, const std::vector<std::uint8_t>& in) {
        Reader r{in};
        r.skip_all_headers();
        const std::uint16_t type = r.u16();
        Request q;
        q.kind = Request::Kind::Transaction;
        q.connection = number;
        bool begin = type == 5, end = type == 7 || type == 8;
        if (type == 5) {
            q.proc = "BEGIN";
        } else if (end) {
            q.proc = type == 7 ? "COMMIT" : "ROLLBACK";
            r.wide(r.u8());
            if (r.more() && (r.u8() & 0x01)) {
                begin = true;
                q.proc += "+BEGIN";
            }
        } else {
            q.proc = "TM" + std::to_string(type);
        }
        q.text = q.proc;
        record(std::move(q));
        static const std::uint8_t descriptor[8] = {1, 0, 0, 0, 0, 0, 0, 0};
        Writer w;
        if (end)
            w.sized(0xE3, [&] {
                w.u8(type == 7 ? 9 : 10);
                w.u8(0);
                w.u8(8);
                w.bytes(descriptor, 8);
            });
        if (begin)
            w.sized(0xE3, [&] {
                w.u8(8);
                w.u8(8);
                w.bytes(descriptor, 8);
                w.u8(0);
            });
        w.done(0xFD, 0, 0);
        send_message(fd, w.b);
    }

    void serve(Client* c) {
        Login login;
        login.connection = c->number;
        std::uint8_t type = 0;
        std::vector<std::uint8_t> payload;
        try {
            while (read_message(c->fd, type, payload)) {
                bool keep = true;
                switch (type) {
                    case kPreLogin: prelogin(c->fd, payload, login); break;
                    case kLogin7: login7(c->fd, payload, login); break;
                    case kBatch: keep = batch(c->fd, c->number, payload); break;
                    case kRpc: keep = rpc(c->fd, c->number, payload); break;
                    case kTransaction: transaction(c->fd, c->number, payload); break;
                    case kAttention: {
                        Request q;
                        q.kind = Request::Kind::Attention;
                        q.connection = c->number;
                        record(std::move(q));
                        Writer w;
                        w.done(0xFD, kDoneAttention, 0);
                        send_message(c->fd, w.b);
                        break;
                    }
                    default: break;
                }
                if (!keep) break;
            }
        } catch (const Reader::Short&) {
            // A message these tests do not expect: the connection ends.
        }
        ::shutdown(c->fd, SHUT_RDWR);
    }

    void accept_loop() {
        for (;;) {
            const int fd = ::accept(listen_fd, nullptr, nullptr);
            if (fd < 0) return;
            std::lock_guard lock(mu);
            auto c = std::make_unique<Client>();
            c->fd = fd;
            c->number = static_cast<int>(clients.size()) + 1;
            Client* raw = c.get();
            clients.push_back(std::move(c));
            raw->thread = std::thread([this, raw] { serve(raw); });
        }
    }
};

Server::Server() : impl_(std::make_unique<Impl>()) {}
Server::~Server() { Stop(); }

bool Server::Start() {
    Impl& m = *impl_;
    m.listen_fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m.listen_fd < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (::bind(m.listen_fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m.listen_fd, 16) != 0 ||
        ::getsockname(m.listen_fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        ::close(m.listen_fd);
        m.listen_fd = -1;
        return false;
    }
    m.port = ntohs(a.sin_port);
    m.acceptor = std::thread([&m] { m.accept_loop(); });
    return true;
}

void Server::Stop() {
    Impl& m = *impl_;
    if (m.listen_fd < 0) return;
    ::shutdown(m.listen_fd, SHUT_RDWR);
    ::close(m.listen_fd);
    if (m.acceptor.joinable()) m.acceptor.join();
    DropConnections();
    for (auto& c : m.clients) {
        if (c->thread.joinable()) c->thread.join();
        ::close(c->fd);
    }
    m.clients.clear();
    m.listen_fd = -1;
}

int Server::Port() const { return impl_->port; }

void Server::On(std::string needle, Reply reply, int times) {
    std::lock_guard lock(impl_->mu);
    impl_->rules.push_back({std::move(needle), std::move(reply), times});
}

void Server::DropConnections() {
    std::lock_guard lock(impl_->mu);
    for (auto& c : impl_->clients) ::shutdown(c->fd, SHUT_RDWR);
}

std::vector<Request> Server::Requests() const {
    std::lock_guard lock(impl_->mu);
    return impl_->requests;
}

std::vector<Login> Server::Logins() const {
    std::lock_guard lock(impl_->mu);
    return impl_->logins;
}

int Server::Connections() const {
    std::lock_guard lock(impl_->mu);
    return static_cast<int>(impl_->clients.size());
}

void Server::ClearRecords() {
    std::lock_guard lock(impl_->mu);
    impl_->requests.clear();
    impl_->logins.clear();
}

}  // namespace kvtest::tds
