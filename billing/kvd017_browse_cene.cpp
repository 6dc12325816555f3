// The price list of one billing run: the run's price rows with their services, the sum of
// their totals under the list, and the command "KREIRAJ ZADUŽENJA PO OBRAČUNU", which
// creates the run's charges and closes the list. A locked run offers no such command.
#include <memory>
#include <vector>

#include "billing/kvd005_browse_obracuni.h"
#include "data/access.h"
#include "data/tables.h"
#include "platform/core/text.h"
#include "shell/browse.h"

namespace kvadrin {
namespace {

class BrowseCeneController : public BrowseProcedure {
public:
    static void CheckFields() { CheckBrowseFields("BrowseCene", Definition()); }
    BrowseCeneController(ProcedureObjects& o, double& sum) : BrowseProcedure(o, Definition()), sum_(sum) {}

    int Setup() override {
        const int level = BrowseProcedure::Setup();
        if (level != rt::ui::kLevelGoOn) return level;
        if (rt::FileManager* obrac = Access::OBRAC()) obrac->UseTable(rt::kUseOpen);
        if (OBR.ZAKLJUCAN != 0) window().Hide(window().Feq("?BUTTONNORECORDS"));
        return level;
    }

protected:
    void CallUpdate(int) override { UpdateCENE(); }

    // Each service with its name and unit of measure.
    void DefineView() override {
        rt::File& oba = Files::OBAVEZE();
        view().AddJoin(oba, oba.KeyIndex("OBA:Po_sifri"), {"CEN:SIFRA"});
    }

    // Before each page: the sum of the run's totals. A failed read is reported and closes
    // the list, the page unread.
    bool BeforeLoadPage() override {
        rt::ui::Window& w = window();
        w.SetWaitCursor(true);
        std::vector<double> sums;
        const long rows = view().Totals({"CEN:UKUPNO"}, sums);
        w.SetWaitCursor(false);
        if (rows < 0) {
            Relate::CENE()->Me().ReportError(rt::Msg::RetrievalError);
            w.Post(rt::ui::Event::CloseWindow);
            return false;
        }
        sum_ = sums[0];
        w.Display(w.Feq("?UKUPNO"));
        return true;
    }

private:
    static BrowseDefinition Definition() {
        BrowseDefinition d;
        d.table = &Files::CENE();
        d.relation = Relate::CENE();
        d.cascade_open = true;
        d.joined = {&Files::OBAVEZE()};
        d.orders = {{"CEN:Po_obracunu", "CEN:SIFRA", false, true, [](rt::ui::BrowseManager& b) {
                         b.LimitToValue("CEN:OBRACUN", Files::OBRAC(), "OBR:OBRACUN");
                     }}};
        d.fields = {"CEN:SIFRA", "OBA:NAZIV", "CEN:KOLICINA", "OBA:JM", "CEN:UKUPNO", "CEN:CENA"};
        d.hidden = {"CEN:OBRACUN", "OBA:SIFRA"};
        // After the charges are created the list closes, back to the runs.
        d.buttons = {{"?BUTTONNORECORDS", rt::utf8_to_cp1250("KREIRAJ ZADUŽENJA PO OBRAČUNU"), [] {
                          KreirajZaduzenja();
                          rt::ui::rtl_post(rt::ui::Event::CloseWindow);
                      }}};
        return d;
    }

    double& sum_;
};

}  // namespace

void CheckBrowseCeneFields() { BrowseCeneController::CheckFields(); }

void BrowseCene() {
    double sum = 0.0;
    RunWindowProcedure(
        "BrowseCene", WindowKind::Browse, BrowseCeneWindow(),
        [&sum](rt::ui::Window& w) {
            const rt::RecordLayout& obr = table_def(TableId::OBRAC).layout;
            w.Use(w.Feq("?OBR:OBRACUN"), rt::ui::Binding::OfField(*obr.field("OBR:OBRACUN"), &OBR));
            w.Use(w.Feq("?OBR:NAZIV"), rt::ui::Binding::OfField(*obr.field("OBR:NAZIV"), &OBR));
            w.Use(w.Feq("?UKUPNO"), rt::ui::Binding::OfReal(&sum));
        },
        [&sum](ProcedureObjects& o) { return std::make_unique<BrowseCeneController>(o, sum); });
}

}  // namespace kvadrin
