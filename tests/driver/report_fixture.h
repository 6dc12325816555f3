// Shared steps of the report tests: the output choice, the preview, the PDF file name, and
// what independent tools read from a PDF (pdftotext, pdfinfo, pdftoppm and the QR
// decoders).
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QToolButton>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/report/output.h"
#include "tests/driver/store_fixture.h"

namespace kvtest {

// A word of a PDF page as pdftotext places it, in millimetres from the page's top left.
struct PdfWord {
    int page = 0;
    double x = 0, y = 0, right = 0, bottom = 0;
    std::string text;
};

inline std::string RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    EXPECT_TRUE(p.waitForFinished(60000)) << program.toStdString();
    return p.readAllStandardOutput().toStdString();
}

inline std::string PdfText(const std::string& pdf) {
    return RunTool(QStringLiteral("pdftotext"),
                   {QStringLiteral("-layout"), QString::fromStdString(pdf), QStringLiteral("-")});
}

inline std::vector<PdfWord> PdfWords(const std::string& pdf) {
    const std::string html =
        RunTool(QStringLiteral("pdftotext"),
                {QStringLiteral("-bbox"), QString::fromStdString(pdf), QStringLiteral("-")});
    std::vector<PdfWord> words;
    const QString h = QString::fromStdString(html);
    static const QRegularExpression page_re(QStringLiteral("<page "));
    static const QRegularExpression word_re(QStringLiteral(
        "<word xMin=\"([0-9.]+)\" yMin=\"([0-9.]+)\" xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">([^<]*)</word>"));
    const QStringList pages = h.split(page_re);
    constexpr double kMm = 25.4 / 72.0;
    for (int p = 1; p < pages.size(); ++p) {
        auto it = word_re.globalMatch(pages[p]);
        while (it.hasNext()) {
            auto m = it.next();
            QString text = m.captured(5);
            text.replace(QStringLiteral("&amp;"), QStringLiteral("&"))
                .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                .replace(QStringLiteral("&quot;"), QStringLiteral("\""));
            words.push_back({p, m.captured(1).toDouble() * kMm, m.captured(2).toDouble() * kMm,
                             m.captured(3).toDouble() * kMm, m.captured(4).toDouble() * kMm,
                             text.toStdString()});
        }
    }
    return words;
}

// The first word with that text on a page (0: any) at or below `below` millimetres; null
// when there is none.
inline const PdfWord* FindWord(const std::vector<PdfWord>& words, const std::string& text, int page = 0,
                               double below = 0) {
    for (const PdfWord& w : words)
        if (w.text == text && (page == 0 || w.page == page) && w.y >= below) return &w;
    return nullptr;
}

// One entry of what pdfinfo tells of a PDF ("Subject", "Pages", ...), trimmed.
inline std::string PdfInfo(const std::string& pdf, const std::string& key) {
    const QString all =
        QString::fromStdString(RunTool(QStringLiteral("pdfinfo"), {QString::fromStdString(pdf)}));
    for (const QString& line : all.split(QLatin1Char('\n')))
        if (line.startsWith(QString::fromStdString(key + ":")))
            return line.mid(static_cast<int>(key.size()) + 1).trimmed().toStdString();
    return "(none)";
}

// Page `page` of the PDF as a PNG at `dpi`; its path.
inline std::string PdfPage(const std::string& pdf, int page, int dpi, const std::string& png_base) {
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
             QString::number(page), QStringLiteral("-l"), QString::number(page),
             QStringLiteral("-singlefile"), QString::fromStdString(pdf), QString::fromStdString(png_base)});
    return png_base + ".png";
}

// A rectangle of a PNG (millimetres at `dpi`) cut out into a file of its own.
inline std::string CutOut(const std::string& png, int dpi, double x, double y, double w, double h,
                          const std::string& out) {
    const double k = dpi / 25.4;
    const QImage img(QString::fromStdString(png));
    img.copy(static_cast<int>(x * k), static_cast<int>(y * k), static_cast<int>(w * k),
             static_cast<int>(h * k))
        .save(QString::fromStdString(out));
    return out;
}

// What the QR decoders read in an image (raw bytes, decoded as UTF-8 by the caller).
inline std::string Zbar(const std::string& png) {
    std::string s =
        RunTool(QStringLiteral("zbarimg"), {QStringLiteral("--raw"), QStringLiteral("-q"),
                                            QStringLiteral("-Sbinary"), QString::fromStdString(png)});
    if (!s.empty() && s.back() == '\n') s.pop_back();
    return s;
}
inline std::string Zxing(const std::string& png) {
    return RunTool(QStringLiteral("ZXingReader"), {QStringLiteral("-format"), QStringLiteral("QRCode"),
                                                   QStringLiteral("-bytes"), QString::fromStdString(png)});
}

// The preview of a report procedure, once it is shown.
inline QWidget* FindPreview(const std::string& procedure) {
    const QString name = QStringLiteral("kvPreview") + QString::fromStdString(procedure);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == name && w->isVisible()) return w;
    return nullptr;
}

// TMPDIR set to `dir` while the object lives (where the reports make their folders).
// The system's temporary folder for the scope, the runtime folder hidden so that the
// report's folder goes under it.
struct TempDir {
    explicit TempDir(const std::string& dir)
        : had(std::getenv("TMPDIR") != nullptr), had_runtime(std::getenv("XDG_RUNTIME_DIR") != nullptr) {
        if (had) saved = std::getenv("TMPDIR");
        if (had_runtime) saved_runtime = std::getenv("XDG_RUNTIME_DIR");
        ::setenv("TMPDIR", dir.c_str(), 1);
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ~TempDir() {
        if (had)
            ::setenv("TMPDIR", saved.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        if (had_runtime) ::setenv("XDG_RUNTIME_DIR", saved_runtime.c_str(), 1);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    bool had, had_runtime;
    std::string saved, saved_runtime;
};

class ReportSteps {
public:
    explicit ReportSteps(rt::qt::TestDriver& driver) : driver_(driver) {}

    // Chooses the output (1 the printer, 2 PDF) and confirms it.
    void ChooseOutput(int entry) {
        driver_.WaitForWindow(rt::report::kOutputWindowProcedure);
        driver_.Press(rt::report::kOutputWindowProcedure, "?OUTPUT:RADIO" + std::to_string(entry));
        driver_.Press(rt::report::kOutputWindowProcedure, "?OK");
    }
    QWidget* WaitPreview(const std::string& procedure) {
        QWidget* found = nullptr;
        driver_.WaitUntil([&] { return (found = FindPreview(procedure)) != nullptr; },
                          "the preview of " + procedure, 30000);
        return found;
    }
    void PressInPreview(QWidget* preview, const char* button) {
        auto* b = preview->findChild<QToolButton*>(QString::fromLatin1(button));
        ASSERT_NE(b, nullptr) << button;
        b->click();
    }
    // Names the PDF file when the generator asks for it.
    void SavePdfAs(const std::string& file) {
        driver_.WaitForWindow(rt::report::kPdfNameWindowProcedure);
        driver_.Type(rt::report::kPdfNameWindowProcedure, "?FILENAME", file);
        driver_.Press(rt::report::kPdfNameWindowProcedure, "?OK");
    }

private:
    rt::qt::TestDriver& driver_;
};

}  // namespace kvtest
