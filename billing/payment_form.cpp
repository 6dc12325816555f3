#include "billing/payment_form.h"

#include <string_view>
#include <utility>
#include <vector>

namespace kvadrin {

namespace {

using rt::report::Control;
using rt::report::Font;

constexpr std::int32_t kFrame = 0x404040;  // 00BBGGRR
constexpr std::int32_t kBoxFill = 0xF2FAFF;
constexpr std::int32_t kCaption = 0x303030;

Control Caption(double x, double y, std::string_view text, double size = 6) {
    Font f{"Arial", size, 400, false, false, kCaption};
    return rt::report::Text("", x, y, text, f);
}

Control Title(double x, double y, std::string_view text) {
    Font f{"Arial", 9, 700, false, false, 0};
    return rt::report::Text("", x, y, text, f);
}

Control Box(double x, double y, double w, double h) {
    Control c = rt::report::BoxCtl(x, y, w, h, kBoxFill, 0.2);
    c.pen = kFrame;
    return c;
}

Control Line(double x, double y, double w, double h, double width = 0.2) {
    Control c = rt::report::LineCtl(x, y, w, h, width);
    c.pen = kFrame;
    return c;
}

// A caption above its box.
void Labelled(std::vector<Control>& out, double x, double y, double w, double h, std::string_view caption) {
    out.push_back(Caption(x, y - 2.6, caption));
    out.push_back(Box(x, y, w, h));
}

}  // namespace

Control PaymentFormBackground(std::string label, double x, double y) {
    std::vector<Control> d;
    // The sheet and the perforation between order and receipt.
    Control sheet = rt::report::BoxCtl(0, 0, kPaymentFormWidth, kPaymentFormHeight, -1, 0.3);
    sheet.pen = kFrame;
    d.push_back(sheet);
    for (double yy = 1; yy < kPaymentFormHeight - 1; yy += 2.5) d.push_back(Line(126, yy, 0, 1.3, 0.15));

    // The order: payer, purpose and recipient on the left.
    d.push_back(Title(64, 1.2, "NALOG ZA UPLATU"));
    Labelled(d, 2, 8.5, 60, 13.5, "Uplatilac:");
    Labelled(d, 2, 31.5, 60, 13.5, "Svrha uplate:");
    Labelled(d, 2, 53.5, 60, 13.5, "Primalac:");
    // Its code, currency, amount, account, model and reference.
    Labelled(d, 64, 8, 12, 6, "Šifra pl.");
    Labelled(d, 78, 8, 46, 6, "Iznos");
    Labelled(d, 64, 17, 12, 6, "Valuta");
    Labelled(d, 78, 17, 46, 6, "Tekući račun");
    Labelled(d, 64, 27, 12, 6, "Model");
    Labelled(d, 78, 27, 46, 6, "Poziv na broj");
    // Signature and date.
    d.push_back(Line(2, 74, 60, 0));
    d.push_back(Caption(2, 75, "pečat i potpis uplatioca"));
    d.push_back(Line(64, 74, 60, 0));
    d.push_back(Caption(64, 75, "mesto i datum prijema"));
    d.push_back(Caption(64, 69.5, "datum uplate"));
    d.push_back(Line(82, 72, 42, 0, 0.15));

    // The receipt.
    d.push_back(Title(128, 1.2, "IZVEŠTAJ O UPLATI"));
    Labelled(d, 130, 8, 12, 6, "šifra pl.");
    Labelled(d, 144, 8, 42, 6, "Iznos");
    Labelled(d, 130, 17, 12, 6, "Valuta");
    Labelled(d, 144, 17, 42, 6, "Tekući račun");
    Labelled(d, 130, 27, 12, 6, "Model");
    Labelled(d, 144, 27, 42, 6, "Poziv na broj");
    Labelled(d, 128, 40, 58, 13.5, "Uplatilac:");
    Labelled(d, 128, 58, 58, 13.5, "Svrha uplate:");

    Control image = rt::report::ImageCtl(std::move(label), x, y, kPaymentFormWidth, kPaymentFormHeight,
                                         "izgled010610.jpg");
    image.children = std::move(d);
    image.child_w = kPaymentFormWidth;
    image.child_h = kPaymentFormHeight;
    return image;
}

}  // namespace kvadrin
