// The invoice report. Every item line of the invoice computes the invoice's data (number,
// dates, debt lines, clause, the payment QR text and image) and prints; when the invoice's
// group closes the payment order form is printed at its place, and the report's own break
// prints the totals, the debt lines and the clause after the items.
#include "billing/kvd023_ispis_fakture.h"

#include <string>

#include "billing/payment_qr.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
#include "data/program_objects.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/qr/qr.h"

namespace kvadrin {
namespace {

using rt::ui::Binding;

constexpr const char* kName = "IspisFakture";

// Texts of STRING(n) variables: cut to their size.
std::string Cut(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    return s;
}

std::string Date(std::int32_t day) { return rt::format(static_cast<double>(day), "@d5b"); }

bool Equal(std::string_view a, std::string_view b) { return rt::clip(a) == rt::clip(b); }

// The procedure's variables.
struct Vars {
    std::string BROJ, DIZD, DPRO, DUG_PRETP, MOLBA, KLAUZULA, RACUN18, QRTEKST, QRSLIKA;
    double IZNOS = 0, ZANAPLATU = 0;
};

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
        rt::report::Report& r = report();
        r.Use("BROJ", Binding::OfText(&v.BROJ));
        r.Use("DIZD", Binding::OfText(&v.DIZD));
        r.Use("DPRO", Binding::OfText(&v.DPRO));
        r.Use("DUG_PRETP", Binding::OfText(&v.DUG_PRETP));
        r.Use("MOLBA", Binding::OfText(&v.MOLBA));
        r.Use("KLAUZULA", Binding::OfText(&v.KLAUZULA));
        r.Use("IZNOS", Binding::OfReal(&v.IZNOS));
        r.Use("ZANAPLATU", Binding::OfReal(&v.ZANAPLATU));
    }

    Vars v;

    // The invoice's data, the QR image and the item line.
    int Line() {
        BuildInvoiceData();
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
        // An account line the formatter cannot take gives no payment code a bank would
        // accept: the invoice is not printed until the firm's data are mended.
        if (AccountCharacters(ZIRORAC1.str()) > kMaxAccountCharacters) {
            rt::ui::Message(rt::utf8_to_cp1250("Tekući račun firme \"") + rt::clip(ZIRORAC1.str()) +
                                rt::utf8_to_cp1250("\" ima više od ") +
                                std::to_string(kMaxAccountCharacters) +
                                rt::utf8_to_cp1250(" znakova. Ispravite ga u podacima firme; faktura nije "
                                                   "odštampana."),
                            rt::utf8_to_cp1250("Tekući račun firme"), rt::ui::Icon::Exclamation);
            return rt::ui::kLevelFatal;
        }
        SKL.SIFRA = IZABRANIOBRACUN;
        Access::SKLAUZUL()->GetByKeyQuiet(SKL_Po_sifri);
        tracker_.Setup(1);
        tracker_.NewLevel(group_);
        tracker_.DefineBreakField(ReportVariable("SPR:SHKORISNIKA"));
        for (const char* f : {"ADRESA", "BROJ", "IZNOS", "MESTO", "NAZ:ADRESA", "NAZ:NAZIV1", "NAZ:SEDISTE",
                              "NAZIVFIRME", "OBR:SVRHA1", "OBR:SVRHA2", "OBR:SVRHA3", "ZIRORAC1"}) {
            if (std::string_view(f) == "BROJ")
                tracker_.DefineResetField(Binding::OfText(&v.BROJ));
            else if (std::string_view(f) == "IZNOS")
                tracker_.DefineResetField(Binding::OfReal(&v.IZNOS));
            else
                tracker_.DefineResetField(ReportVariable(f));
        }
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
        p.AddJoin(naz, NAZ_PO_KONTU, {"KVD:SHKORISNIKA"});
        p.AddJoin(oba, OBA_Po_sifri, {"SPR:SIFRA"});
        p.Project({"SPR:CENA", "SPR:KOLICINA", "SPR:KOLONA", "SPR:OBRACUN", "SPR:SHKORISNIKA", "SPR:SIFRA",
                   "SPR:UKUPNO", "SFA:BROJSTANA", "KVD:VODOMER", "KVD:SHKORISNIKA", "NAZ:ADRESA",
                   "NAZ:NAZIV1", "NAZ:SEDISTE", "OBA:JM", "OBA:NAZIV"});
        // The items of the highlighted invoice.
        p.LimitToRelation(sfa, {{"SPR:OBRACUN", "SFA:OBRACUN"}, {"SPR:SHKORISNIKA", "SFA:SHKORISNIKA"}});
    }

private:
    void BuildInvoiceData() {
        v.BROJ = rt::format(rt::to_number(NAZ.ANALITIKA.str()), "@N05") + "-" +
                 rt::format(static_cast<double>(SFA.OBRACUN), "@N02") + "-" +
                 rt::format(static_cast<double>(RAD_GOD - 2000), "@N02");
        v.DIZD = Cut(Date(OBR.DATUM) + ", " + MESTO.str(), 30);
        v.DPRO = Cut(Date(OBR.DATUMPROMETA) + ", " + MESTO.str(), 30);
        v.MOLBA.clear();
        v.DUG_PRETP.clear();
        const double debt = SFA.DUG;
        if (rt::round(debt, 0.01) > 0) {
            v.DUG_PRETP = "Dug iz prethodnog perioda " + rt::format(debt, "@n12.`2") + " dinara";
            if (debt >= 2000.0) v.MOLBA = rt::utf8_to_cp1250("MOLIMO IZMIRITE VAŠA DUGOVANJA");
        }
        if (rt::round(debt, 0.01) < 0)
            v.DUG_PRETP = rt::utf8_to_cp1250("Više uplaćeno ") + rt::format(debt, "@n12.`2") + " dinara";
        v.IZNOS = SFA.UKUPNO + SFA.DUG;
        if (v.IZNOS < 0.0) v.IZNOS = 0.0;
        v.ZANAPLATU = SFA.UKUPNO;
        v.KLAUZULA = Equal(KVD.SP.str(), "Stan") ? SKL.TEKSTKLAUZULE.str() : SKL.TEKSTPOSLOVNI.str();
        if (Equal(KVD.VODOMER.str(), "Da") && Equal(SPR.KOLONA.str(), "Voda") &&
            rt::upper(OBA.NAZIV.str()).find("ODR") == std::string::npos)
            OBA.JM = "m3";
        v.RACUN18 = FormatirajRacun(ZIRORAC1.str());
        v.QRTEKST = PaymentQrText(PaymentQrData{rt::clip(v.RACUN18), NAZIVFIRME.str(), MESTO.str(), v.IZNOS,
                                                OBR.SVRHA1.str(), v.BROJ});
    }

    // The report's own image file; the same text needs no new image. Where the image
    // cannot be made the form prints without a code (never an older image).
    void MakeQrImage() {
        if (v.QRTEKST != made_text_ || v.QRSLIKA.empty()) {
            v.QRSLIKA = temp_.File("qr.png");
            const int rc = v.QRSLIKA.empty()
                               ? rt::qr::kQrWriteFailed
                               : rt::qr::GenerateQrCode(rt::cp1250_to_utf8(rt::clip(v.QRTEKST)), v.QRSLIKA,
                                                        "2", "png", "black", "white");
            made_text_ = v.QRTEKST;
            if (rc != rt::qr::kQrOk) {
                v.QRSLIKA.clear();
                made_text_.clear();
                if (!qr_failed_) TellQrMissing();
                qr_failed_ = true;
            }
        }
        report().SetText("?IMAGE2", v.QRSLIKA);
    }

    void TellQrMissing() {
        rt::ui::Message(
            rt::utf8_to_cp1250(
                "QR kod za uplatu nije mogao biti napravljen; nalog za uplatu se štampa bez njega."),
            "QR kod", rt::ui::Icon::Exclamation);
    }

    InvoiceProcess process_;
    Group group_;
    rt::report::BreakTracker tracker_;
    rt::report::TempFolder temp_;
    std::string made_text_;
    bool qr_failed_ = false;
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
