// The invoice group report. The items of the whole run are read invoice after invoice;
// when an invoice's group opens its data are computed once and its payment QR image is
// written to a numbered file of the report's own folder; each item line prints; when the
// group closes the payment order form prints with the closing invoice's values and image,
// and the report's own break prints the group footer (the total the break kept, the debt
// lines, the clause), after which the next invoice starts a new page.
#include "billing/kvd030_ispis_faktura_m3.h"

#include <string>
#include <vector>

#include "billing/invoice_data.h"
#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/picture.h"

namespace kvadrin {
namespace {

using rt::ui::Binding;

constexpr const char* kName = "IspisFakturaM3";
// The PDF names the invoice report as its program and subject.
constexpr const char* kPdfProgram = "IspisFakture";

class Controller;

class GroupProcess : public rt::report::ProcessManager {
public:
    explicit GroupProcess(Controller& c) : c_(c) {}
    int OnRecord() override;

private:
    Controller& c_;
};

class Group : public rt::report::BreakGroup {
public:
    explicit Group(Controller& c) : c_(c) {}
    void OnOpen(int break_number, int level) override;
    void OnClose(int break_number, int level) override;

private:
    Controller& c_;
};

class Controller : public ReportFrame {
public:
    explicit Controller(ProcedureObjects& o)
        : ReportFrame(o, IspisFakturaM3Report(), kPdfProgram), process_(*this), group_(*this) {
        UseInvoiceVars(report(), v);
        report().Use("UKUPNOP", Binding::OfReal(&UKUPNOP));
        SetStep(std::make_unique<rt::ui::ScrollStepText>(5, 3));
    }

    InvoiceVars v;
    double UKUPNOP = 0;
    int BROJACQR = 0;

    // The first item of an invoice: its data and its QR image.
    void InvoiceOpens() {
        if (!without_payer_.empty()) {  // told once, as the printing starts
            TellInvoicesWithoutPayer(without_payer_);
            without_payer_.clear();
        }
        ComputeInvoice(v);
        ApplyWaterUnit("M3");
        ++BROJACQR;
        codes_.Make(v, GroupQrFileName(BROJACQR));
        report().SetText("?IMAGE2", v.QRSLIKA);
    }
    int Line() {
        ApplyWaterUnit("M3");
        return report().Print("?DETAIL");
    }
    void FormOfClosingInvoice() { report().Print("?DETAIL1"); }

protected:
    void OpenTables() override {
        Relate::OBRAC()->SetCascadeOpen(true);
        OpenRelation(*Relate::OBRAC());
        OpenRelation(*Relate::SKLAUZUL());
        Access::SFAKT()->UseTable(rt::kUseOpen);
        // The view's tables.
        OpenRelation(*Relate::SPROM());
        OpenRelation(*Relate::SFAKT());
        OpenRelation(*Relate::KVADRIN());
        OpenRelation(*Relate::NAZIVI());
        OpenRelation(*Relate::OBAVEZE());
    }

    int Prepare() override {
        if (AccountLineRefused()) return rt::ui::kLevelFatal;
        without_payer_ = InvoicesOfTheRunWithoutPayer();
        codes_.CheckAccount();
        SKL.SIFRA = IZABRANIOBRACUN;
        Access::SKLAUZUL()->GetByKeyQuiet(SKL_Po_sifri);
        BROJACQR = 0;
        SetupInvoiceBreak(tracker_, group_, v);
        tracker_.DefineTotal(Binding::OfReal(&UKUPNOP), ReportVariable("SPR:UKUPNO"), 3, 1);
        runner().SetBreakTracker(&tracker_);
        runner().DEFERWINDOW = 0;
        runner().WAITCURSOR = 1;
        return rt::ui::kLevelGoOn;
    }

    rt::report::ProcessManager& Process() override { return process_; }

    void DefineView(rt::report::ProcessManager& p) override {
        p.Setup(Files::SPROM(), Relate::SPROM(), &window(), window().Feq("?PROGRESS:THERMOMETER"), &step(),
                ReportVariable("SPR:SHKORISNIKA"));
        p.DefineSortOrder(SPR_PO_OBRACUNU);
        p.AddJoin(Files::SFAKT(), SFA_PO_OBRACUNU, {"SPR:OBRACUN", "SPR:SHKORISNIKA"});
        p.AddJoin(Files::KVADRIN(), KVD_Po_broju, {"SFA:BROJSTANA"});
        // The invoice's own payer; an invoice without one is not printed.
        p.AddJoin(Files::NAZIVI(), NAZ_PO_KONTU, {"SFA:SHKORISNIKA"}, rt::JoinKind::Inner);
        p.AddJoin(Files::OBRAC(), OBR_Po_obracunu, {"SFA:OBRACUN"});
        p.AddJoin(Files::OBAVEZE(), OBA_Po_sifri, {"SPR:SIFRA"});
        p.Project({"SPR:CENA",      "SPR:KOLICINA",  "SPR:KOLONA", "SPR:OBRACUN", "SPR:SHKORISNIKA",
                   "SPR:SIFRA",     "SPR:UKUPNO",    "SFA:DUG",    "SFA:OBRACUN", "SFA:UKUPNO",
                   "SFA:BROJSTANA", "KVD:BROJ",      "KVD:SP",     "KVD:VODOMER", "KVD:SHKORISNIKA",
                   "NAZ:ADRESA",    "NAZ:ANALITIKA", "NAZ:NAZIV1", "NAZ:SEDISTE", "OBR:NAZIV",
                   "OBR:SVRHA1",    "OBR:SVRHA2",    "OBR:SVRHA3", "OBR:VALUTA",  "OBA:JM",
                   "OBA:NAZIV"});
        // The items of the run in the OBRAC buffer.
        p.LimitToValue("SPR:OBRACUN", Files::OBRAC(), "OBR:OBRACUN");
    }

private:
    GroupProcess process_;
    Group group_;
    rt::report::BreakTracker tracker_;
    PaymentCodes codes_{false};
    std::vector<std::string> without_payer_;
};

int GroupProcess::OnRecord() {
    const int level = ProcessManager::OnRecord();
    c_.Line();
    return level;
}

void Group::OnOpen(int break_number, int level) {
    if (break_number == 1 && level == 1) c_.InvoiceOpens();
    BreakGroup::OnOpen(break_number, level);
}

void Group::OnClose(int break_number, int level) {
    if (break_number == 1 && level == 1) c_.FormOfClosingInvoice();
    BreakGroup::OnClose(break_number, level);
}

}  // namespace

std::string GroupQrFileName(int n) {
    // Four digits as long as they suffice; beyond 9,999 invoices the number as it is.
    return "qr" + (n <= 9999 ? rt::format(static_cast<double>(n), "@n04") : std::to_string(n)) + ".png";
}

void IspisFakturaM3() {
    RunWindowProcedure(kName, WindowKind::Report, IspisFakturaM3ProgressWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<Controller>(o); });
}

}  // namespace kvadrin
