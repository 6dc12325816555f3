// The frame of the report procedures: the progress window, the output choice, the process
// over the report's view behind the progress window with its Cancel, the report runner,
// the preview and the PDF output. A report procedure derives its controller from
// ReportFrame and states its tables, preparations, view and bands.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/report/breaks.h"
#include "platform/report/output.h"
#include "platform/report/preview.h"
#include "platform/report/process.h"
#include "platform/report/report.h"
#include "platform/report/runner.h"
#include "platform/report/temp_folder.h"
#include "platform/ui/step.h"
#include "shell/procedure.h"

namespace kvadrin {

// The progress window "P1$PROGRESSWINDOW" of a report module, titled `caption`.
rt::ui::WindowDef ProgressWindow(std::string module, std::string_view caption);

// The variable a report control's name stands for on this thread: a field of a table's
// record buffer ("SPR:UKUPNO") or a process-wide variable ("NAZIVFIRME"); unbound for
// any other name.
rt::ui::Binding ReportVariable(std::string_view name);

// The PDF output of the reports: the document information names the program and the
// subject.
class ReportPdfGenerator : public rt::report::PdfGenerator {
public:
    explicit ReportPdfGenerator(std::string program) : program_(std::move(program)) {}
    void SetupHook() override;

private:
    std::string program_;
};

class ReportFrame : public ProcedureController {
public:
    // `report` is the report's resource; `pdf_program` the name its PDF gives as program
    // and subject.
    ReportFrame(ProcedureObjects& objects, const rt::report::ReportDef& report, std::string pdf_program);
    ~ReportFrame() override;

    int Setup() override;
    int OnWindowEvent() override;
    int Teardown() override;

    rt::report::Report& report() { return report_; }
    rt::report::ReportRunner& runner() { return runner_; }
    rt::report::OutputSelector& selector() { return selector_; }
    ReportPdfGenerator& pdf() { return pdf_; }

protected:
    // Right after the common head, before any table is opened (a question to the user); a
    // nonzero level ends the procedure (nothing opened, nothing printed).
    virtual int BeforeTables() { return rt::ui::kLevelGoOn; }
    // Opens the report's tables (through OpenRelation), after BeforeTables.
    virtual void OpenTables() {}
    // The preparations once the tables are open, before the window opens; a nonzero
    // level ends the procedure (nothing printed).
    virtual int Prepare() { return rt::ui::kLevelGoOn; }
    // The process of the report (made once; the procedure's own derived one).
    virtual rt::report::ProcessManager& Process() = 0;
    // The report's view, once the output is chosen: its primary table and relation, the
    // progress field, the sort order, joins and range.
    virtual void DefineView(rt::report::ProcessManager& process) = 0;
    // Opening the report (the runner's BeginReport with the report's settings around it).
    virtual int BeginReport();

    rt::ui::ScrollStep& step() { return *step_; }
    void SetStep(std::unique_ptr<rt::ui::ScrollStep> step) { step_ = std::move(step); }

private:
    rt::report::Report report_;
    rt::report::ReportRunner runner_;
    rt::report::PreviewManager previewer_;
    rt::report::OutputSelector selector_;
    ReportPdfGenerator pdf_;
    std::unique_ptr<rt::ui::ScrollStep> step_;
};

}  // namespace kvadrin
