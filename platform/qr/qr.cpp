#include "platform/qr/qr.h"

#include <png.h>
#include <qrencode.h>

#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace rt::qr {
namespace {

constexpr int kQuietZone = 4;
constexpr int kMaxModulePixels = 50;

struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
};

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::optional<Rgb> parse_colour(std::string_view text) {
    struct Named {
        const char* name;
        Rgb rgb;
    };
    static const Named kNamed[] = {
        {"black", {0, 0, 0}},        {"white", {255, 255, 255}}, {"red", {255, 0, 0}},
        {"green", {0, 128, 0}},      {"blue", {0, 0, 255}},      {"navy", {0, 0, 128}},
        {"maroon", {128, 0, 0}},     {"gray", {128, 128, 128}},  {"grey", {128, 128, 128}},
        {"silver", {192, 192, 192}}, {"yellow", {255, 255, 0}},  {"purple", {128, 0, 128}},
        {"teal", {0, 128, 128}},     {"olive", {128, 128, 0}},   {"lime", {0, 255, 0}},
        {"aqua", {0, 255, 255}},     {"fuchsia", {255, 0, 255}},
    };
    const std::string t = lower(text);
    for (const Named& n : kNamed)
        if (t == n.name) return n.rgb;
    if (t.size() == 7 && t[0] == '#') {
        unsigned value = 0;
        auto [end, ec] = std::from_chars(t.data() + 1, t.data() + 7, value, 16);
        if (ec == std::errc() && end == t.data() + 7)
            return Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
                       static_cast<std::uint8_t>(value)};
    }
    return std::nullopt;
}

std::optional<int> parse_size(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    int n = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
    if (ec != std::errc() || end != text.data() + text.size() || n < 1 || n > kMaxModulePixels)
        return std::nullopt;
    return n;
}

// The QR library keeps tables it builds on first use: one encoding at a time.
std::mutex& encode_mutex() {
    static std::mutex m;
    return m;
}

struct QrCodeFree {
    void operator()(QRcode* q) const { QRcode_free(q); }
};

// The PNG of the matrix, in the two colours, written to an open file.
bool write_png(std::FILE* out, const QRcode& code, int module, Rgb fg, Rgb bg) {
    const int modules = code.width + 2 * kQuietZone;
    const int pixels = modules * module;
    std::vector<png_byte> rgb(static_cast<std::size_t>(pixels) * static_cast<std::size_t>(pixels) * 3);
    std::size_t at = 0;
    for (int y = 0; y < pixels; ++y) {
        const int my = y / module - kQuietZone;
        for (int x = 0; x < pixels; ++x) {
            const int mx = x / module - kQuietZone;
            const bool dark = my >= 0 && my < code.width && mx >= 0 && mx < code.width &&
                              (code.data[my * code.width + mx] & 1) != 0;
            const Rgb& c = dark ? fg : bg;
            rgb[at++] = c.r;
            rgb[at++] = c.g;
            rgb[at++] = c.b;
        }
    }
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixels);
    image.height = static_cast<png_uint_32>(pixels);
    image.format = PNG_FORMAT_RGB;
    const bool ok = png_image_write_to_stdio(&image, out, 0, rgb.data(), 0, nullptr) != 0;
    png_image_free(&image);
    return ok;
}

}  // namespace

int GenerateQrCode(std::string_view text, std::string_view file, std::string_view size,
                   std::string_view format, std::string_view foreground, std::string_view background) {
    const std::optional<int> module = parse_size(size);
    const std::optional<Rgb> fg = parse_colour(foreground);
    const std::optional<Rgb> bg = parse_colour(background);
    if (!module || !fg || !bg || lower(format) != "png" || file.empty() || text.empty())
        return kQrBadArgument;

    std::unique_ptr<QRcode, QrCodeFree> code;
    {
        std::lock_guard lock(encode_mutex());
        errno = 0;
        code.reset(QRcode_encodeData(static_cast<int>(text.size()),
                                     reinterpret_cast<const unsigned char*>(text.data()), 0, QR_ECLEVEL_M));
        if (!code) return errno == ERANGE ? kQrTooLong : kQrEncodeFailed;
    }

    // The image goes to a new file of a name nobody can guess (made with mkstemp, owner
    // only, beside the target), renamed over the target once it is whole.
    const std::string target(file);
    std::vector<char> temp(target.begin(), target.end());
    for (char c : std::string_view(".XXXXXX")) temp.push_back(c);
    temp.push_back('\0');
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return kQrWriteFailed;
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        ::unlink(temp.data());
        return kQrWriteFailed;
    }
    const bool written = write_png(out, *code, *module, *fg, *bg);
    const bool closed = std::fclose(out) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(temp.data(), ec);
        return kQrWriteFailed;
    }
    std::filesystem::rename(temp.data(), target, ec);
    if (ec) {
        std::filesystem::remove(temp.data(), ec);
        return kQrWriteFailed;
    }
    return kQrOk;
}

}  // namespace rt::qr
