// Where a finished report goes: the device that draws documents (preview, printer, PDF;
// the GUI back end provides it), the output generators a report can hand its document
// to, the PDF generator, and the output selector, which asks the user for the output in
// the framework's window "Select an Output".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/ini.h"
#include "platform/report/document.h"

namespace rt::report {

// What the preview is asked to show and how it was left.
struct PreviewRequest {
    const Document* document = nullptr;
    int thread = 0;
    std::string procedure;  // the report procedure (the preview's object name follows it)
    std::string caption;
    int zoom = -1;  // percent; -1 the whole page in the window, -2 the page's width
    bool allow_zoom = true;
    bool maximize = false;
    bool allow_print_current = true;
    rt::WindowPlacement placement;  // pixels; has_position / has_size when stored
    // Asked on the waiting thread now and then: true closes the preview (the application
    // is closing down).
    std::function<bool()> close_requested;
};
struct PreviewAnswer {
    enum Action { Closed = 0, PrintAll = 1, PrintCurrent = 2 };
    Action action = Closed;
    int page = 1;  // the page shown when it closed (1-based)
    int zoom = -1;
    rt::WindowPlacement placement;
};

// A print under way: its pages are painted a slice at a time on the calling thread, so
// that the thread's windows (the progress window and its Cancel) keep answering between
// slices while a long report prints, and the GUI thread never waits for the print.
class PrintJob {
public:
    virtual ~PrintJob() = default;
    // Paints pages for about `slice_ms` milliseconds (one page at least); true when every
    // page is printed or the print failed (Error() says so).
    virtual bool PrintSlice(int slice_ms) = 0;
    virtual int Printed() const = 0;  // pages printed so far
    virtual int Pages() const = 0;    // pages of the print
    // Stops the print; what the printer has not yet taken is dropped.
    virtual void Cancel() = 0;
    // "" or what went wrong (CP1250).
    virtual std::string Error() const = 0;
};

// The drawing of documents; the GUI back end installs one.
class ReportDevice {
public:
    virtual ~ReportDevice() = default;
    // Shows the preview, modal for the calling thread's windows, and waits for its close.
    virtual PreviewAnswer Preview(const PreviewRequest& request) = 0;
    // Prints pages first..last (1-based; 0, 0 all) on the printer the printer set-up
    // chose; waits until they are printed. "" or an error text (CP1250).
    virtual std::string Print(const Document& document, int first, int last, std::string_view job) = 0;
    // Starts printing pages first..last, to go on a slice at a time; the document must
    // outlive the job. The default prints everything in its first slice.
    virtual std::unique_ptr<PrintJob> StartPrint(const Document& document, int first, int last,
                                                 std::string_view job);
    // Writes the document as a PDF file with its information; "" or an error text (UTF-8).
    virtual std::string WritePdf(const Document& document, const std::string& file, const DocumentInfo& info,
                                 bool compress) = 0;
};
void SetReportDevice(ReportDevice* device);
ReportDevice* GetReportDevice();

// An output a report's document can be handed to.
class OutputGenerator {
public:
    virtual ~OutputGenerator() = default;
    virtual std::string Name() const = 0;  // as the output choice lists it
    // Produces the output: 0 done, 2 the user cancelled, else a failure (told to the user).
    virtual int Output(const Document& document, std::string_view procedure) = 0;
};

// PDF output. The document information and the options are given in SetupHook, which
// runs each time a document is set up for output; with no output name given, the user
// is asked for the file (a file name in the current folder is proposed).
class PdfGenerator : public OutputGenerator {
public:
    std::string Name() const override { return "PDF"; }
    int Output(const Document& document, std::string_view procedure) override;

    virtual void SetupHook() {}
    void SetOutputName(std::string_view name) { output_name_ = std::string(name); }
    void SetDocumentInfo(std::string_view title, std::string_view creator, std::string_view program,
                         std::string_view subject, std::string_view author, std::string_view keywords);
    const DocumentInfo& Info() const { return info_; }
    void SetBookmarkPages(int on) { bookmarks_ = on; }
    void SetScanCopyMode(int on) { scan_copy_ = on; }
    // The file the last output went to.

    std::uint8_t COMPRESSTEXT = 1;
    std::uint8_t COMPRESSIMAGES = 1;

private:
    std::string output_name_;
    DocumentInfo info_;
    int bookmarks_ = 0;
    int scan_copy_ = 0;
};

// The output choice. Entry 1 is the printer (through the preview); the generators added
// follow in their order.
class OutputSelector {
public:
    void AddGenerator(OutputGenerator& generator);
    // Shows "Select an Output" on the calling thread and waits for the choice: 0 when the
    // user cancels, else 1.
    int Ask(std::string_view procedure);
    // 0 when a generator was chosen, 1 for the printer.
    std::uint8_t GetChoice() const { return chosen_ > 1 ? 0 : 1; }
    OutputGenerator* GetSelectedGenerator() const;

private:
    std::vector<OutputGenerator*> generators_;
    int chosen_ = 1;
};

// The framework's window of the output choice, and of the PDF file name.
const char* const kOutputWindowProcedure = "OutputSelector";
const char* const kPdfNameWindowProcedure = "PdfGenerator";

}  // namespace rt::report
