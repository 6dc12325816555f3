// Charge creation over a small building: the lines of every method and column, the
// invoices with their earlier debt and rounded total, the postings and the voucher header,
// a repeated creation, and the creation that fails or is killed half-way and leaves the
// run's rows as they were.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/billing/unit/billing_fixture.h"

namespace {

using kvadrin::ChargeOutcome;
using kvtest::cp;

class Charges : public kvtest::Building {
protected:
    void SetUp() override {
        Building::SetUp();
        SeedSmallBuilding();
    }

    // The run's lines: "customer service" -> "unit|quantity|price|total|column".
    std::map<std::string, std::string> Lines(int run = 5) {
        std::map<std::string, std::string> out;
        for (const std::string& r : Dump("SPROM", "OBRACUN=" + std::to_string(run),
                                         "SHKORISNIKA, SIFRA, BROJSTANA, KOLICINA, CENA, UKUPNO, KOLONA, "
                                         "OBRACUN, DATUM, VALUTA, COMP")) {
            std::vector<std::string> c;
            std::size_t from = 0;
            for (std::size_t bar; (bar = r.find('|', from)) != std::string::npos; from = bar + 1)
                c.push_back(r.substr(from, bar - from));
            c.push_back(r.substr(from));
            EXPECT_EQ(c[8], std::to_string(kRunDate));
            EXPECT_EQ(c[9], std::to_string(kDueDate));
            EXPECT_EQ(c[10], "0");
            out[c[0] + " " + c[1]] = c[2] + "|" + c[3] + "|" + c[4] + "|" + c[5] + "|" + c[6];
        }
        return out;
    }
};

TEST_F(Charges, EveryMethodAndColumnGivesItsQuantityPriceAndTotal) {
    const ChargeOutcome out = Create(5);
    ASSERT_TRUE(out.created) << out.message;
    // Columns as UTF-8 texts are stored by the store.
    const std::map<std::string, std::string> expected = {
        // Unit 1: water meter "Ne", coefficient 1.
        {"00001 POV", "1|50.0|10.0|500.0|Održavanje"},
        {"00001 GRP", "1|40.0|5.0|200.0|Ostalo"},
        {"00001 STN", "1|1.0|300.0|300.0|Ostalo"},
        {"00001 OSB", "1|2.0|100.0|200.0|Održavanje"},
        {"00001 VOD", "1|2.0|150.0|300.0|Voda"},
        {"00001 FIX", "1|1.0|250.0|250.0|El. energija"},
        {"00001 XXX", "1|0.0|0.0|0.0|Ostalo"},
        {"00001 YYY", "1|1.0|40.0|40.0|Grejanje"},
        // Unit 2: water meter "Da" (water at the plain price, quantity 0), coefficient 1.25.
        {"00002 POV", "2|75.0|10.0|750.0|Održavanje"},
        {"00002 GRP", "2|75.0|5.0|375.0|Ostalo"},
        {"00002 STN", "2|1.25|300.0|375.0|Ostalo"},
        {"00002 OSB", "2|3.75|100.0|375.0|Održavanje"},
        {"00002 VOD", "2|0.0|7.0|0.0|Voda"},
        {"00002 FIX", "2|1.25|250.0|312.5|El. energija"},
        {"00002 XXX", "2|0.0|0.0|0.0|Ostalo"},
        {"00002 YYY", "2|1.25|40.0|50.0|Grejanje"},
        // Unit 3: water meter blank counts as without one; coefficient 0 zeroes everything.
        {"00003 POV", "3|0.0|10.0|0.0|Održavanje"},
        {"00003 GRP", "3|0.0|5.0|0.0|Ostalo"},
        {"00003 STN", "3|0.0|300.0|0.0|Ostalo"},
        {"00003 OSB", "3|0.0|100.0|0.0|Održavanje"},
        {"00003 VOD", "3|0.0|150.0|0.0|Voda"},
        {"00003 FIX", "3|0.0|250.0|0.0|El. energija"},
        {"00003 XXX", "3|0.0|0.0|0.0|Ostalo"},
        {"00003 YYY", "3|0.0|40.0|0.0|Grejanje"},
        // Unit "STAN104": its number cut to six characters.
        {"00004 POV", "STAN10|10.0|10.0|100.0|Održavanje"},
        {"00004 GRP", "STAN10|10.0|5.0|50.0|Ostalo"},
        {"00004 STN", "STAN10|1.0|300.0|300.0|Ostalo"},
        {"00004 OSB", "STAN10|4.0|100.0|400.0|Održavanje"},
        {"00004 VOD", "STAN10|4.0|150.0|600.0|Voda"},
        {"00004 FIX", "STAN10|1.0|250.0|250.0|El. energija"},
        {"00004 XXX", "STAN10|0.0|0.0|0.0|Ostalo"},
        {"00004 YYY", "STAN10|1.0|40.0|40.0|Grejanje"},
    };
    EXPECT_EQ(Lines(), expected);
    EXPECT_EQ(out.lines, 32);
    EXPECT_EQ(out.invoices, 4);
    EXPECT_EQ(out.postings, 4);
    // Bars: one step per unit read, per line read, per invoice in each of the last loops.
    EXPECT_EQ(progress.units, 5);
    EXPECT_EQ(progress.steps[0], 5);
    EXPECT_EQ(progress.steps[1], 32);
    EXPECT_EQ(progress.steps[2], 4);
    EXPECT_EQ(progress.steps[3], 4);

    // Invoices: columns summed, an unknown column counted nowhere, total rounded.
    // OBRACUN|SHKORISNIKA|BROJSTANA|ODRZAVANJE|STRUJA|VODA|OSTALO|DUG|UKUPNO
    EXPECT_EQ(Dump("SFAKT"), (std::vector<std::string>{
                                 "5|00001|1|700.0|250.0|300.0|500.0|0.0|1750.0",
                                 "5|00002|2|1125.0|312.5|0.0|750.0|0.0|2188.0",
                                 "5|00003|3|0.0|0.0|0.0|0.0|0.0|0.0",
                                 "5|00004|STAN10|500.0|250.0|600.0|350.0|0.0|1700.0",
                             }));
}

TEST_F(Charges, PostingsAndVoucherHeaderCarryTheRunInTwoDigits) {
    ASSERT_TRUE(Create(5).created);
    // LASTUSER|SINTETIKA|ANALITIKA|NALOG|VRSTAVEZE|VEZA|DATUM|VALUTA|SIMBOL|OPIS|DUGPOT|IZNOS|
    // RECNO|DUGUJE|POTRAZUJE|SIFRAMAG|DEVIZNO|OBRKURS|DUGEUR|POTEUR|ZMAG|ZARTIKAL|TM
    const std::string d = std::to_string(kRunDate), v = std::to_string(kDueDate);
    auto posting = [&](const char* customer, const char* amount, const char* recno) {
        return std::string("0|204|") + customer + "|KVD-05|Z|000000005|" + d + "|" + v +
               "|0|OBRACUN ZA MAJ |D|" + amount + "|" + recno + "|" + amount + "|0.0||0|0.0|0.0|0.0|||";
    };
    EXPECT_EQ(Dump("SKPROMET"),
              (std::vector<std::string>{
                  posting("00001", "1750.0", "KVD0500001"), posting("00002", "2188.0", "KVD0500002"),
                  posting("00003", "0.0", "KVD0500003"), posting("00004", "1700.0", "KVD0500004")}));
    // The header keeps the whole name; its debit is the postings' sum.
    EXPECT_EQ(Dump("NALOZIS"),
              std::vector<std::string>{"0|KVD-05|" + d + "|OBRACUN ZA MAJ 202|5638.0|0.0|0|0"});
}

TEST_F(Charges, InvoiceTotalsRoundHalvesAwayFromZeroAndDebtKeepsItsCents) {
    AddRun(7);
    for (const kvtest::Unit& u : {kvtest::Unit{"A", "00011", 1234.5, 0, 0, "Ne", 1},
                                  kvtest::Unit{"B", "00012", 1234.49, 0, 0, "Ne", 1},
                                  kvtest::Unit{"C", "00013", -0.5, 0, 0, "Ne", 1}})
        AddUnit(u);
    AddPrices(7, {"POV", 0, 0, 1, 0, 0, 0, 0, 0});
    AddPosting("204", "00012", kRunDate, "D", 10.55, "X1");
    ASSERT_TRUE(Create(7).created);
    const std::vector<std::string> invoices =
        Dump("SFAKT", "OBRACUN=7 AND BROJSTANA COLLATE BINARY IN ('A', 'B', 'C')",
             "SHKORISNIKA, ODRZAVANJE, DUG, UKUPNO, OBRACUN, BROJSTANA");
    EXPECT_EQ(invoices,
              (std::vector<std::string>{"00011|1234.5|0.0|1235.0|7|A", "00012|1234.49|10.55|1234.0|7|B",
                                        "00013|-0.5|0.0|-1.0|7|C"}));
}

TEST_F(Charges, EarlierDebtCountsTheCustomersReceivablesUpToTheRunsDate) {
    struct Case {
        const char* account;
        const char* customer;
        std::int32_t date;
        const char* side;
        double amount;
    };
    // Customer 00001: 100 + 50 + 77 - 30 - 20 - 5 - 3 = 169.
    const Case cases[] = {
        {"204", "00001", kRunDate - 1, "D", 100},   // the day before
        {"204", "00001", kRunDate, "D", 50},        // on the run's date
        {"204", "00001", kRunDate + 1, "D", 1000},  // the day after: not counted
        {"204", "00001", kRunDate, "P", 30},        // credit
        {"204", "00001", kRunDate, "", 20},         // blank side: credit
        {"204", "00001", kRunDate, "d", 5},         // only "D" is a debit
        {"204", "00001", 0, "P", 3},                // undated: counted
        {"205", "00001", kRunDate, "D", 999},       // another account
        {"204", "00002", kRunDate, "D", 40},        // another customer
    };
    int n = 0;
    for (const Case& c : cases)
        AddPosting(c.account, c.customer, c.date, c.side, c.amount, ("R" + std::to_string(++n)).c_str());
    // A posting of another run counts like any other.
    AddPosting("204", "00001", kRunDate - 30, "D", 77, "KVD0400001", "KVD-04");
    ASSERT_TRUE(Create(5).created);
    EXPECT_EQ(Dump("SFAKT", "", "SHKORISNIKA, DUG, UKUPNO"),
              (std::vector<std::string>{"00001|169.0|1750.0", "00002|40.0|2188.0", "00003|0.0|0.0",
                                        "00004|0.0|1700.0"}));

    // Created again: the run's own postings are gone before the debt is summed, and the
    // rows are exactly those of one creation.
    const std::vector<std::string> once = Written();
    const ChargeOutcome again = Create(5);
    ASSERT_TRUE(again.created) << again.message;
    EXPECT_EQ(Written(), once);
}

TEST_F(Charges, ARepeatedCreationReplacesCorrectionsAndLeavesOtherRunsAlone) {
    AddRun(6);
    AddPrices(6, {"FIX", 0, 10, 0, 0, 0, 0, 0, 0});
    ASSERT_TRUE(Create(6).created);
    ASSERT_TRUE(Create(5).created);
    const std::vector<std::string> both = Written();
    // A correction of run 5 and a stray posting of its voucher are replaced.
    Exec(
        "UPDATE SPROM SET UKUPNO=1 WHERE OBRACUN=5; UPDATE SFAKT SET DUG=9 WHERE OBRACUN=5; "
        "UPDATE NALOZIS SET OPIS='x' WHERE BROJ COLLATE BINARY='KVD-05'");
    AddPosting("204", "00009", kRunDate, "D", 5, "KVD0500099", "KVD-05");
    ASSERT_TRUE(Create(5).created);
    EXPECT_EQ(Written(), both);
    EXPECT_EQ(Dump("SFAKT", "OBRACUN=6").size(), 4u);
}

TEST_F(Charges, AnEmptyPriceListGivesOnlyTheVoucherHeader) {
    AddRun(8, "Prazan");
    const ChargeOutcome out = Create(8);
    ASSERT_TRUE(out.created) << out.message;
    EXPECT_EQ(out.lines + out.invoices + out.postings, 0);
    EXPECT_EQ(Written(), std::vector<std::string>{"NALOZIS: 0|KVD-08|" + std::to_string(kRunDate) +
                                                  "|Prazan|0.0|0.0|0|0"});
}

TEST_F(Charges, RunsOutsideOneToNinetyNineAreRefusedWithoutTouchingAnything) {
    ASSERT_TRUE(Create(5).created);
    const std::vector<std::string> before = Written();
    for (int run : {100, 0}) {
        AddRun(run);
        AddPrices(run, {"FIX", 0, 10, 0, 0, 0, 0, 0, 0});
        const ChargeOutcome out = Create(run);
        EXPECT_FALSE(out.created);
        EXPECT_EQ(out.message, cp(("Zaduženja se mogu kreirati samo za obračune od 1 do 99; ovo je obračun " +
                                   std::to_string(run) + ".")
                                      .c_str()));
        EXPECT_EQ(Written(), before);
        EXPECT_EQ(progress.units, 5) << "no progress shown";
    }
}

}  // namespace

namespace {

// A statement or row the database refuses, at each step of the creation: nothing of the
// creation stays, the previous rows are as they were, and the message names the step and
// carries the driver's text.
TEST_F(Charges, ARefusedStatementOrRowLeavesThePreviousRowsAndSaysWhatFailed) {
    ASSERT_TRUE(Create(5).created);
    const std::vector<std::string> before = Written();
    struct Case {
        const char* trigger;   // the statement the trigger refuses
        const char* expected;  // part of the message (UTF-8)
    };
    const Case cases[] = {
        {"BEFORE DELETE ON SFAKT", "#A odbijeno"},
        {"BEFORE DELETE ON SPROM", "#B odbijeno"},
        {"BEFORE DELETE ON SKPROMET", "#C odbijeno"},
        {"BEFORE DELETE ON NALOZIS", "zaglavlje naloga KVD-05 nije obrisano"},
        {"BEFORE INSERT ON SPROM WHEN NEW.SHKORISNIKA COLLATE BINARY = '00003'",
         "stavka za šifru 00003, uslugu FIX nije upisana"},
        {"BEFORE INSERT ON SFAKT WHEN NEW.SHKORISNIKA COLLATE BINARY = '00004'",
         "račun za šifru 00004 nije upisan"},
        {"BEFORE INSERT ON SKPROMET WHEN NEW.ANALITIKA COLLATE BINARY = '00003'",
         "knjiženje za šifru 00003 nije upisano"},
        {"BEFORE INSERT ON NALOZIS", "zaglavlje naloga KVD-05 nije upisano"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.trigger);
        Exec(std::string("CREATE TRIGGER refuse ") + c.trigger +
             " BEGIN SELECT RAISE(ABORT, 'odbijeno'); END");
        const ChargeOutcome out = Create(5);
        Exec("DROP TRIGGER refuse");
        EXPECT_FALSE(out.created);
        EXPECT_NE(out.message.find(cp(c.expected)), std::string::npos) << rt::cp1250_to_utf8(out.message);
        EXPECT_NE(out.message.find("odbijeno"), std::string::npos) << rt::cp1250_to_utf8(out.message);
        EXPECT_EQ(out.lines + out.invoices + out.postings, 0);
        EXPECT_EQ(Written(), before);
    }
    // And the next creation goes through.
    ASSERT_TRUE(Create(5).created);
    EXPECT_EQ(Written(), before);
}

}  // namespace
