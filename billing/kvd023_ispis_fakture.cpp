// The invoice report. Every item line of the invoice computes the invoice's data (number,
// dates, debt lines, clause, the payment QR text and image) and prints; when the invoice's
// group closes the payment order form is printed at its place, and the report's own break
// prints the totals, the debt lines and the clause after the items.
#include "billing/kvd023_ispis_fakture.h"

#include <string>

#include "billing/invoice_data.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"

namespace kvadrin {
namespace {

constexpr const char* kName = "IspisFakture";

class Controller;

class InvoiceProcess : public rt::report::ProcessManager {
public:
    explicit InvoiceProcess(Controller& c) : c_(c) {}
    int OnRecord() override;

private:
    Controller& c_;
};

class Group : public rt::report::BreakGroup {
public:
    explicit Group(Controller& c) : c_(c) {}
    void OnClose(int break_number, int level) override;

private:
    Controller& c_;
};

class Controller : public ReportFrame {
public:
    explicit Controller(ProcedureObjects& o)
        : ReportFrame(o, IspisFaktureReport(), kName), process_(*this), group_(*this) {
        UseInvoiceVars(report(), v);
    }

    InvoiceVars v;

    // The invoice's data, the QR image and the item line.
    int Line() {
        ComputeInvoice(v);
        ApplyWaterUnit("m3");
        MakeQrImage();
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
        if (!ReadInvoicePayer()) return rt::ui::kLevelFatal;
        codes_.CheckAccount();
        SKL.SIFRA = IZABRANIOBRACUN;
        Access::SKLAUZUL()->GetByKeyQuiet(SKL_Po_sifri);
        SetupInvoiceBreak(tracker_, group_, v);
        runner().SetBreakTracker(&tracker_);
        return rt::ui::kLevelGoOn;
    }

    rt::report::ProcessManager& Process() override { return process_; }

    void DefineView(rt::report::ProcessManager& p) override {
        rt::File& spr = Files::SPROM();
        p.Setup(spr, Relate::SPROM(), &window(), window().Feq("?PROGRESS:THERMOMETER"), &step(),
                ReportVariable("SPR:OBRACUN"));
        p.DefineSortOrder(SPR_PO_OBRACUNU);
        rt::File& sfa = Files::SFAKT();
        rt::File& kvd = Files::KVADRIN();
        rt::File& naz = Files::NAZIVI();
        rt::File& oba = Files::OBAVEZE();
        p.AddJoin(sfa, SFA_PO_OBRACUNU, {"SPR:OBRACUN", "SPR:SHKORISNIKA"});
        p.AddJoin(kvd, KVD_Po_broju, {"SFA:BROJSTANA"});
        p.AddJoin(naz, NAZ_PO_KONTU, {"SFA:SHKORISNIKA"});  // the invoice's own payer
        p.AddJoin(oba, OBA_Po_sifri, {"SPR:SIFRA"});
        p.Project({"SPR:CENA", "SPR:KOLICINA", "SPR:KOLONA", "SPR:OBRACUN", "SPR:SHKORISNIKA", "SPR:SIFRA",
                   "SPR:UKUPNO", "SFA:BROJSTANA", "KVD:VODOMER", "KVD:SHKORISNIKA", "NAZ:ADRESA",
                   "NAZ:NAZIV1", "NAZ:SEDISTE", "OBA:JM", "OBA:NAZIV"});
        // The items of the highlighted invoice.
        p.LimitToRelation(sfa, {{"SPR:OBRACUN", "SFA:OBRACUN"}, {"SPR:SHKORISNIKA", "SFA:SHKORISNIKA"}});
    }

private:
    // The report's own image file; where there is none the form prints without a code.
    void MakeQrImage() {
        codes_.Make(v, "qr.png");
        report().SetText("?IMAGE2", v.QRSLIKA);
    }

    InvoiceProcess process_;
    Group group_;
    rt::report::BreakTracker tracker_;
    PaymentCodes codes_{true};
};

int InvoiceProcess::OnRecord() {
    const int level = ProcessManager::OnRecord();
    c_.Line();
    return level;
}

void Group::OnClose(int break_number, int level) {
    if (break_number == 1 && level == 1) c_.FormOfClosingInvoice();
    BreakGroup::OnClose(break_number, level);
}

}  // namespace

void IspisFakture() {
    RunWindowProcedure(kName, WindowKind::Report, IspisFaktureProgressWindow(), {},
                       [](ProcedureObjects& o) { return std::make_unique<Controller>(o); });
}

}  // namespace kvadrin
