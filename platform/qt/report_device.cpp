// The GUI server as the report device: the preview on the GUI thread, modal for the
// report's thread; printing and PDF files on the calling thread (Qt paints on a printer
// outside the GUI thread), printing a slice of pages at a time through a printer set up
// as the printer set-up configured the server's.
#include <QFile>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

#include "platform/core/text.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/report_painter.h"
#include "platform/qt/report_preview.h"

namespace rt::qt {

namespace {

// What the printer set-up chose, read from the server's printer on the GUI thread.
struct PrinterChoice {
    QString name, file;
    QPrinter::OutputFormat format = QPrinter::NativeFormat;
    int copies = 1;
    bool collate = true;
    QPrinter::DuplexMode duplex = QPrinter::DuplexNone;
    QPrinter::ColorMode color = QPrinter::Color;
    QPrinter::PageOrder order = QPrinter::FirstPageFirst;
};

PrinterChoice ChoiceOf(GuiServer& server) {
    PrinterChoice c;
    QMetaObject::invokeMethod(
        &server,
        [&] {
            const QPrinter& p = server.printer();
            c.name = p.printerName();
            c.file = p.outputFileName();
            c.format = p.outputFormat();
            c.copies = p.copyCount();
            c.collate = p.collateCopies();
            c.duplex = p.duplex();
            c.color = p.colorMode();
            c.order = p.pageOrder();
        },
        Qt::BlockingQueuedConnection);
    return c;
}

class QtPrintJob : public report::PrintJob {
public:
    QtPrintJob(const report::Document& document, int first, int last, const PrinterChoice& choice,
               std::string_view job)
        : document_(document), printer_(QPrinter::HighResolution) {
        const int n = static_cast<int>(document.pages.size());
        from_ = first > 0 ? first : 1;
        to_ = last > 0 ? std::min(last, n) : n;
        next_ = from_;
        if (choice.format == QPrinter::NativeFormat && !choice.name.isEmpty())
            printer_.setPrinterName(choice.name);
        printer_.setOutputFormat(choice.format);
        if (!choice.file.isEmpty()) printer_.setOutputFileName(choice.file);
        printer_.setCopyCount(choice.copies);
        printer_.setCollateCopies(choice.collate);
        printer_.setDuplex(choice.duplex);
        printer_.setColorMode(choice.color);
        printer_.setPageOrder(choice.order);
        printer_.setDocName(FromCp1250(job));
        printer_.setFullPage(true);
        printer_.setPageLayout(
            QPageLayout(QPageSize(QSizeF(document.width, document.height), QPageSize::Millimeter),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        if (!painter_.begin(&printer_)) {
            error_ = rt::utf8_to_cp1250("štampač se ne može otvoriti");
            next_ = to_ + 1;
        }
    }
    ~QtPrintJob() override {
        if (painter_.isActive()) Cancel();
    }

    bool PrintSlice(int slice_ms) override {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(slice_ms);
        while (next_ <= to_ && painter_.isActive()) {
            if (next_ > from_ && !printer_.newPage()) {
                error_ = rt::utf8_to_cp1250("štampač ne prima sledeću stranu");
                break;
            }
            PaintPage(painter_, document_.pages[static_cast<std::size_t>(next_ - 1)],
                      printer_.resolution() / 25.4);
            ++next_;
            if (std::chrono::steady_clock::now() >= until) break;
        }
        if (next_ <= to_ && error_.empty()) return false;
        if (painter_.isActive() && !painter_.end() && error_.empty())
            error_ = rt::utf8_to_cp1250("štampač nije primio izveštaj");
        return true;
    }
    int Printed() const override { return next_ - from_; }
    int Pages() const override { return std::max(0, to_ - from_ + 1); }
    void Cancel() override {
        if (!painter_.isActive()) return;
        printer_.abort();
        painter_.end();
        // A print to a file leaves no half-written file.
        if (printer_.outputFormat() == QPrinter::PdfFormat && !printer_.outputFileName().isEmpty())
            QFile::remove(printer_.outputFileName());
        next_ = to_ + 1;
    }
    std::string Error() const override { return error_; }

private:
    const report::Document& document_;
    QPrinter printer_;
    QPainter painter_;
    int from_ = 1, to_ = 0, next_ = 1;
    std::string error_;
};

class QtReportDevice : public report::ReportDevice {
public:
    explicit QtReportDevice(GuiServer& server) : server_(server) {}

    report::PreviewAnswer Preview(const report::PreviewRequest& request) override {
        auto answer = std::make_shared<std::promise<report::PreviewAnswer>>();
        std::future<report::PreviewAnswer> result = answer->get_future();
        GuiServer* server = &server_;
        auto shown = std::make_shared<QPointer<ReportPreview>>();  // GUI thread only
        const bool queued = QMetaObject::invokeMethod(
            server,
            [server, request, answer, shown] {
                const int thread = request.thread;
                server->BeginThreadDialog(thread);
                auto* preview =
                    new ReportPreview(request, [server, thread, answer](const report::PreviewAnswer& a) {
                        server->EndThreadDialog(thread);
                        answer->set_value(a);
                    });
                *shown = preview;
                preview->show();
                preview->raise();
                preview->activateWindow();
            },
            Qt::QueuedConnection);
        if (!queued) return {};
        // The application closing down closes the preview as well (asked again until the
        // preview has answered: it may not be shown yet).
        while (result.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready) {
            if (!request.close_requested || !request.close_requested()) continue;
            QMetaObject::invokeMethod(
                server,
                [shown] {
                    if (*shown) (*shown)->reject();
                },
                Qt::QueuedConnection);
        }
        return result.get();
    }

    std::string Print(const report::Document& document, int first, int last, std::string_view job) override {
        QtPrintJob print(document, first, last, ChoiceOf(server_), job);
        while (!print.PrintSlice(1000)) {}
        return print.Error();
    }

    std::unique_ptr<report::PrintJob> StartPrint(const report::Document& document, int first, int last,
                                                 std::string_view job) override {
        return std::make_unique<QtPrintJob>(document, first, last, ChoiceOf(server_), job);
    }

    std::string WritePdf(const report::Document& document, const std::string& file,
                         const report::DocumentInfo& info, bool) override {
        return WriteReportPdf(document, file, info);
    }

private:
    GuiServer& server_;
};

std::unique_ptr<QtReportDevice> g_device;

}  // namespace

void InstallReportDevice(GuiServer* server) {
    report::SetReportDevice(nullptr);
    g_device.reset();
    if (!server) return;
    g_device = std::make_unique<QtReportDevice>(*server);
    report::SetReportDevice(g_device.get());
}

}  // namespace rt::qt
