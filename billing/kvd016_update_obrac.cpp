// The billing-run form: number, description, the three lines of payment purpose, the
// dates and the locked flag. A new run left at number 0 gets the next free number, read
// through the carrier table; a typed number must be free.
#include <memory>
#include <string>

#include "billing/kvd005_browse_obracuni.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "shell/form.h"

namespace kvadrin {

int NextRunNumber(std::string& why) {
    rt::File& ainc = Files::AINC();
    auto failed = [&why](const char* what) {
        const bool driver = rt::ErrorCode() == rt::kDriverError;
        why = rt::utf8_to_cp1250(std::string("Sledeći broj obračuna nije pročitan (") + what + "): ") +
              (driver ? rt::FileErrorCode() + " " + rt::FileError() : rt::Error());
        return 0;
    };
    if (ainc.SendSql("SELECT '1','',0,ISNULL(MAX(OBRACUN)+1,1) FROM OBRAC") != rt::kNoError)
        return failed("upit");
    if (ainc.Next() != rt::kNoError) return failed("red upita");
    const int next = A.R_SHORT;
    if (next < kFirstRun || next > kLastRun) {
        why = rt::utf8_to_cp1250("Sledeći broj obračuna bio bi " + std::to_string(next) +
                                 ", a obračuni se broje od 1 do 99 (dve cifre). Novi obračun nije upisan.");
        return 0;
    }
    return next;
}

namespace {

constexpr const char* kName = "UpdateOBRAC";

const rt::RecordLayout& ObrLayout() { return table_def(TableId::OBRAC).layout; }

class UpdateObracController : public FormController {
public:
    explicit UpdateObracController(ProcedureObjects& o) : FormController(o, Parts(o.window)) {}

    // The carrier table of the next number: a temporary table of the connection for an
    // insert, else the table "zzz_ainc"; made here, dropped at the end.
    int Setup() override {
        AINCIME = CallRequest == InsertRecord ? "#zzz_ainc_kvd" : "zzz_ainc";  // REQUEST is set next
        rt::File& ainc = Files::AINC();
        ainc.Create();  // an existing table stays
        ainc.Open(rt::kReadWrite | rt::kDenyWrite);
        carrier_ = true;
        return FormController::Setup();
    }
    int Teardown() override {
        const int level = FormController::Teardown();
        if (carrier_) {
            Files::AINC().Close();
            Files::AINC().Remove();
            carrier_ = false;
        }
        return level;
    }

    // The run's number: the next free one for a new run left at 0; a typed one must be
    // free. Either must fit the run's two digits. (A box with a text only sounds the
    // standard beep.)
    int OnCompleted() override {
        rt::ui::Window& w = window();
        const int number = w.Feq("?OBR:OBRACUN");
        bool assigned = false;
        if (REQUEST == InsertRecord) {
            if (OBR.OBRACUN == 0) {
                std::string why;
                const int next = NextRunNumber(why);
                if (next == 0) {
                    rt::ui::Message(why);
                    w.Select(w.Feq("?OBR:NAZIV"));
                    return rt::ui::kLevelConsumed;
                }
                OBR.OBRACUN = static_cast<std::int16_t>(next);
                w.Display(number);
                assigned = true;
            } else if (RunExists()) {
                rt::ui::Message(rt::utf8_to_cp1250("Obračun sa tim rednim brojem već postoji!"));
                w.Select(w.Feq("?CANCEL"));
            }
        }
        if ((REQUEST == InsertRecord || REQUEST == ChangeRecord) &&
            (OBR.OBRACUN < kFirstRun || OBR.OBRACUN > kLastRun)) {
            rt::ui::Message(rt::utf8_to_cp1250("Broj obračuna mora biti od 1 do 99."));
            w.Select(number);
            return rt::ui::kLevelConsumed;
        }
        const int level = FormController::OnCompleted();
        // A number taken meanwhile by another workstation is refused by the key: the run
        // goes back to 0, so that the next OK reads the next number again.
        if (assigned && level != rt::ui::kLevelGoOn) {
            OBR.OBRACUN = 0;
            w.Display(number);
        }
        return level;
    }

private:
    // Whether a run with the number in the buffer is stored already (the buffer kept).
    bool RunExists() {
        rt::FileManager& fm = Relate::OBRAC()->Me();
        const std::uint16_t copy = fm.SaveRecordCopy();
        const bool found = fm.GetByKeyQuiet(OBR_Po_obracunu) == rt::Level::Benign;
        fm.RestoreRecordCopy(copy);
        return found;
    }

    static FormParts Parts(rt::ui::Window& w) {
        FormParts p;
        p.updated = Relate::OBRAC();
        p.history = FormHistory(kName, ObrLayout());
        p.recall_fields = RecallFields(w, ObrLayout());
        p.first_field = w.Feq("?OBR:OBRACUN:PROMPT");
        return p;
    }

    bool carrier_ = false;
};

}  // namespace

void UpdateOBRAC() {
    RunWindowProcedure(
        kName, WindowKind::Form, UpdateObracWindow(),
        [](rt::ui::Window& w) {
            BindFormFields(w, {{ObrLayout(), &OBR}});
        },
        [](ProcedureObjects& o) { return std::make_unique<UpdateObracController>(o); });
}

}  // namespace kvadrin
