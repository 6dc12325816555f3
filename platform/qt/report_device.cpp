// The GUI server as the report device: the preview on the GUI thread, modal for the
// report's thread; printing on the GUI thread through the printer the printer set-up
// configures; PDF files written on the calling thread.
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <chrono>
#include <future>
#include <memory>

#include "platform/qt/gui_server.h"
#include "platform/qt/report_painter.h"
#include "platform/qt/report_preview.h"

namespace rt::qt {

namespace {

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
        std::string error;
        GuiServer* server = &server_;
        const std::string name(job);
        QMetaObject::invokeMethod(
            server,
            [&, server] {
                QPrinter& printer = server->printer();
                printer.setDocName(QString::fromStdString(name));
                printer.setFullPage(true);
                printer.setPageLayout(
                    QPageLayout(QPageSize(QSizeF(document.width, document.height), QPageSize::Millimeter),
                                QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
                QPainter p;
                if (!p.begin(&printer)) {
                    error = "the printer cannot be opened";
                    return;
                }
                const int from = first > 0 ? first : 1;
                const int to = last > 0 ? std::min<int>(last, static_cast<int>(document.pages.size()))
                                        : static_cast<int>(document.pages.size());
                const double k = printer.resolution() / 25.4;
                for (int i = from; i <= to; ++i) {
                    if (i > from) printer.newPage();
                    PaintPage(p, document.pages[static_cast<std::size_t>(i - 1)], k);
                }
                p.end();
            },
            Qt::BlockingQueuedConnection);
        return error;
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
