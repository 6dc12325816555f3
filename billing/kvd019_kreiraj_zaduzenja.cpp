// Charge creation: for one billing run, one charge line per unit and price row, one
// invoice per customer code with the lines summed into its four columns, the customer's
// earlier debt and the rounded total, one receivable posting per invoice and the run's
// voucher header. The run's old rows go first, by three set-wise deletions.
//
// Everything from the first deletion to the voucher header is one transaction of the firm
// database: a statement or row the database refuses (other than the second unit of a
// shared customer code, see below), a crash or a kill leaves the run's previous lines,
// invoices, postings and header as they were. Because nothing else can change the run's
// rows inside the transaction, the lines are summed into their invoices as they were
// written, and each invoice is written once, complete, beside its posting.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "billing/kvd005_browse_obracuni.h"
#include "billing/price_method.h"
#include "billing/receivable_posting.h"
#include "data/access.h"
#include "data/keys.h"
#include "data/tables.h"
#include "platform/core/numeric.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"
#include "platform/files/transaction.h"
#include "platform/ui/window.h"

namespace kvadrin {
namespace {

// Texts the creation compares and writes, in the program's code page.
struct Texts {
    std::string odrzavanje = rt::utf8_to_cp1250("Održavanje");
    std::string struja = "El. energija";
    std::string voda = "Voda";
    std::string ostalo = "Ostalo";
    std::string da = "Da";
};
const Texts& T() {
    static const Texts t;
    return t;
}

bool Is(std::string_view field, const std::string& text) { return rt::equal_clipped(field, text); }

// The last failure as the driver gave it: its code text and message.
struct Failure {
    std::string code, text;
};
Failure LastFailure() {
    if (rt::ErrorCode() == rt::kDriverError) return {rt::FileErrorCode(), rt::FileError()};
    return {std::to_string(rt::ErrorCode()), rt::Error()};
}

// A price row of the run with its service as the lookup left it.
struct PriceRow {
    CENERecord cen;
    OBAVEZERecord oba;
};

// Quantity and price of a unit's line by the service's method.
void QuantityAndPrice(const PriceRow& p, double& quantity, double& price) {
    const Texts& t = T();
    quantity = 0.0;
    price = 0.0;
    switch (PriceMethodOf(p.oba.NACIN.view())) {
        case PriceMethod::Area:
            quantity = KVD.POVRSINA;
            price = p.cen.CENAPOVR;
            break;
        case PriceMethod::HeatedArea:
            quantity = KVD.POVRSINAGR;
            price = p.cen.CENAGRPOVRS;
            break;
        case PriceMethod::Unit:
            quantity = 1.0;
            price = p.cen.CENASTAN;
            break;
        case PriceMethod::Person:
            if (Is(p.oba.KOLONA.view(), t.voda)) {
                if (Is(KVD.VODOMER.view(), t.da)) {
                    quantity = 0.0;  // metered: the quantity is entered on the line later
                    price = p.cen.CENA;
                } else {
                    quantity = KVD.BROJOSOBA;
                    price = p.cen.CENAVODA;
                }
            } else {
                quantity = KVD.BROJOSOBA;
                price = p.cen.CENAOSOBA;
            }
            break;
        case PriceMethod::Fixed:
            quantity = 1.0;
            price = p.cen.CENA;
            break;
        case PriceMethod::None: break;
    }
}

// The invoice column a line's amount goes to.
enum class Col { None, Odrzavanje, Struja, Voda, Ostalo };
Col ColumnOf(std::string_view kolona) {
    const Texts& t = T();
    if (Is(kolona, t.odrzavanje)) return Col::Odrzavanje;
    if (Is(kolona, t.struja)) return Col::Struja;
    if (Is(kolona, t.voda)) return Col::Voda;
    if (Is(kolona, t.ostalo)) return Col::Ostalo;
    return Col::None;
}

// A line as written: what its invoice takes from it.
struct Line {
    std::string customer, unit;
    Col column;
    double total;
};

// Customer codes as the keys compare them: without case, trailing blanks ignored.
struct NoCase {
    bool operator()(const std::string& a, const std::string& b) const { return rt::compare_nocase(a, b) < 0; }
};

class Creation {
public:
    explicit Creation(ChargeProgress& progress) : progress_(progress) {}

    ChargeOutcome Run() {
        run_ = OBR.OBRACUN;
        datum_ = OBR.DATUM;
        valuta_ = OBR.VALUTA;
        naziv_ = OBR.NAZIV.str();
        if (run_ < kFirstRun || run_ > kLastRun) {
            out_.message =
                rt::utf8_to_cp1250("Zaduženja se mogu kreirati samo za obračune od 1 do 99; ovo je obračun " +
                                   std::to_string(run_) + ".");
            return out_;
        }
        OtvoriFajlove();
        progress_.Start(Files::KVADRIN().Records());
        if (Begin() && Delete() && Lines()) {
            Invoices();
            if (Debts() && Postings() && Header() && Commit()) out_.created = true;
        }
        ZatvoriFajlove();
        if (!out_.created) out_.lines = out_.invoices = out_.postings = 0;
        return out_;
    }

private:
    // The tables the creation reads and writes, opened through their access objects (the
    // price list that calls it holds CENE and OBAVEZE open already; the counted opens
    // make that harmless).
    void OtvoriFajlove() {
        if (rt::RelationManager* r = Relate::NALOZIS()) {
            r->SetCascadeOpen();
            r->Open();
            r->Me().UseTable(rt::kUseOpen);  // read and written directly below
        }
        for (rt::FileManager* fm : {Access::SKPROMET(), Access::SFAKT(), Access::SPROM(), Access::OBRAC(),
                                    Access::KVADRIN(), Access::CENE(), Access::OBAVEZE()}) {
            if (!fm) continue;
            fm->Open();
            fm->UseTable(rt::kUseOpen);
            opened_.push_back(fm);
        }
        files_opened_ = true;
    }
    void ZatvoriFajlove() {
        if (!files_opened_) return;
        if (rt::RelationManager* r = Relate::NALOZIS()) r->Close();
        for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) (*it)->Close();
        opened_.clear();
        files_opened_ = false;
    }

    // Gives up: the transaction is rolled back and `why` is what the user is told.
    bool Fail(std::string why) {
        transaction_.Rollback();
        out_.message = std::move(why);
        return false;
    }
    // "Zaduženja za obračun 05 nisu kreirana: <what> (<code> <text>). ..."
    bool FailWith(const std::string& what_utf8) {
        const Failure f = LastFailure();
        return Fail(rt::utf8_to_cp1250("Zaduženja za obračun " + rt::format(run_, "@N02") +
                                       " nisu kreirana: " + what_utf8 + " (") +
                    f.code + " " + f.text +
                    rt::utf8_to_cp1250("). Podaci obračuna su ostali kakvi su bili."));
    }

    bool Begin() {
        if (!transaction_.Begin(Files::SFAKT())) return FailWith("baza podataka nije mogla da započne upis");
        return true;
    }
    bool Commit() {
        if (!transaction_.Commit()) return FailWith("upis u bazu podataka nije potvrđen");
        return true;
    }

    // The run's invoices, lines and postings by SQL text, then its voucher header. A
    // failed deletion is told with the driver's code text, the statement's tag and the
    // driver's text, and ends the creation.
    bool Delete() {
        const std::string n2 = rt::format(run_, "@N2");
        const struct {
            std::string sql;
            const char* tag;
        } statements[] = {{"DELETE FROM SFAKT WHERE OBRACUN=" + n2, "#A "},
                          {"DELETE FROM SPROM WHERE OBRACUN=" + n2, "#B "},
                          {"DELETE FROM SKPROMET WHERE NALOG='" + VoucherNumber(run_) + "'", "#C "}};
        for (const auto& s : statements) {
            if (Files::SFAKT().SendSql(s.sql) == rt::kNoError) continue;
            const Failure f = LastFailure();
            return Fail(
                f.code + s.tag + f.text + "\n" +
                rt::utf8_to_cp1250("Zaduženja nisu kreirana; podaci obračuna su ostali kakvi su bili."));
        }
        rt::File& nls = Files::NALOZIS();
        nls.Clear();
        NLS.BROJ = VoucherNumber(run_);
        const int got = nls.Get(NLS_PO_BROJU);
        if (got == rt::kRecordNotFound) return true;
        if (got != rt::kNoError)
            return FailWith("zaglavlje naloga " + VoucherNumber(run_) + " nije pročitano");
        if (nls.Delete() != rt::kNoError)
            return FailWith("zaglavlje naloga " + VoucherNumber(run_) + " nije obrisano");
        return true;
    }

    // The run's price rows in CEN:Po_obracunu order, each with its service. A service
    // that is missing gives an empty method and column: its lines count nowhere.
    bool LoadPrices() {
        rt::File& cene = Files::CENE();
        cene.Clear();
        CEN.OBRACUN = static_cast<std::int16_t>(run_);
        if (cene.SetFrom(CEN_Po_obracunu) != rt::kNoError) return FailWith("cene obračuna nisu pročitane");
        for (;;) {
            const int rc = cene.Next();
            if (rc == rt::kRecordNotAvailable) break;
            if (rc != rt::kNoError) return FailWith("cene obračuna nisu pročitane");
            if (CEN.OBRACUN != run_) break;
            PriceRow p;
            p.cen = CEN;
            Files::OBAVEZE().Clear();
            OBA.SIFRA = CEN.SIFRA.view();
            const int got = Files::OBAVEZE().Get(OBA_Po_sifri);
            if (got != rt::kNoError && got != rt::kRecordNotFound)
                return FailWith("usluga " + rt::cp1250_to_utf8(rt::clip(CEN.SIFRA.view())) +
                                " nije pročitana");
            if (got == rt::kRecordNotFound) {
                Files::OBAVEZE().Clear();
                OBA.SIFRA = CEN.SIFRA.view();
            }
            p.oba = OBA;
            prices_.push_back(p);
        }
        return true;
    }

    // Loop 1: one line per unit (in customer-code order) and price row. The lines' key
    // admits one line per customer code and service, so the units after the first of a
    // shared customer code get none: that refusal is intended, not a failure.
    bool Lines() {
        if (!LoadPrices()) return false;
        rt::File& kvadrin = Files::KVADRIN();
        rt::File& sprom = Files::SPROM();
        kvadrin.Clear();
        if (kvadrin.SetFrom(KVD_Po_analitici) != rt::kNoError) return FailWith("jedinice nisu pročitane");
        for (;;) {
            const int rc = kvadrin.Next();
            if (rc == rt::kRecordNotAvailable) break;
            if (rc != rt::kNoError) return FailWith("jedinice nisu pročitane");
            progress_.Advance(1);
            for (const PriceRow& p : prices_) {
                double quantity, price;
                QuantityAndPrice(p, quantity, price);
                sprom.Clear();
                SPR.OBRACUN = static_cast<std::int16_t>(run_);
                SPR.SHKORISNIKA = KVD.SHKORISNIKA.view();
                SPR.DATUM = datum_;
                SPR.VALUTA = valuta_;
                SPR.SIFRA = p.cen.SIFRA.view();
                SPR.KOLICINA = quantity * KVD.KOEFICIJENT;
                SPR.CENA = price;
                SPR.UKUPNO = SPR.CENA * SPR.KOLICINA;
                SPR.KOLONA = p.oba.KOLONA.view();
                SPR.COMP = 0;
                SPR.BROJSTANA = KVD.BROJ.view();
                const int added = sprom.Add();
                if (added == rt::kDuplicateKey) continue;  // a shared customer code's later unit
                if (added != rt::kNoError)
                    return FailWith("stavka za šifru " + rt::cp1250_to_utf8(KVD.SHKORISNIKA.str()) +
                                    ", uslugu " + rt::cp1250_to_utf8(rt::clip(p.cen.SIFRA.view())) +
                                    " nije upisana");
                lines_.push_back(
                    {SPR.SHKORISNIKA.str(), SPR.BROJSTANA.str(), ColumnOf(SPR.KOLONA.view()), SPR.UKUPNO});
                ++out_.lines;
            }
        }
        return true;
    }

    // Loop 2: the lines summed into one invoice per customer code, with the unit number of
    // the customer's first line. The lines were written in their key's order (customer
    // code, then service), so one customer's lines stand together.
    void Invoices() {
        for (const Line& l : lines_) {
            progress_.Advance(2);
            if (invoices_.empty() || !rt::equal_nocase(invoices_.back().SHKORISNIKA.view(), l.customer)) {
                SFAKTRecord& inv = invoices_.emplace_back();
                inv.OBRACUN = static_cast<std::int16_t>(run_);
                inv.SHKORISNIKA = l.customer;
                inv.BROJSTANA = l.unit;
            }
            SFAKTRecord& inv = invoices_.back();
            switch (l.column) {
                case Col::Odrzavanje: inv.ODRZAVANJE += l.total; break;
                case Col::Struja: inv.STRUJA += l.total; break;
                case Col::Voda: inv.VODA += l.total; break;
                case Col::Ostalo: inv.OSTALO += l.total; break;
                case Col::None: break;
            }
        }
    }

    // Loop 3: each invoice's earlier debt, from the postings on account 204 dated on or
    // before the run's date ("D" adds, any other side subtracts; the run's own postings
    // are gone), summed in the key's order; and its total rounded to whole units.
    bool Debts() {
        std::map<std::string, SFAKTRecord*, NoCase> by_customer;
        for (SFAKTRecord& inv : invoices_) by_customer.emplace(inv.SHKORISNIKA.str(), &inv);
        rt::File& skp = Files::SKPROMET();
        skp.Clear();
        SKP.SINTETIKA = "204";
        SKP.DATUM = std::numeric_limits<std::int32_t>::min();  // undated and odd dates count too
        if (skp.SetFrom(SKP_PO_KONTU_GR) != rt::kNoError) return FailWith("dugovanja nisu pročitana");
        for (;;) {
            const int rc = skp.Next();
            if (rc == rt::kRecordNotAvailable) break;
            if (rc != rt::kNoError) return FailWith("dugovanja nisu pročitana");
            if (!rt::equal_nocase(SKP.SINTETIKA.view(), "204")) break;
            if (SKP.DATUM > datum_) continue;
            const auto it = by_customer.find(SKP.ANALITIKA.str());
            if (it == by_customer.end()) continue;
            if (Is(SKP.DUGPOT.view(), "D"))
                it->second->DUG += SKP.IZNOS;
            else
                it->second->DUG -= SKP.IZNOS;
        }
        for (SFAKTRecord& inv : invoices_) {
            progress_.Advance(3);
            inv.UKUPNO = rt::round(((inv.ODRZAVANJE + inv.STRUJA) + inv.VODA) + inv.OSTALO, 1);
        }
        return true;
    }

    // Loop 4: the invoices, and one receivable posting per invoice numbered in
    // customer-code order.
    bool Postings() {
        rt::File& sfakt = Files::SFAKT();
        rt::File& skp = Files::SKPROMET();
        const std::string recno = "KVD" + rt::format(run_, "@N02");
        std::int32_t n = 0;
        for (const SFAKTRecord& inv : invoices_) {
            progress_.Advance(4);
            sfakt.Clear();
            SFA = inv;
            if (sfakt.Add() != rt::kNoError)
                return FailWith("račun za šifru " + rt::cp1250_to_utf8(inv.SHKORISNIKA.str()) +
                                " nije upisan");
            ++out_.invoices;
            ++n;
            FillReceivablePosting({.run = run_,
                                   .date = datum_,
                                   .due = valuta_,
                                   .run_name = naziv_,
                                   .customer = inv.SHKORISNIKA.view(),
                                   .amount = inv.UKUPNO,
                                   .recno = recno + rt::format(n, "@N05")});
            total_ += SKP.IZNOS;
            if (skp.Add() != rt::kNoError)
                return FailWith("knjiženje za šifru " + rt::cp1250_to_utf8(inv.SHKORISNIKA.str()) +
                                " nije upisano");
            ++out_.postings;
        }
        return true;
    }

    // The run's voucher header, unless one exists.
    bool Header() {
        rt::File& nls = Files::NALOZIS();
        nls.Clear();
        NLS.BROJ = VoucherNumber(run_);
        const int got = nls.Get(NLS_PO_BROJU);
        if (got == rt::kNoError) return true;
        if (got != rt::kRecordNotFound) return FailWith("zaglavlje naloga nije pročitano");
        nls.Clear();
        NLS.LASTUSER = 0;
        NLS.BROJ = VoucherNumber(run_);
        NLS.DATUM = datum_;
        NLS.OPIS = naziv_;
        NLS.DUGUJE = total_;
        NLS.POTRAZUJE = 0.0;
        NLS.MODEL = 0;
        NLS.PROKNJ = 0;
        if (nls.Add() != rt::kNoError)
            return FailWith("zaglavlje naloga " + VoucherNumber(run_) + " nije upisano");
        return true;
    }

    ChargeProgress& progress_;
    ChargeOutcome out_;
    int run_ = 0;
    std::int32_t datum_ = 0, valuta_ = 0;
    std::string naziv_;
    std::vector<PriceRow> prices_;
    std::vector<Line> lines_;
    std::vector<SFAKTRecord> invoices_;
    double total_ = 0.0;  // the voucher's debit total
    std::vector<rt::FileManager*> opened_;
    bool files_opened_ = false;
    rt::Transaction transaction_;
};

// The four bars of the progress window, each bound to its count; a bar is shown anew when
// its percentage changes.
class WindowProgress : public ChargeProgress {
public:
    explicit WindowProgress(rt::ui::Window& w) : w_(w) {
        for (int i = 0; i < 4; ++i) {
            feq_[i] = w.Feq("?PROGRESS" + std::to_string(i + 3));
            w.Use(feq_[i], rt::ui::Binding::OfLong(&value_[i]));
        }
    }
    void Start(long units) override {
        for (int i = 0; i < 3; ++i) {
            value_[i] = 0;
            range_[i] = units;
            w_.Set(feq_[i], rt::ui::Prop::RangeHigh, units);
        }
        w_.Display();
    }
    void Advance(int bar) override {
        const int i = bar - 1;
        ++value_[i];
        const long percent = range_[i] > 0 ? std::min<long>(100, value_[i] * 100L / range_[i]) : 100;
        if (percent != shown_[i]) {
            shown_[i] = percent;
            w_.Display(feq_[i]);
        }
    }

private:
    rt::ui::Window& w_;
    int feq_[4] = {};
    std::int32_t value_[4] = {};
    long range_[4] = {100, 100, 100, 100};
    long shown_[4] = {0, 0, 0, 0};
};

// The stored units whose number is longer than the six characters that charge lines and
// invoices keep of it (units of a take-over): their invoices cannot find them by number.
std::vector<std::string> UnitsWithLongNumbers() {
    std::vector<std::string> found;
    rt::FileManager* fm = Access::KVADRIN();
    if (!fm) return found;
    fm->Open();
    fm->UseTable(rt::kUseOpen);
    rt::File& kvadrin = Files::KVADRIN();
    kvadrin.Clear();
    if (kvadrin.SetFrom(KVD_Po_broju) == rt::kNoError) {
        while (kvadrin.Next() == rt::kNoError)
            if (rt::clip(KVD.BROJ.str()).size() > 6) found.push_back(rt::clip(KVD.BROJ.str()));
    }
    fm->Close();
    return found;
}

std::string LongNumbersMessage(const std::vector<std::string>& units) {
    std::string list;
    for (std::size_t i = 0; i < units.size() && i < 20; ++i) list += (i ? ", " : "") + units[i];
    if (units.size() > 20) list += rt::utf8_to_cp1250(" i još ") + std::to_string(units.size() - 20);
    return rt::utf8_to_cp1250("Zaduženja su kreirana, ali broj ovih stanova ima više od 6 znakova: ") + list +
           rt::utf8_to_cp1250(
               ". Zaduženja i fakture pamte samo prvih 6 znakova broja stana, pa fakture "
               "tih stanova ne nalaze stan. Skratite im broj u registru stanova i ponovo "
               "kreirajte zaduženja.");
}

}  // namespace

ChargeOutcome CreateCharges(ChargeProgress& progress) { return Creation(progress).Run(); }

void KreirajZaduzenja() {
    ChargeOutcome out;
    {
        rt::ui::Window w(KreirajZaduzenjaWindow());
        w.SetProcedureName("KreirajZaduzenja");
        WindowProgress progress(w);
        w.Open();
        w.Display();
        out = CreateCharges(progress);
        w.Close();
    }
    if (!out.created) { rt::ui::Message(out.message); }
    if (out.created) {
        if (const std::vector<std::string> long_units = UnitsWithLongNumbers(); !long_units.empty())
            rt::ui::Message(LongNumbersMessage(long_units), rt::utf8_to_cp1250("Kreiranje zaduženja"),
                            rt::ui::Icon::Exclamation);
    }
}

}  // namespace kvadrin
