// The RTF reader over any text: read into a document, written back and read again. Clause
// texts and release notes come from the old data and from other programs.
#include <stdlib.h>

#include <QGuiApplication>
#include <QTextDocument>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/qt/rich_text.h"

namespace {

void EnsureApplication() {
    static QGuiApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    EnsureApplication();
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    QTextDocument document;
    rt::qt::ReadRtf(text, document);
    const std::string written = rt::qt::WriteRtf(document);
    QTextDocument again;
    rt::qt::ReadRtf(written, again);
    rt::qt::IsRtf(text);
    return 0;
}
