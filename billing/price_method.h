// The methods of a service's price (OBA:NACIN), as the services form offers them: the
// price form divides the run's cost by the method's unit total, charge creation takes the
// method's price and quantity for each unit.
#pragma once

#include <string_view>

namespace kvadrin {

enum class PriceMethod { None, Area, HeatedArea, Unit, Person, Fixed };

// The method an OBA:NACIN text names (CP1250, trailing blanks ignored, case kept); None
// for any other text.
PriceMethod PriceMethodOf(std::string_view nacin);

}  // namespace kvadrin
