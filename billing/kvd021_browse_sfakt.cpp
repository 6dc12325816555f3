// The invoices of a run: each invoice with its unit and partner and "UKUPAN DUG" (the
// total and the earlier debt), red while its unit has a water meter and the invoice no
// water; the totals of every column and the number of invoices under the list; the clause
// the invoice reports print, chosen in the drop list; and the invoice's print, the
// group's print, its items and the overview of obligations.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "billing/kvd020_izbor_za_fakture.h"
#include "billing/kvd023_ispis_fakture.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "shell/browse.h"

namespace kvadrin {
namespace {

constexpr std::int32_t kRed = 0x0000FF;
constexpr int kSamoTColumn = 10;

// The totals under the list.
struct InvoiceTotals {
    double odrzavanje = 0, struja = 0, voda = 0, ostalo = 0, ukupno = 0, ukdug = 0, uksamot = 0;
    std::int32_t ukfak = 0;
};

class BrowseSfaktController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseSFAKT", Definition(0)); }
    BrowseSfaktController(ProcedureObjects& o, InvoiceTotals& totals)
        : BrowseProcedure(o, Definition(OBR.OBRACUN)), totals_(totals) {}

    int Setup() override {
        const int level = BrowseProcedure::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::RelationManager* r = Relate::OBRAC()) {
            r->SetCascadeOpen();
            OpenRelation(*r);
        }
        if (rt::RelationManager* r = Relate::SKLAUZUL()) OpenRelation(*r);
        clause_ = window().Feq("?SKL:SIFRA");
        FillClauses();
        ChooseRunClause();
        return level;
    }

    int OnAccepted() override {
        rt::ui::Window& w = window();
        if (clause_ && w.field() == clause_) {
            // The chosen clause (its number is in SKL:SIFRA now) is what the reports print.
            IZABRANIOBRACUN = SKL.SIFRA;
            if (rt::FileManager* skl = Access::SKLAUZUL()) skl->TryFetch(SKL_Po_sifri);
            return rt::ui::kLevelGoOn;
        }
        return BrowseProcedure::OnAccepted();
    }

    int OnWindowEvent() override {
        const int level = BrowseProcedure::OnWindowEvent();
        if (window().event() == rt::ui::Event::AfterResize) PlaceTotals();
        return level;
    }

protected:
    void CallUpdate(int) override { UpdateSFAKT(); }

    // Each invoice with its unit (all of it: the water meter colours the row, the
    // coefficient prices the items) and its partner; a missing one leaves blanks.
    void DefineView() override {
        rt::File& kvd = Files::KVADRIN();
        rt::File& naz = Files::NAZIVI();
        view().AddJoin(kvd, kvd.KeyIndex("KVD:Po_broju"), {"SFA:BROJSTANA"});
        view().AddJoin(naz, naz.KeyIndex("NAZ:PO_KONTU"), {"SFA:SHKORISNIKA"});
    }

    // The totals over every invoice of the run, before each page is read. A failed read
    // is reported and closes the window; the totals keep their values and the page is
    // not read.
    bool BeforeLoadPage() override {
        rt::ui::Window& w = window();
        w.SetWaitCursor(true);
        std::vector<double> sums;
        const long invoices = view().Totals(
            {"SFA:ODRZAVANJE", "SFA:STRUJA", "SFA:VODA", "SFA:OSTALO", "SFA:UKUPNO", "SFA:DUG"}, sums);
        w.SetWaitCursor(false);
        if (invoices < 0) {
            Relate::SFAKT()->Me().ReportError(rt::Msg::RetrievalError);
            w.Post(rt::ui::Event::CloseWindow);
            return false;
        }
        totals_ = {sums[0], sums[1], sums[2],           sums[3],
                   sums[4], sums[5], sums[4] + sums[5], static_cast<std::int32_t>(invoices)};
        for (const char* total :
             {"?ODRZAVANJE", "?STRUJA", "?VODA", "?OSTALO", "?UKUPNO", "?UKDUG", "?UKSAMOT", "?UKFAK"})
            w.Display(w.Feq(total));
        return true;
    }

    void AfterLoadPage() override { PlaceTotals(); }

    // "UKUPAN DUG" is the total with the earlier debt; a unit with a water meter whose
    // invoice has no water amount is red in every column.
    void UpdateViewPosition() override {
        const double samot = SFA.UKUPNO + SFA.DUG;
        if (rt::equal_clipped(KVD.VODOMER.view(), "Da") && SFA.VODA == 0.0)
            browse().SetRowColors({kRed, -1, -1, kRed});
        browse().SetRowText(kSamoTColumn, rt::format(samot, "@n-14.2"));
    }

private:
    // Every clause, in number order, for the drop list.
    void FillClauses() {
        if (!clause_) return;
        std::vector<std::vector<std::string>> rows;
        rt::File& skl = Files::SKLAUZUL();
        skl.Clear();
        if (skl.Set(SKL_Po_sifri) == rt::kNoError)
            while (skl.Next() == rt::kNoError)
                rows.push_back({rt::format(SKL.SIFRA, "@n02"), rt::clip(SKL.OPIS.str())});
        window().SetRows(clause_, std::move(rows));
    }

    // The run's own clause, when there is one, is the one printed; otherwise the user is
    // asked to enter it and the clause chosen before stays (the drop list shows it).
    void ChooseRunClause() {
        rt::FileManager* skl = Access::SKLAUZUL();
        Files::SKLAUZUL().Clear();
        SKL.SIFRA = OBR.OBRACUN;
        if (skl && skl->TryFetch(SKL_Po_sifri) == rt::Level::Benign) {
            IZABRANIOBRACUN = SKL.SIFRA;
        } else {
            rt::ui::Message("Unesi klauzulu za ovaj mesec.");
            Files::SKLAUZUL().Clear();
            SKL.SIFRA = IZABRANIOBRACUN;
            if (skl) skl->TryFetch(SKL_Po_sifri);
        }
        if (clause_) window().Display(clause_);
    }

    void PlaceTotals() {
        rt::ui::Window& w = window();
        const std::pair<int, int> under[] = {
            {4, w.Feq("?ODRZAVANJE")}, {5, w.Feq("?STRUJA")}, {6, w.Feq("?VODA")},    {7, w.Feq("?OSTALO")},
            {8, w.Feq("?UKUPNO")},     {9, w.Feq("?UKDUG")},  {10, w.Feq("?UKSAMOT")}};
        PlaceUnderColumns(under);
    }

    static BrowseDefinition Definition(std::int16_t run) {
        BrowseDefinition d;
        d.table = &Files::SFAKT();
        d.relation = Relate::SFAKT();
        d.joined = {&Files::KVADRIN(), &Files::NAZIVI()};
        // The invoices of the run, in customer-code order.
        d.orders = {{.key = "SFA:PO_OBRACUNU",
                     .locator_field = "SFA:SHKORISNIKA",
                     .range = [run](rt::ui::BrowseManager& b) {
                         b.LimitToValue("SFA:OBRACUN", [run] { return rt::expr::Value::Int(run); });
                     }}};
        d.fields = {"SFA:BROJSTANA", "SFA:SHKORISNIKA", "NAZ:NAZIV1", "SFA:ODRZAVANJE", "SFA:STRUJA",
                    "SFA:VODA",      "SFA:OSTALO",      "SFA:UKUPNO", "SFA:DUG",        ""};
        d.hidden = {"SFA:OBRACUN", "KVD:BROJ", "KVD:VODOMER", "NAZ:ANALITIKA"};
        // In the order of the list's popup menu.
        d.buttons = {{.label = "?BUTTONNORECORDS", .text = "&STAVKE FAKTURE", .call = BrowseSPROM},
                     {.label = "?BUTTONNORECORDS:2", .text = "&FAKTURA", .call = IspisFakture},
                     {.label = "?BUTTONNORECORDS:3", .text = "&GRUPA FAKTURA", .call = IspisFakturaM3},
                     {.label = "?BUTTONNORECORDS:4", .text = "SPISAK &OBAVEZA", .call = SpisakObaveza}};
        return d;
    }

    InvoiceTotals& totals_;
    int clause_ = 0;
};

}  // namespace

void CheckBrowseSFAKTFields() { BrowseSfaktController::CheckFields(); }

void BrowseSFAKT() {
    InvoiceTotals totals;
    RunWindowProcedure(
        "BrowseSFAKT", WindowKind::Browse, BrowseSfaktWindow(),
        [&totals](rt::ui::Window& w) {
            const rt::RecordLayout& obr = table_def(TableId::OBRAC).layout;
            w.Use(w.Feq("?OBR:OBRACUN"), rt::ui::Binding::OfField(*obr.field("OBR:OBRACUN"), &OBR));
            w.Use(w.Feq("?OBR:NAZIV"), rt::ui::Binding::OfField(*obr.field("OBR:NAZIV"), &OBR));
            const rt::RecordLayout& skl = table_def(TableId::SKLAUZUL).layout;
            w.Use(w.Feq("?SKL:SIFRA"), rt::ui::Binding::OfField(*skl.field("SKL:SIFRA"), &SKL));
            w.Use(w.Feq("?ODRZAVANJE"), rt::ui::Binding::OfReal(&totals.odrzavanje));
            w.Use(w.Feq("?STRUJA"), rt::ui::Binding::OfReal(&totals.struja));
            w.Use(w.Feq("?VODA"), rt::ui::Binding::OfReal(&totals.voda));
            w.Use(w.Feq("?OSTALO"), rt::ui::Binding::OfReal(&totals.ostalo));
            w.Use(w.Feq("?UKUPNO"), rt::ui::Binding::OfReal(&totals.ukupno));
            w.Use(w.Feq("?UKDUG"), rt::ui::Binding::OfReal(&totals.ukdug));
            w.Use(w.Feq("?UKSAMOT"), rt::ui::Binding::OfReal(&totals.uksamot));
            w.Use(w.Feq("?UKFAK"), rt::ui::Binding::OfLong(&totals.ukfak));
        },
        [&totals](ProcedureObjects& o) { return std::make_unique<BrowseSfaktController>(o, totals); });
}

}  // namespace kvadrin
