#include "billing/invoice_data.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "billing/payment_qr.h"
#include "billing/report_frame.h"
#include "data/globals.h"
#include "data/tables.h"
#include "data/thread_data.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/qr/qr.h"
#include "platform/ui/window.h"

namespace kvadrin {
namespace {

using rt::ui::Binding;

// Texts of STRING(n) variables: cut to their size.
std::string Cut(std::string s, std::size_t n) {
    if (s.size() > n) s.resize(n);
    return s;
}

std::string Date(std::int32_t day) { return rt::format(static_cast<double>(day), "@d5b"); }

bool Equal(std::string_view a, std::string_view b) { return rt::clip(a) == rt::clip(b); }

}  // namespace

void UseInvoiceVars(rt::report::Report& r, InvoiceVars& v) {
    r.Use("BROJ", Binding::OfText(&v.BROJ));
    r.Use("DIZD", Binding::OfText(&v.DIZD));
    r.Use("DPRO", Binding::OfText(&v.DPRO));
    r.Use("DUG_PRETP", Binding::OfText(&v.DUG_PRETP));
    r.Use("MOLBA", Binding::OfText(&v.MOLBA));
    r.Use("KLAUZULA", Binding::OfText(&v.KLAUZULA));
    r.Use("IZNOS", Binding::OfReal(&v.IZNOS));
    r.Use("ZANAPLATU", Binding::OfReal(&v.ZANAPLATU));
}

void ComputeInvoice(InvoiceVars& v) {
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
    v.RACUN18 = FormatirajRacun(ZIRORAC1.str());
    v.QRTEKST = PaymentQrText(
        PaymentQrData{rt::clip(v.RACUN18), NAZIVFIRME.str(), MESTO.str(), v.IZNOS, OBR.SVRHA1.str(), v.BROJ});
}

void ApplyWaterUnit(const char* unit) {
    if (Equal(KVD.VODOMER.str(), "Da") && Equal(SPR.KOLONA.str(), "Voda") &&
        rt::upper(OBA.NAZIV.str()).find("ODR") == std::string::npos)
        OBA.JM = unit;
}

void SetupInvoiceBreak(rt::report::BreakTracker& tracker, rt::report::BreakGroup& group, InvoiceVars& v) {
    tracker.Setup(1);
    tracker.NewLevel(group);
    tracker.DefineBreakField(ReportVariable("SPR:SHKORISNIKA"));
    for (const char* f : {"ADRESA", "BROJ", "IZNOS", "MESTO", "NAZ:ADRESA", "NAZ:NAZIV1", "NAZ:SEDISTE",
                          "NAZIVFIRME", "OBR:SVRHA1", "OBR:SVRHA2", "OBR:SVRHA3", "ZIRORAC1"}) {
        if (std::string_view(f) == "BROJ")
            tracker.DefineResetField(Binding::OfText(&v.BROJ));
        else if (std::string_view(f) == "IZNOS")
            tracker.DefineResetField(Binding::OfReal(&v.IZNOS));
        else
            tracker.DefineResetField(ReportVariable(f));
    }
}

bool MakeQrImage(InvoiceVars& v, const std::string& file) {
    v.QRSLIKA.clear();
    if (file.empty()) return false;
    std::error_code ec;
    std::filesystem::remove(file, ec);
    const int rc =
        rt::qr::GenerateQrCode(rt::cp1250_to_utf8(rt::clip(v.QRTEKST)), file, "2", "png", "black", "white");
    if (rc != rt::qr::kQrOk) {
        std::filesystem::remove(file, ec);
        return false;
    }
    v.QRSLIKA = file;
    return true;
}

void TellQrMissing(const std::string& which) {
    if (which.empty()) {
        rt::ui::Message(
            rt::utf8_to_cp1250(
                "QR kod za uplatu nije mogao biti napravljen; nalog za uplatu se štampa bez njega."),
            "QR kod", rt::ui::Icon::Exclamation);
        return;
    }
    rt::ui::Message(rt::utf8_to_cp1250("QR kod za uplatu fakture ") + which +
                        rt::utf8_to_cp1250(" nije mogao biti napravljen; nalozi za uplatu bez QR koda se "
                                           "štampaju bez njega."),
                    "QR kod", rt::ui::Icon::Exclamation);
}

bool AccountLineRefused() {
    if (AccountCharacters(ZIRORAC1.str()) <= kMaxAccountCharacters) return false;
    rt::ui::Message(rt::utf8_to_cp1250("Tekući račun firme \"") + rt::clip(ZIRORAC1.str()) +
                        rt::utf8_to_cp1250("\" ima više od ") + std::to_string(kMaxAccountCharacters) +
                        rt::utf8_to_cp1250(" znakova. Ispravite ga u podacima firme; faktura nije "
                                           "odštampana."),
                    rt::utf8_to_cp1250("Tekući račun firme"), rt::ui::Icon::Exclamation);
    return true;
}

}  // namespace kvadrin
