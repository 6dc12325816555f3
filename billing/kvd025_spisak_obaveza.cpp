// The overview of obligations: the invoices of the highlighted invoice's run in the order
// of their customer codes, each line with its total (the four columns and the earlier
// debt, rounded to whole dinars), the column totals once at the end.
#include "billing/kvd025_spisak_obaveza.h"

#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/numeric.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "SpisakObaveza";

class Controller;

class ObligationsProcess : public rt::report::ProcessManager {
public:
    explicit ObligationsProcess(Controller& c) : c_(c) {}
    int OnRecord() override;

private:
    Controller& c_;
};

class Controller : public ReportFrame {
public:
    explicit Controller(ProcedureObjects& o) : ReportFrame(o, SpisakObavezaReport(), kName), process_(*this) {
        report().Use("UKUPNO", rt::ui::Binding::OfReal(&UKUPNO));
        SetStep(std::make_unique<rt::ui::ScrollStepText>(5, 3));
    }

    double UKUPNO = 0;

    void ComputeLine() {
        UKUPNO = rt::round(SFA.STRUJA + SFA.ODRZAVANJE + SFA.VODA + SFA.OSTALO + SFA.DUG, 1);
    }
    void PrintLine() { report().Print("?DETAIL"); }

protected:
    void OpenTables() override {
        Relate::OBRAC()->SetCascadeOpen(true);
        OpenRelation(*Relate::OBRAC());
        // The view's tables.
        OpenRelation(*Relate::SFAKT());
        OpenRelation(*Relate::KVADRIN());
        OpenRelation(*Relate::NAZIVI());
    }

    rt::report::ProcessManager& Process() override { return process_; }

    void DefineView(rt::report::ProcessManager& p) override {
        p.Setup(Files::SFAKT(), Relate::SFAKT(), &window(), window().Feq("?PROGRESS:THERMOMETER"), &step(),
                ReportVariable("SFA:SHKORISNIKA"));
        p.DefineSortOrder(SFA_PO_OBRACUNU);
        p.AddJoin(Files::KVADRIN(), KVD_Po_broju, {"SFA:BROJSTANA"});
        p.AddJoin(Files::NAZIVI(), NAZ_PO_KONTU, {"SFA:SHKORISNIKA"});
        p.Project({"SFA:BROJSTANA", "SFA:DUG", "SFA:ODRZAVANJE", "SFA:OSTALO", "SFA:OBRACUN", "SFA:STRUJA",
                   "SFA:SHKORISNIKA", "SFA:VODA", "KVD:BROJOSOBA", "KVD:POVRSINA", "NAZ:NAZIV1"});
        // The run of the invoice in the buffer when the report starts.
        p.LimitToCurrent({"SFA:OBRACUN"});
    }

private:
    ObligationsProcess process_;
};

int ObligationsProcess::OnRecord() {
    c_.ComputeLine();
    const int level = ProcessManager::OnRecord();
    c_.PrintLine();
    return level;
}

}  // namespace

void SpisakObaveza() {
    RunWindowProcedure(kName, WindowKind::Report, SpisakObavezaProgressWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<Controller>(o); });
}

}  // namespace kvadrin
