// The items of an invoice: each item with its service's name, the sum of their totals under
// the list, and the item form for changes. Closing the window, however it closes, sums the
// invoice again from its items and replaces its receivable posting with one for the new
// total.
//
// The invoice and its posting are written as one transaction of the firm database: a write
// the database refuses, a read that fails, a crash or a kill leaves the invoice and the
// ledger as they were (the old posting stays), and the user is told which half failed. The
// invoice is read again inside the transaction, so that what another station wrote to it
// in the meantime (its earlier debt) is kept.
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/receivable_posting.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/datetime.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/transaction.h"
#include "shell/browse.h"

namespace kvadrin {
namespace {

const std::string& InvoiceMessage() {
    static const std::string m = rt::utf8_to_cp1250("Greška prilikom upisa iznosa fakture! Pokušaj ponovo.");
    return m;
}
const std::string& PostingMessage() {
    static const std::string m = rt::utf8_to_cp1250("Greška prilikom upisa zaduženja! Proveri.");
    return m;
}

// The rewrite of one invoice inside its transaction.
class Rewrite {
public:
    InvoiceRewrite Run() {
        const SFAKTRecord handed = SFA;
        invoice_ = SFA;
        voucher_ = VoucherNumber(OBR.OBRACUN);
        for (rt::FileManager* fm : {Access::SFAKT(), Access::SPROM(), Access::SKPROMET()})
            if (fm) fm->UseTable(rt::kUseOpen);
        if (!transaction_.Begin(Files::SFAKT())) return Fail(InvoiceMessage(), handed);
        if (!SumItems()) return Fail(InvoiceMessage(), handed);
        if (!WriteInvoice()) return Fail(InvoiceMessage(), handed);
        if (!ReplacePosting()) return Fail(PostingMessage(), handed);
        if (!transaction_.Commit()) return Fail(InvoiceMessage(), handed);
        return {.written = true, .message = {}};
    }

private:
    // Nothing stays written; the buffer holds the invoice as it was handed over.
    InvoiceRewrite Fail(const std::string& message, const SFAKTRecord& handed) {
        transaction_.Rollback();
        SFA = handed;
        return {.written = false, .message = message};
    }

    // The four columns from the invoice's items; an item of any other column counts in
    // none.
    bool SumItems() {
        rt::File& sprom = Files::SPROM();
        sprom.Clear();
        SPR.OBRACUN = invoice_.OBRACUN;
        SPR.SHKORISNIKA = invoice_.SHKORISNIKA.view();
        if (sprom.SetFrom(SPR_PO_OBRACUNU) != rt::kNoError) return false;
        for (;;) {
            const int rc = sprom.Next();
            if (rc == rt::kRecordNotAvailable) break;
            if (rc != rt::kNoError) return false;
            if (SPR.OBRACUN != invoice_.OBRACUN ||
                !rt::equal_nocase(SPR.SHKORISNIKA.view(), invoice_.SHKORISNIKA.view()))
                break;
            const std::string_view kolona = SPR.KOLONA.view();
            if (rt::equal_clipped(kolona, Odrzavanje()))
                odrzavanje_ += SPR.UKUPNO;
            else if (rt::equal_clipped(kolona, "El. energija"))
                struja_ += SPR.UKUPNO;
            else if (rt::equal_clipped(kolona, "Voda"))
                voda_ += SPR.UKUPNO;
            else if (rt::equal_clipped(kolona, "Ostalo"))
                ostalo_ += SPR.UKUPNO;
        }
        return true;
    }

    // The invoice as stored now, with its columns and its total (rounded to whole units)
    // from the items; its earlier debt is not touched.
    bool WriteInvoice() {
        rt::File& sfakt = Files::SFAKT();
        sfakt.Clear();
        SFA.OBRACUN = invoice_.OBRACUN;
        SFA.SHKORISNIKA = invoice_.SHKORISNIKA.view();
        if (sfakt.Get(SFA_PO_OBRACUNU) != rt::kNoError) return false;
        SFA.ODRZAVANJE = odrzavanje_;
        SFA.STRUJA = struja_;
        SFA.VODA = voda_;
        SFA.OSTALO = ostalo_;
        SFA.UKUPNO = rt::round(((SFA.ODRZAVANJE + SFA.STRUJA) + SFA.VODA) + SFA.OSTALO, 1);
        return sfakt.Put() == rt::kNoError;
    }

    // The customer's postings of the run's voucher on account 204 give way to one posting
    // of the new total; the customer's postings under other vouchers and accounts stay.
    bool ReplacePosting() {
        rt::File& skp = Files::SKPROMET();
        skp.Clear();
        SKP.SINTETIKA = "204";
        SKP.ANALITIKA = SFA.SHKORISNIKA.view();
        SKP.DATUM = std::numeric_limits<std::int32_t>::min();  // undated and odd dates too
        if (skp.SetFrom(SKP_PO_KONTU_GR) != rt::kNoError) return false;
        for (;;) {
            const int rc = skp.Next();
            if (rc == rt::kRecordNotAvailable) break;
            if (rc != rt::kNoError) return false;
            if (!rt::equal_nocase(SKP.SINTETIKA.view(), "204") ||
                !rt::equal_nocase(SKP.ANALITIKA.view(), SFA.SHKORISNIKA.view()))
                break;
            if (rt::equal_clipped(SKP.NALOG.view(), voucher_) && skp.Delete() != rt::kNoError) return false;
        }
        FillReceivablePosting({.run = OBR.OBRACUN,
                               .date = OBR.DATUM,
                               .due = OBR.VALUTA,
                               .run_name = OBR.NAZIV.view(),
                               .customer = SFA.SHKORISNIKA.view(),
                               .amount = SFA.UKUPNO,
                               // The day in five digits and the time of day in seven.
                               .recno = rt::format(rt::today(), "@n05") + rt::format(rt::clock(), "@n07")});
        return skp.Add() == rt::kNoError;
    }

    static const std::string& Odrzavanje() {
        static const std::string t = rt::utf8_to_cp1250("Održavanje");
        return t;
    }

    SFAKTRecord invoice_{};
    std::string voucher_;
    double odrzavanje_ = 0.0, struja_ = 0.0, voda_ = 0.0, ostalo_ = 0.0;
    rt::Transaction transaction_;
};

class BrowseSpromController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseSPROM", Definition(SFAKTRecord{})); }
    BrowseSpromController(ProcedureObjects& o, double& total)
        : BrowseProcedure(o, Definition(SFA)), total_(total) {}

    int Setup() override {
        const int level = BrowseProcedure::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::NAZIVI()) {
            r->SetCascadeOpen();
            OpenRelation(*r);
        }
        for (rt::FileManager* fm : {Access::SKPROMET(), Access::SFAKT(), Access::OBRAC()})
            if (fm) fm->UseTable(rt::kUseOpen);
        return level;
    }

    // However the window closes, once: the invoice summed again and its posting replaced.
    int OnCloseEvent() override {
        const int level = BrowseProcedure::OnCloseEvent();
        if (level != rt::ui::kLevelGoOn || rewritten_) return level;
        rewritten_ = true;
        const InvoiceRewrite r = PreknjiziFakturu();
        if (!r.written) rt::ui::Message(r.message);  // the plain message sounds its own beep
        return level;
    }

    int OnWindowEvent() override {
        const int level = BrowseProcedure::OnWindowEvent();
        if (window().event() == rt::ui::Event::AfterResize) PlaceTotal();
        return level;
    }

protected:
    void CallUpdate(int) override { UpdateSPROM(); }

    // Each item with its service.
    void DefineView() override {
        rt::File& oba = Files::OBAVEZE();
        view().AddJoin(oba, oba.KeyIndex("OBA:Po_sifri"), {"SPR:SIFRA"});
    }

    // The sum of the items' totals before each page is read. A failed read is reported
    // and closes the window; the sum keeps its value and the page is not read.
    bool BeforeLoadPage() override {
        rt::ui::Window& w = window();
        w.SetWaitCursor(true);
        std::vector<double> sums;
        const long items = view().Totals({"SPR:UKUPNO"}, sums);
        w.SetWaitCursor(false);
        if (items < 0) {
            Relate::SPROM()->Me().ReportError(rt::Msg::RetrievalError);
            w.Post(rt::ui::Event::CloseWindow);
            return false;
        }
        total_ = sums[0];
        w.Display(w.Feq("?UKUPNO"));
        return true;
    }

    void AfterLoadPage() override { PlaceTotal(); }

private:
    void PlaceTotal() {
        const std::pair<int, int> under[] = {{7, window().Feq("?UKUPNO")}};
        PlaceUnderColumns(under);
    }

    // The items of the invoice in the buffer, in service order.
    static BrowseDefinition Definition(const SFAKTRecord& invoice) {
        BrowseDefinition d;
        d.table = &Files::SPROM();
        d.relation = Relate::SPROM();
        d.joined = {&Files::OBAVEZE()};
        const std::int16_t run = invoice.OBRACUN;
        const std::string customer = invoice.SHKORISNIKA.str();
        d.orders = {{.key = "SPR:PO_OBRACUNU",
                     .locator_field = "SPR:SIFRA",
                     .range = [run, customer](rt::ui::BrowseManager& b) {
                         b.LimitToValue("SPR:OBRACUN", [run] { return rt::expr::Value::Int(run); });
                         b.LimitToValue("SPR:SHKORISNIKA",
                                        [customer] { return rt::expr::Value::Text(customer); });
                     }}};
        d.fields = {"SPR:DATUM",    "SPR:VALUTA", "SPR:SIFRA",  "OBA:NAZIV",
                    "SPR:KOLICINA", "SPR:CENA",   "SPR:UKUPNO", "SPR:KOLONA"};
        d.hidden = {"SPR:OBRACUN", "SPR:SHKORISNIKA", "OBA:SIFRA"};
        return d;
    }

    double& total_;
    bool rewritten_ = false;
};

}  // namespace

void CheckBrowseSPROMFields() { BrowseSpromController::CheckFields(); }

InvoiceRewrite PreknjiziFakturu() { return Rewrite().Run(); }

void BrowseSPROM() {
    double total = 0.0;
    RunWindowProcedure(
        "BrowseSPROM", WindowKind::Browse, BrowseSpromWindow(),
        [&total](rt::ui::Window& w) {
            const rt::RecordLayout& naz = table_def(TableId::NAZIVI).layout;
            const rt::RecordLayout& sfa = table_def(TableId::SFAKT).layout;
            const rt::RecordLayout& obr = table_def(TableId::OBRAC).layout;
            w.Use(w.Feq("?NAZ:NAZIV1"), rt::ui::Binding::OfField(*naz.field("NAZ:NAZIV1"), &NAZ));
            w.Use(w.Feq("?SFA:BROJSTANA"), rt::ui::Binding::OfField(*sfa.field("SFA:BROJSTANA"), &SFA));
            w.Use(w.Feq("?OBR:NAZIV"), rt::ui::Binding::OfField(*obr.field("OBR:NAZIV"), &OBR));
            w.Use(w.Feq("?UKUPNO"), rt::ui::Binding::OfReal(&total));
        },
        [&total](ProcedureObjects& o) { return std::make_unique<BrowseSpromController>(o, total); });
}

}  // namespace kvadrin
