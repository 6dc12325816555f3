#include "billing/invoice_layout.h"

#include <string>
#include <vector>

#include "billing/payment_form.h"

namespace kvadrin {
namespace {

using namespace rt::report;

const Font kFirm{"Times New Roman", 10, 400};
const Font kPartner{"Times New Roman", 12, 700};
const Font kNumber{"Times New Roman", 14, 700};
const Font kLabel{"Times New Roman", 7.5, 400};
const Font kHead{"Arial", 7, 700};
const Font kItem{"Arial", 8, 400};
const Font kBold8{"Arial", 8, 700};
const Font kDebt{"Arial", 10, 700};
const Font kRequest{"Arial", 10, 700, true, true};
const Font kForm{"Times New Roman", 8, 400};
const Font kFormBold{"Times New Roman", 8, 700};
const Font kWatermark{"Times New Roman", 10, 400, true, false, 0xC0C0C0};

// The lines between the columns of the item table, and where each column's value ends.
constexpr double kColumnLines[] = {0, 13.5, 34.5, 67.5, 85.5, 100.5, 116.5, 140.5, 158.5, 175.5, 194};

void ColumnLines(std::vector<Control>& out, double h) {
    for (double x : kColumnLines) out.push_back(LineCtl(x, 0, 0, h));
}

// A number right-aligned in the column between two lines (from `left` when given).
Control InColumn(std::string label, int column, double y, std::string use, std::string picture,
                 const Font& font, double left = -1) {
    if (left < 0) left = kColumnLines[column] + 1;
    const double right = kColumnLines[column + 1] - 1;
    return Sized(Field(std::move(label), left, y, std::move(use), std::move(picture), font), right - left, -1,
                 Align::Right);
}
Control TextInColumn(int column, double y, std::string_view text, const Font& font) {
    const double left = kColumnLines[column] + 1;
    const double right = kColumnLines[column + 1] - 1;
    return Sized(Text("", left, y, text, font), right - left, -1, Align::Right);
}

Band Header(const InvoiceLayout& l) {
    Band b;
    b.kind = BandKind::Header;
    b.label = "?HEADER";
    b.x = 6, b.y = 6, b.w = 194, b.h = 76;
    auto& c = b.controls;
    c.push_back(Field("?NAZIVFIRME", 3, 4, "NAZIVFIRME", "@s30", kFirm));
    c.push_back(Field("?ADRESA", 3, 8, "ADRESA", "@s30", kFirm));
    c.push_back(Field("?MESTO", 3, 12, "MESTO", "@s30", kFirm));
    const double y = l.account_y;
    c.push_back(Text("?STRING21:3", 3, y, "TEKUĆI RAČUN:", kLabel));
    c.push_back(Field("?ZIRORAC1", 29, y, "ZIRORAC1", "@s30", kLabel));
    c.push_back(Text("?STRING21", 3, y + 4, "MATIČNI BROJ:", kLabel));
    c.push_back(Field("?MATBROJ", 29, y + 4, "MATBROJ", "@s30", kLabel));
    c.push_back(Text("?STRING21:2", 3, y + 8, "PIB:", kLabel));
    c.push_back(Field("?PIB", 29, y + 8, "PIB", "@s30", kLabel));
    c.push_back(Field("?NAZ:NAZIV1", l.partner_x, 48, "NAZ:NAZIV1", "@s30", kPartner));
    c.push_back(Field("?NAZ:ADRESA", l.partner_x, 53, "NAZ:ADRESA", "@s30", kPartner));
    c.push_back(Field("?NAZ:SEDISTE", l.partner_x, 58, "NAZ:SEDISTE", "@s30", kPartner));
    c.push_back(Text("?STRING19", 3, 47, "RAČUN BROJ:", kNumber));
    c.push_back(Field("?BROJ", 40, 47, "BROJ", "@s11", kNumber));
    c.push_back(Text("?STRING27", 3, 53, "OBAVEZA ZA PERIOD:", kLabel));
    c.push_back(Field("?OBR:NAZIV", 34, 53, "OBR:NAZIV", "@s20", kLabel));
    c.push_back(Text("?STRING27:2", 3, 57, "DATUM I MESTO IZDAVANJA RAČUNA:", kLabel));
    c.push_back(Field("?DIZD", l.dizd_x, 57, "DIZD", "@s30", kLabel));
    c.push_back(Text("?STRING27:3", 3, 61, "DATUM I MESTO PROMETA DOBARA I USLUGA:", kLabel));
    c.push_back(Field("?DPRO", l.dpro_x, 61, "DPRO", "@s30", kLabel));
    c.push_back(Text("?STRING27:4", 3, 65, "ROK ZA PLAĆANJE:", kLabel));
    c.push_back(Field("?OBR:VALUTA", 30, 65, "OBR:VALUTA", "@d5", kLabel));
    // The column heads in their box.
    Control box = BoxCtl(0, 70, 194, 6, 0xEEEEEE);
    c.push_back(box);
    for (double x : kColumnLines) c.push_back(LineCtl(x, 70, 0, 6));
    const char* heads[] = {"R.br.", "Šifra",          "Vrsta obaveze", "Količina",   "J.M.",
                           "Cena",  "Iznos bez PDVa", "Stopa PDVa",    "Iznos PDVa", "UKUPNO"};
    const double at[] = {2, 15, 36, 69, l.unit_head_x, l.price_head_x, 118, 142, 160, l.total_head_x};
    for (int i = 0; i < 10; ++i) c.push_back(Text("", at[i], 71.3, heads[i], kHead));
    return b;
}

Band Detail(const InvoiceLayout& l) {
    Band b;
    b.label = "?DETAIL";
    b.w = 194, b.h = 6;
    auto& c = b.controls;
    const double y = l.line_y;
    ColumnLines(c, 6);
    c.push_back(LineCtl(0, 6, 194, 0));
    Control count = InColumn("?COUNT", 0, y, "SPR:SIFRA", "@n2", kItem);
    count.total = Total::Count;
    count.reset = Reset::Break;
    c.push_back(count);
    c.push_back(Field("?SPR:SIFRA", 15, y, "SPR:SIFRA", "@s7", kItem));
    c.push_back(Field("?OBA:NAZIV", 36, y, "OBA:NAZIV", "@s20", kItem));
    c.push_back(InColumn("?SPR:KOLICINA", 3, y, "SPR:KOLICINA", l.quantity_picture, kItem, l.quantity_x));
    c.push_back(Field("?OBA:JM", 87, y, "OBA:JM", "@s5", kItem));
    c.push_back(InColumn("?SPR:CENA", 5, y, "SPR:CENA", "@N10.`2", kItem));
    c.push_back(InColumn("?SPR:UKUPNO", 6, y, "SPR:UKUPNO", "@N-12.`2", kItem));
    c.push_back(TextInColumn(7, y, "0,00 %", kItem));
    c.push_back(TextInColumn(8, y, "0,00", kItem));
    c.push_back(InColumn("?SPR:UKUPNO:2", 9, y, "SPR:UKUPNO", "@N-11.`2", kItem));
    return b;
}

// The invoice's total under a column: the report's sum of the item lines, or the
// layout's variable.
Control FooterTotal(const InvoiceLayout& l, std::string label, int column, std::string picture) {
    if (!l.footer_total.empty())
        return InColumn(std::move(label), column, 1, l.footer_total, std::move(picture), kBold8);
    Control sum = InColumn(std::move(label), column, 1, "SPR:UKUPNO", std::move(picture), kBold8);
    sum.total = Total::Sum;
    sum.tally = "?DETAIL";
    sum.reset = Reset::Break;
    return sum;
}

Band GroupFooter(const InvoiceLayout& l) {
    Band b;
    b.kind = BandKind::GroupFooter;
    b.label = "?GROUPFOOTER1";
    b.w = 194, b.h = 66;
    b.page_after = l.page_after_footer;
    auto& c = b.controls;
    c.push_back(FooterTotal(l, "?SUM1", 6, "@N-12.`2"));
    c.push_back(TextInColumn(8, 1, "0,00", kBold8));
    c.push_back(FooterTotal(l, "?SUM2", 9, "@N-11.`2"));
    c.push_back(LineCtl(116.5, 6, 77.5, 0));
    c.push_back(Sized(Text("?STRING30", l.to_pay_x, 7, "UKUPNO ZA UPLATU:", kBold8), l.to_pay_w));
    c.push_back(Sized(Field("?ZANAPLATU", l.to_pay_amount_x, 7, "ZANAPLATU", "@N-23.`2", kBold8),
                      193 - l.to_pay_amount_x, -1, Align::Right));
    c.push_back(Field("?DUG_PRETP", 3, 12, "DUG_PRETP", "@s60", kDebt));
    c.push_back(Field("?MOLBA", 3, 17, "MOLBA", "@s60", kRequest));
    c.push_back(RtfCtl("?KLAUZULA", 3, 23, 188, 40, "KLAUZULA"));
    return b;
}

Band PaymentForm(const PaymentFormPlaces& p) {
    Band b;
    b.label = "?DETAIL1";
    b.x = 6, b.y = 200, b.w = 194, b.h = 90;
    b.fixed = true;
    b.keep_together = true;
    auto& c = b.controls;
    c.push_back(PaymentFormBackground("?IMAGE1:3", 2, p.background_y));
    const char* payer_fields[] = {"NAZ:NAZIV1", "NAZ:ADRESA", "NAZ:SEDISTE"};
    const char* purposes[] = {"OBR:SVRHA1", "OBR:SVRHA2", "OBR:SVRHA3"};
    const char* firm[] = {"NAZIVFIRME", "ADRESA", "MESTO"};
    for (int i = 0; i < 3; ++i) {
        c.push_back(
            Field("?" + std::string(payer_fields[i]), 5, p.payer_y + 4 * i, payer_fields[i], "@s30", kForm));
        c.push_back(
            Field("?" + std::string(purposes[i]), 5, p.purpose_y + 4 * i, purposes[i], "@s30", kForm));
        c.push_back(
            Field("?" + std::string(firm[i]) + ":2", 5, p.recipient_y + 4 * i, firm[i], "@s30", kForm));
    }
    c.push_back(Text("?STRING1", p.code_x, p.code_y, "189", kForm));
    c.push_back(Text("?STRING2", p.currency_x, p.currency_y, "RSD", kForm));
    c.push_back(Sized(Field("?IZNOS", p.amount_x, p.amount_y, "IZNOS", p.amount_picture, kFormBold),
                      p.amount_w, -1, Align::Right));
    c.push_back(Sized(Field("?ZIRORAC1:2", 83, p.account_y, "ZIRORAC1", "@s30", kFormBold), 41));
    c.push_back(Field("?BROJ:2", 83, p.number_y, "BROJ", "@s11", kForm));
    c.push_back(ImageCtl("?IMAGE2", 80, p.image_y, 30, 30));
    c.push_back(Text("?STRING3", 134, p.r_code_y, "189", kForm));
    c.push_back(Text("?STRING4", 134, p.r_currency_y, "RSD", kForm));
    c.push_back(Sized(Field("?IZNOS:2", p.r_amount_x, p.r_amount_y, "IZNOS", p.r_amount_picture, kFormBold),
                      p.r_amount_w, -1, Align::Right));
    c.push_back(Sized(Field("?ZIRORAC1:3", 149, p.r_account_y, "ZIRORAC1", "@s30", kFormBold), 41));
    c.push_back(Field("?BROJ:4", p.r_number_x, p.r_number_y, "BROJ", "@s11", kForm));
    for (int i = 0; i < 3; ++i) {
        c.push_back(Field("?" + std::string(payer_fields[i]) + ":2", p.r_payer_x, p.r_payer_y + 4 * i,
                          payer_fields[i], "@s30", kForm));
        c.push_back(Field("?" + std::string(purposes[i]) + ":2", p.r_payer_x, p.r_purpose_y + 4 * i,
                          purposes[i], "@s30", kForm));
    }
    c.push_back(Sized(Field("?NAZIVFIRME:3", p.mark_x, p.mark_y, "NAZIVFIRME", "@s30", kWatermark), 64, 6,
                      Align::Center));
    return b;
}

Band Footer() {
    Band b;
    b.kind = BandKind::Footer;
    b.label = "?FOOTER";
    b.x = 6, b.y = 279, b.w = 194, b.h = 10;
    return b;
}

}  // namespace

ReportDef InvoiceReportDef(const InvoiceLayout& l) {
    ReportDef d;
    d.module = l.module;
    d.name = "P1$REPORT";
    d.title = "SPROM Report";
    d.area_x = 6, d.area_y = 82, d.area_w = 194, d.area_h = l.area_h;
    d.font = Font{"Times New Roman", 10, 400};
    d.bands = {Header(l), Detail(l), GroupFooter(l), PaymentForm(l.form), Footer()};
    Break br;
    br.label = "?BREAK1";
    br.variable = "SPR:SHKORISNIKA";
    br.bands = {"?DETAIL", "?DETAIL1", "?GROUPFOOTER1"};
    d.breaks.push_back(br);
    return d;
}

}  // namespace kvadrin
