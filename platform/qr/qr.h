// The payment QR image: a QR code of a text written as a PNG file.
#pragma once

#include <string_view>

namespace rt::qr {

// What GenerateQrCode answers.
enum QrResult : int {
    kQrOk = 0,
    kQrBadArgument = 1,  // a size, format or colour it does not know
    kQrTooLong = 2,      // the text does not fit a QR code
    kQrEncodeFailed = 3,
    kQrWriteFailed = 4,  // the file could not be written (its folder missing, no rights)
};

// Encodes `text` (UTF-8, taken as bytes: byte mode, error correction M) as a QR code with
// a quiet zone of 4 modules and writes it to `file` as a PNG image. `size` is the width of
// one module in pixels ("1" to "50"); `format` must be "png"; `foreground` and `background`
// are colours: "black", "white" or another common colour name, or "#RRGGBB". The file is
// written whole or not at all (a temporary file renamed over it). Answers kQrOk or what
// went wrong; the caller may ignore it.
int GenerateQrCode(std::string_view text, std::string_view file, std::string_view size,
                   std::string_view format, std::string_view foreground, std::string_view background);

}  // namespace rt::qr
