// The payment QR image: what two independent decoders read from it, its geometry and
// colours, and what happens with arguments and files it cannot serve.
#include <gtest/gtest.h>
#include <png.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>


#include "platform/qr/qr.h"
#include "tests/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using rt::qr::GenerateQrCode;

class QrTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = kvtest::FreshFolder("qr");
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
};

// What a command prints on its standard output, as bytes.
std::string Run(const std::string& command) {
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
    return out;
}

std::string Zbar(const std::string& file) {
    std::string s = Run("zbarimg --raw -q -Sbinary '" + file + "' 2>/dev/null");
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}

std::string Zxing(const std::string& file) {
    return Run("ZXingReader -format QRCode -bytes '" + file + "' 2>/dev/null");
}

// The image as rows of RGB pixels.
struct Image {
    int width = 0, height = 0;
    std::vector<std::vector<png_byte>> rows;  // 3 bytes a pixel
    std::array<int, 3> At(int x, int y) const {
        const auto& r = rows[static_cast<std::size_t>(y)];
        return {r[x * 3], r[x * 3 + 1], r[x * 3 + 2]};
    }
};

Image ReadPng(const std::string& file) {
    Image img;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return img;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return img;
    img.width = static_cast<int>(image.width);
    img.height = static_cast<int>(image.height);
    const std::size_t stride = PNG_IMAGE_ROW_STRIDE(image);
    for (int y = 0; y < img.height; ++y)
        img.rows.emplace_back(pixels.begin() + static_cast<long>(y * stride),
                              pixels.begin() + static_cast<long>((y + 1) * stride));
    return img;
}

std::string Bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST_F(QrTest, BothDecodersReadExactlyTheText) {
    const std::string ips =
        "K:PR|V:01|C:1|R:160000000012345678|N:Stambena zajednica Đurđevdan 11000 Beograd|I:RSD1234,50"
        "|SF:289|S:Račun za decembar|RO:0000123-05-26";
    const std::vector<std::string> texts = {
        ips,
        "ČĆŽŠĐ čćžšđ",
        "A",
        std::string(300, 'x') + "ž",
    };
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string file = Path("qr" + std::to_string(i) + ".png");
        ASSERT_EQ(GenerateQrCode(texts[i], file, "2", "png", "black", "white"), rt::qr::kQrOk);
        EXPECT_EQ(Zbar(file), texts[i]) << i;
        EXPECT_EQ(Zxing(file), texts[i]) << i;
    }
}

TEST_F(QrTest, ModulesArePixelsOfTheGivenSizeWithAQuietZoneBlackOnWhite) {
    for (int size : {1, 2, 5}) {
        const std::string file = Path("s" + std::to_string(size) + ".png");
        ASSERT_EQ(GenerateQrCode("K:PR|V:01", file, std::to_string(size), "PNG", "black", "white"),
                  rt::qr::kQrOk);
        const Image img = ReadPng(file);
        // A short text fits version 1: 21 modules and 4 of quiet zone on each side.
        EXPECT_EQ(img.width, 29 * size);
        EXPECT_EQ(img.height, 29 * size);
        // The quiet zone is white; the finder pattern's corner module is black.
        for (int i = 0; i < 4 * size; ++i) {
            EXPECT_EQ(img.At(i, i), (std::array<int, 3>{255, 255, 255}));
            EXPECT_EQ(img.At(img.width - 1 - i, i), (std::array<int, 3>{255, 255, 255}));
        }
        EXPECT_EQ(img.At(4 * size, 4 * size), (std::array<int, 3>{0, 0, 0}));
        EXPECT_EQ(img.At(5 * size - 1, 5 * size - 1), (std::array<int, 3>{0, 0, 0}));
    }
    // Other colours, as names or #RRGGBB.
    const std::string file = Path("navy.png");
    ASSERT_EQ(GenerateQrCode("boje", file, "3", "png", "navy", "#FFFFE0"), rt::qr::kQrOk);
    const Image img = ReadPng(file);
    EXPECT_EQ(img.At(0, 0), (std::array<int, 3>{255, 255, 224}));
    EXPECT_EQ(img.At(12, 12), (std::array<int, 3>{0, 0, 128}));
}

TEST_F(QrTest, WhatItCannotServeIsAnsweredAndLeavesTheFileAlone) {
    const std::string file = Path("old.png");
    ASSERT_EQ(GenerateQrCode("stari", file, "2", "png", "black", "white"), rt::qr::kQrOk);
    const std::string before = Bytes(file);
    struct Case {
        const char* what;
        std::string text, size, format, fg, bg;
        int expected;
    };
    const std::vector<Case> cases = {
        {"size 0", "x", "0", "png", "black", "white", rt::qr::kQrBadArgument},
        {"size not a number", "x", "dva", "png", "black", "white", rt::qr::kQrBadArgument},
        {"size too big", "x", "500", "png", "black", "white", rt::qr::kQrBadArgument},
        {"format", "x", "2", "bmp", "black", "white", rt::qr::kQrBadArgument},
        {"colour", "x", "2", "png", "blackish", "white", rt::qr::kQrBadArgument},
        {"empty text", "", "2", "png", "black", "white", rt::qr::kQrBadArgument},
        {"text over a code's capacity", std::string(3000, 'z'), "2", "png", "black", "white",
         rt::qr::kQrTooLong},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GenerateQrCode(c.text, file, c.size, c.format, c.fg, c.bg), c.expected) << c.what;
        EXPECT_EQ(Bytes(file), before) << c.what;
    }
    EXPECT_EQ(GenerateQrCode("x", Path("missing/qr.png"), "2", "png", "black", "white"),
              rt::qr::kQrWriteFailed);
    EXPECT_FALSE(fs::exists(Path("missing")));
    // Nothing but the image is left in the folder.
    int files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_)) ++files;
    EXPECT_EQ(files, 1);
}

TEST_F(QrTest, ANewImageReplacesTheOldOne) {
    const std::string file = Path("qr.png");
    ASSERT_EQ(GenerateQrCode("prvi", file, "2", "png", "black", "white"), rt::qr::kQrOk);
    ASSERT_EQ(GenerateQrCode("drugi", file, "2", "png", "black", "white"), rt::qr::kQrOk);
    EXPECT_EQ(Zbar(file), "drugi");
}

}  // namespace
