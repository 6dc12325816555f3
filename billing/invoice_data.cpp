#include "billing/invoice_data.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "billing/payment_qr.h"
#include "billing/report_frame.h"
#include "data/access.h"
#include "data/globals.h"
#include "data/keys.h"
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

namespace {

void Tell(const std::string& text) { rt::ui::Message(text, "QR kod", rt::ui::Icon::Exclamation); }

// Writes the image of v.QRTEKST to `file`; where it cannot be written no file of that
// name is left, so no older image can stand in for it.
bool WriteQrImage(const InvoiceVars& v, const std::string& file) {
    if (file.empty()) return false;
    std::error_code ec;
    std::filesystem::remove(file, ec);
    const int rc =
        rt::qr::GenerateQrCode(rt::cp1250_to_utf8(rt::clip(v.QRTEKST)), file, "2", "png", "black", "white");
    if (rc == rt::qr::kQrOk) return true;
    std::filesystem::remove(file, ec);
    return false;
}

}  // namespace

void PaymentCodes::CheckAccount() {
    account_ok_ = IsPaymentAccount(ZIRORAC1.str());
    if (account_ok_ || rt::clip(ZIRORAC1.str()).empty()) return;  // none given: nothing to name
    Tell(rt::utf8_to_cp1250("Tekući račun firme \"") + rt::clip(ZIRORAC1.str()) +
         rt::utf8_to_cp1250("\" nije ispravan broj računa (tri grupe cifara odvojene crticama, "
                            "kontrolni broj po modulu 97); banke bi odbile QR kod sa njim. Nalozi za "
                            "uplatu se štampaju bez QR koda; ispravite račun u podacima firme."));
}

void PaymentCodes::Make(InvoiceVars& v, const std::string& name) {
    v.QRSLIKA.clear();
    if (!account_ok_) return;
    if (!AmountFitsPaymentText(v.IZNOS)) {
        std::string amount = rt::format(v.IZNOS, "@n-24.`2");
        amount.erase(0, amount.find_first_not_of(' '));
        if (!amount_told_)
            Tell(rt::utf8_to_cp1250("Iznos ") + amount + rt::utf8_to_cp1250(" fakture ") + rt::clip(v.BROJ) +
                 rt::utf8_to_cp1250(" ne staje u QR kod za uplatu (najviše 999.999.999.999,99); nalozi "
                                    "za uplatu sa takvim iznosom se štampaju bez QR koda."));
        amount_told_ = true;
        return;
    }
    if (v.QRTEKST == made_text_ && name == made_name_ && !made_file_.empty()) {
        v.QRSLIKA = made_file_;
        return;
    }
    made_text_.clear();
    made_file_.clear();
    // The folder's path is a name on disk; the report takes the image by the program's
    // text of it, so a path that text cannot hold (letters outside the code page) is no
    // place for the image either.
    const std::string file = folder_.File(name);
    const std::string named = rt::utf8_to_cp1250(file);
    if (rt::cp1250_to_utf8(named) != file || !WriteQrImage(v, file)) {
        if (!image_told_)
            Tell(one_invoice_ ? rt::utf8_to_cp1250("QR kod za uplatu nije mogao biti napravljen; nalog za "
                                                   "uplatu se štampa bez njega.")
                              : rt::utf8_to_cp1250("QR kod za uplatu fakture ") + rt::clip(v.BROJ) +
                                    rt::utf8_to_cp1250(" nije mogao biti napravljen; nalozi za uplatu bez "
                                                       "QR koda se štampaju bez njega."));
        image_told_ = true;
        return;
    }
    made_text_ = v.QRTEKST;
    made_name_ = name;
    made_file_ = named;
    v.QRSLIKA = named;
}

namespace {

// A table opened for the scope (the opens are counted: one the report holds stays).
class Opened {
public:
    explicit Opened(rt::FileManager* fm) : fm_(fm) {
        if (!fm_) return;
        fm_->Open();
        fm_->UseTable(rt::kUseOpen);
    }
    ~Opened() {
        if (fm_) fm_->Close();
    }
    Opened(const Opened&) = delete;
    Opened& operator=(const Opened&) = delete;

private:
    rt::FileManager* fm_;
};

bool PayerOfBuffer() {
    if (!rt::clip(NAZ.ANALITIKA.str()).empty() && Equal(NAZ.ANALITIKA.str(), SFA.SHKORISNIKA.str()))
        return true;
    Opened open(Access::NAZIVI());
    rt::File& naz = Files::NAZIVI();
    naz.Clear();
    NAZ.ANALITIKA = SFA.SHKORISNIKA.str();
    if (naz.Get(NAZ_PO_KONTU) == rt::kNoError) return true;
    naz.Clear();
    return false;
}

void TellPayerMissing() {
    rt::ui::Message(rt::utf8_to_cp1250("Platilac fakture sa šifrom ") + rt::clip(SFA.SHKORISNIKA.str()) +
                        rt::utf8_to_cp1250(" (stan ") + rt::clip(SFA.BROJSTANA.str()) +
                        rt::utf8_to_cp1250(") nije nađen u registru vlasnika. Faktura bez platioca se ne "
                                           "štampa; unesite vlasnika sa tom šifrom."),
                    rt::utf8_to_cp1250("Platilac fakture"), rt::ui::Icon::Exclamation);
}

}  // namespace

bool ReadInvoicePayer() {
    if (PayerOfBuffer()) return true;
    TellPayerMissing();
    return false;
}

std::vector<std::string> InvoicesOfTheRunWithoutPayer() {
    const SFAKTRecord invoice = SFA;
    const NAZIVIRecord partner = NAZ;
    std::vector<std::string> missing;
    {
        Opened open(Access::SFAKT());
        rt::File& sfa = Files::SFAKT();
        sfa.Clear();
        SFA.OBRACUN = OBR.OBRACUN;
        if (sfa.SetFrom(SFA_PO_OBRACUNU) == rt::kNoError) {
            while (sfa.Next() == rt::kNoError && SFA.OBRACUN == OBR.OBRACUN)
                if (!PayerOfBuffer()) missing.push_back(rt::clip(SFA.SHKORISNIKA.str()));
        }
    }
    SFA = invoice;
    NAZ = partner;
    return missing;
}

void TellInvoicesWithoutPayer(const std::vector<std::string>& customers) {
    std::string list;
    for (std::size_t i = 0; i < customers.size() && i < 20; ++i) list += (i ? ", " : "") + customers[i];
    if (customers.size() > 20) list += rt::utf8_to_cp1250(" i još ") + std::to_string(customers.size() - 20);
    rt::ui::Message(rt::utf8_to_cp1250("Fakture sa ovim šiframa nemaju platioca u registru vlasnika i ne "
                                       "štampaju se: ") +
                        list + rt::utf8_to_cp1250(". Unesite vlasnike sa tim šiframa."),
                    rt::utf8_to_cp1250("Platilac fakture"), rt::ui::Icon::Exclamation);
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
