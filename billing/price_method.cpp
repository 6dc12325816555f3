#include "billing/price_method.h"

#include <string>

#include "platform/core/text.h"

namespace kvadrin {

PriceMethod PriceMethodOf(std::string_view nacin) {
    struct Entry {
        std::string text;  // CP1250
        PriceMethod method;
    };
    static const Entry table[] = {
        {rt::utf8_to_cp1250("Površina"), PriceMethod::Area},
        {rt::utf8_to_cp1250("Grejna površina"), PriceMethod::HeatedArea},
        {"Stan", PriceMethod::Unit},
        {"Osoba", PriceMethod::Person},
        {"Fiksno", PriceMethod::Fixed},
    };
    for (const Entry& e : table)
        if (rt::equal_clipped(nacin, e.text)) return e.method;
    return PriceMethod::None;
}

}  // namespace kvadrin
