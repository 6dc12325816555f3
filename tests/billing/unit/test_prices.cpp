// The computations of the billing-run and price windows: the unit totals of "PARAMETRI ZA
// OBRAČUN", the next run number through the carrier table, and the prices of every method
// with the zero divisors that must not give an infinite or undefined price.
#include <cmath>
#include <string>

#include "billing/price_method.h"
#include "data/globals.h"
#include "tests/billing/unit/billing_fixture.h"

namespace {

using kvtest::cp;
using namespace kvadrin;

class UnitTotals : public kvtest::Building {};

TEST_F(UnitTotals, SumEveryUnitAndOnlyPersonsWithoutAWaterMeterAsSuch) {
    AddUnit({"1", "00001", 50.5, 40, 2, "Ne", 1});
    AddUnit({"2", "00002", 60, 60, 3, "Da", 1.25});
    AddUnit({"3", "00003", 40, 0, 1, "", 0});  // blank: not counted as without a meter
    AddUnit({"4", "00003", 10, 10, 4, "Ne", 1});
    ASSERT_EQ(Access::KVADRIN()->Open(), 0);
    ASSERT_EQ(Access::KVADRIN()->UseTable(rt::kUseOpen), 0);
    for (int press = 0; press < 2; ++press) {  // a second press starts from zero again
        ASSERT_EQ(SumUnitTotals(), 0);
        EXPECT_EQ(UKJEDINICA, 4);
        EXPECT_EQ(UKPOVRSINA, 160.5);
        EXPECT_EQ(UKPOVRSINAGR, 110.0);
        EXPECT_EQ(UKOSOBA, 10.0);
        EXPECT_EQ(UKOSOBABEZVODOMERA, 6.0);
    }
    Access::KVADRIN()->Close();
}

class RunNumber : public kvtest::Building {
protected:
    // The carrier table as the form opens it.
    void OpenCarrier(const char* name) {
        AINCIME = name;
        Files::AINC().Create();
        ASSERT_EQ(Files::AINC().Open(rt::kReadWrite | rt::kDenyWrite), 0) << rt::FileError();
    }
    void TearDown() override {
        Files::AINC().Close();
        Files::AINC().Remove();
        Building::TearDown();
    }
};

TEST_F(RunNumber, IsOneMoreThanTheHighestAndRefusedPastNinetyNine) {
    ASSERT_EQ(Access::OBRAC()->Open(), 0);
    ASSERT_EQ(Access::OBRAC()->UseTable(rt::kUseOpen), 0);  // OBRAC exists, empty
    OpenCarrier("#zzz_ainc_kvd");
    std::string why;
    EXPECT_EQ(NextRunNumber(why), 1);
    for (int run : {1, 2, 5}) AddRun(run);
    EXPECT_EQ(NextRunNumber(why), 6);  // gaps are not reused
    EXPECT_EQ(why, "");
    AddRun(99);
    EXPECT_EQ(NextRunNumber(why), 0);
    EXPECT_EQ(why, cp("Sledeći broj obračuna bio bi 100, a obračuni se broje od 1 do 99 (dve cifre). "
                      "Novi obračun nije upisan."));
    Access::OBRAC()->Close();
}

TEST_F(RunNumber, AFailedSelectGivesNoNumberButTheDriversText) {
    OpenCarrier("zzz_ainc");
    Exec("DROP TABLE IF EXISTS OBRAC");
    std::string why;
    EXPECT_EQ(NextRunNumber(why), 0);
    EXPECT_EQ(why.rfind(cp("Sledeći broj obračuna nije pročitan (upit): "), 0), 0u) << why;
    EXPECT_NE(why.find("no such table: OBRAC"), std::string::npos) << why;
}

class Prices : public kvtest::Building {
protected:
    void SetUp() override {
        Building::SetUp();
        CEN = CENERecord{};
        OBA = OBAVEZERecord{};
        UKPOVRSINA = 1500;
        UKPOVRSINAGR = 300;
        UKOSOBA = 45;
        UKOSOBABEZVODOMERA = 30;
        UKJEDINICA = 40;
    }
};

TEST_F(Prices, EachMethodDividesItsTotalByItsUnitTotalIntoItsOwnField) {
    struct Case {
        const char* method;
        const char* column;
        double total, quantity;
        double price;                 // CEN:CENA
        double method_price;          // OBRACUNCENA
        rt::Real CENERecord::*field;  // the one derived price written
    };
    const Case cases[] = {
        {"Površina", "Održavanje", 12000, 3, 4000, 8, &CENERecord::CENAPOVR},
        {"Grejna površina", "Ostalo", 900, 1, 900, 3, &CENERecord::CENAGRPOVRS},
        {"Osoba", "Voda", 900, 20, 45, 30, &CENERecord::CENAVODA},
        {"Osoba", "Održavanje", 900, 20, 45, 20, &CENERecord::CENAOSOBA},
        {"Stan", "Ostalo", 5000, 1, 5000, 125, &CENERecord::CENASTAN},
        {"Fiksno", "El. energija", 700, 4, 175, 175, &CENERecord::CENAFIKSNO},
    };
    rt::Real CENERecord::*derived[] = {&CENERecord::CENAPOVR,  &CENERecord::CENAGRPOVRS,
                                       &CENERecord::CENAOSOBA, &CENERecord::CENAFIKSNO,
                                       &CENERecord::CENASTAN,  &CENERecord::CENAVODA};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method + std::string(" / ") + c.column);
        for (auto f : derived) CEN.*f = -1;  // what the row held before
        OBA.NACIN = cp(c.method);
        OBA.KOLONA = cp(c.column);
        CEN.UKUPNO = c.total;
        CEN.KOLICINA = c.quantity;
        double price = -7;
        EXPECT_EQ(ComputePrices(price), "");
        EXPECT_EQ(CEN.CENA, c.price);
        EXPECT_EQ(price, c.method_price);
        for (auto f : derived) EXPECT_EQ(CEN.*f, f == c.field ? c.method_price : -1.0);
    }
}

// The method is chosen by the exact text of the services form's choice, trailing blanks
// ignored; the price form and charge creation read it through the one table.
TEST(PriceMethodTable, TheFormsTextsNameTheMethodsAndNothingElseDoes) {
    const struct {
        const char* nacin;
        PriceMethod method;
    } cases[] = {
        {"Površina", PriceMethod::Area},
        {"Površina     ", PriceMethod::Area},
        {"Grejna površina", PriceMethod::HeatedArea},
        {"Stan", PriceMethod::Unit},
        {"Osoba", PriceMethod::Person},
        {"Fiksno", PriceMethod::Fixed},
        {"površina", PriceMethod::None},
        {" Stan", PriceMethod::None},
        {"Grejna", PriceMethod::None},
        {"Paušal", PriceMethod::None},
        {"", PriceMethod::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nacin);
        EXPECT_EQ(PriceMethodOf(cp(c.nacin)), c.method);
    }
}

TEST_F(Prices, WaterPerPersonFallsBackToThePlainPriceWhenEveryUnitHasAMeter) {
    UKOSOBABEZVODOMERA = 0;
    OBA.NACIN = "Osoba";
    OBA.KOLONA = "Voda";
    CEN.UKUPNO = 900;
    CEN.KOLICINA = 20;
    double price = 0;
    EXPECT_EQ(ComputePrices(price), "");
    EXPECT_EQ(price, 45);
    EXPECT_EQ(CEN.CENAVODA, 45);
}

TEST_F(Prices, AnUnknownMethodWritesNoDerivedPrice) {
    OBA.NACIN = cp("Paušal");
    CEN.UKUPNO = 900;
    CEN.KOLICINA = 3;
    CEN.CENAPOVR = 5;
    double price = 12.5;
    EXPECT_EQ(ComputePrices(price), "");
    EXPECT_EQ(price, 12.5);
    EXPECT_EQ(CEN.CENA, 300);
    EXPECT_EQ(CEN.CENAPOVR, 5);
}

TEST_F(Prices, AZeroDivisorGivesZeroAndTheFormSaysWhichTotalIsZero) {
    struct Case {
        const char* method;
        double quantity;
        const char* note;
    };
    const Case cases[] = {
        {"Površina", 3, "Ukupna površina je 0 - cena se ne može izračunati i upisuje se 0."},
        {"Grejna površina", 3, "Ukupna grejna površina je 0 - cena se ne može izračunati i upisuje se 0."},
        {"Osoba", 3, "Ukupan broj osoba je 0 - cena se ne može izračunati i upisuje se 0."},
        {"Stan", 3, "Ukupan broj stanova je 0 - cena se ne može izračunati i upisuje se 0."},
        {"Fiksno", 0, "Količina je 0 - cena se ne može izračunati i upisuje se 0."},
        {"Površina", 0, "Količina je 0; ukupna površina je 0 - cena se ne može izračunati i upisuje se 0."},
    };
    UKPOVRSINA = UKPOVRSINAGR = UKOSOBA = UKOSOBABEZVODOMERA = 0;
    UKJEDINICA = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + std::to_string(c.quantity));
        for (double total : {900.0, 0.0}) {  // 900/0 would be infinite, 0/0 undefined
            CEN = CENERecord{};
            OBA.NACIN = cp(c.method);
            OBA.KOLONA = "Ostalo";
            CEN.UKUPNO = total;
            CEN.KOLICINA = c.quantity;
            double price = 1;
            EXPECT_EQ(ComputePrices(price), cp(c.note));
            EXPECT_TRUE(std::isfinite(price));
            for (double v : {double(CEN.CENA), double(CEN.CENAPOVR), double(CEN.CENAGRPOVRS),
                             double(CEN.CENAOSOBA), double(CEN.CENASTAN), double(CEN.CENAFIKSNO)})
                EXPECT_TRUE(std::isfinite(v));
            if (c.quantity != 0) { EXPECT_EQ(price, 0); }
        }
    }
    // Water per person with every unit metered and quantity 0: the fallback price is 0 too.
    OBA.NACIN = "Osoba";
    OBA.KOLONA = "Voda";
    CEN.UKUPNO = 900;
    CEN.KOLICINA = 0;
    double price = 1;
    EXPECT_EQ(ComputePrices(price), cp("Količina je 0 - cena se ne može izračunati i upisuje se 0."));
    EXPECT_EQ(price, 0);
    EXPECT_EQ(CEN.CENAVODA, 0);
}

}  // namespace
