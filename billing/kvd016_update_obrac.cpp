// The billing-run form: number, description, the three lines of payment purpose, the
// dates and the locked flag. A new run left at number 0 gets the next free number, read
// through the carrier table; a typed number must be free.
#include <string>

#include "billing/kvd005_browse_obracuni.h"
#include "data/access.h"
#include "data/tables.h"
#include "platform/core/text.h"

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

}  // namespace kvadrin
