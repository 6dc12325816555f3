// The account formatter and the payment QR text over tables of cases.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "billing/payment_qr.h"
#include "platform/core/text.h"

namespace {

using kvadrin::FormatirajRacun;
using kvadrin::PaymentQrData;
using kvadrin::PaymentQrText;

TEST(FormatirajRacun, BankCodeInFrontTheRestRightAlignedWithZeros) {
    struct Case {
        std::string account, expected;
    };
    const std::vector<Case> cases = {
        {"160-123456-78", "160000000012345678"},
        {"160-0000000123456-78", "160000000012345678"},
        {"160 123456 78", "160000000012345678"},
        {"160-1234567890123-45", "160123456789012345"},
        {"160-123456-78      ", "160000000012345678"},
        // More than 18: the first three and the last fifteen.
        {"160-12345678901234567-89", "160567890123456789"},
        {"908-0000000000000-11", "908000000000000011"},
        // Fewer than three characters leave the bank code short, padded at the end.
        {"16", "16000000000000000 "},
        {"", "000000000000000   "},
        // Anything but blanks and hyphens is taken as it stands.
        {"16O-12/34", "16O000000000012/34"},
    };
    for (const Case& c : cases) {
        const std::string got = FormatirajRacun(c.account);
        EXPECT_EQ(got.size(), 18u) << c.account;
        EXPECT_EQ(
            got, c.expected.size() == 18 ? c.expected : c.expected + std::string(18 - c.expected.size(), ' '))
            << c.account;
    }
    EXPECT_EQ(kvadrin::AccountCharacters("160-0000000012345-67"), 18u);
    EXPECT_EQ(kvadrin::AccountCharacters("160 - 12345678901234567 - 8"), 21u);
}

TEST(PaymentQrText, TheExampleByteForByteAndTheRulesOfTheTags) {
    const std::string account = FormatirajRacun("160-123456-78");
    struct Case {
        const char* what;
        std::string firm, place;
        double amount;
        std::string purpose, reference, expected;
    };
    const std::string head = "K:PR|V:01|C:1|R:160000000012345678|N:";
    const std::vector<Case> cases = {
        {"the example", "STAMBENA ZAJEDNICA", "11000 MESTO", 1234.50, "Racun za decembar", "00123-05-26",
         head + "STAMBENA ZAJEDNICA 11000 MESTO|I:RSD1234,50|SF:289|S:Racun za decembar|RO:0000123-05-26"},
        {"trailing blanks of the name: one blank before the place", "STAMBENA ZAJEDNICA       ",
         "11000 MESTO   ", 0, "Racun   ", "00001-01-26",
         head + "STAMBENA ZAJEDNICA 11000 MESTO|I:RSD0,00|SF:289|S:Racun|RO:0000001-01-26"},
        {"a blank purpose leaves its tag out", "SZ", "Novi Sad", 10.5, "   ", "00002-01-26",
         head + "SZ Novi Sad|I:RSD10,50|SF:289|RO:0000002-01-26"},
        {"ten million and more written whole", "SZ", "Novi Sad", 10000000.0, "P", "00003-01-26",
         head + "SZ Novi Sad|I:RSD10000000,00|SF:289|S:P|RO:0000003-01-26"},
        {"a large amount with its decimals", "SZ", "Novi Sad", 123456789.995, "P", "00003-01-26",
         head + "SZ Novi Sad|I:RSD123456790,00|SF:289|S:P|RO:0000003-01-26"},
        {"just below ten million", "SZ", "Novi Sad", 9999999.99, "P", "00003-01-26",
         head + "SZ Novi Sad|I:RSD9999999,99|SF:289|S:P|RO:0000003-01-26"},
        {"a separator or a line break in a value splits no tag", "SZ|A\r\nB", "Novi|Sad", 1, "Racun|S:x\nod",
         "00004-01-26", head + "SZ A  B Novi Sad|I:RSD1,00|SF:289|S:Racun S:x od|RO:0000004-01-26"},
        {"a name over 70 characters is cut", std::string(60, 'N'), "11000 Beograd", 1, "P", "00005-01-26",
         head + std::string(60, 'N') + " 11000 Beo|I:RSD1,00|SF:289|S:P|RO:0000005-01-26"},
        {"a place alone", "", "Beograd", 1, "P", "00006-01-26",
         head + "Beograd|I:RSD1,00|SF:289|S:P|RO:0000006-01-26"},
    };
    for (const Case& c : cases) {
        const std::string text =
            PaymentQrText(PaymentQrData{account, c.firm, c.place, c.amount, c.purpose, c.reference});
        EXPECT_EQ(text, c.expected) << c.what;
    }
}

TEST(PaymentQrText, SerbianLettersStayCp1250AndTheTextStaysWithinItsLength) {
    const std::string firm = rt::utf8_to_cp1250("Stambena zajednica Đurđevdan");
    const std::string purpose = rt::utf8_to_cp1250("Račun za održavanje");
    const std::string text =
        PaymentQrText(PaymentQrData{"160000000012345678", firm, "11000 Beograd", 5, purpose, "00007-02-26"});
    EXPECT_EQ(rt::cp1250_to_utf8(text),
              "K:PR|V:01|C:1|R:160000000012345678|N:Stambena zajednica Đurđevdan 11000 Beograd|I:RSD5,00"
              "|SF:289|S:Račun za održavanje|RO:0000007-02-26");
    const std::string long_value(600, 'x');
    EXPECT_EQ(PaymentQrText(PaymentQrData{"160000000012345678", "SZ", "", 1, long_value, long_value}).size(),
              511u);
}

// The outside check of the eighteen digits: python-stdnum's ISO 7064 MOD 97-10.
bool Mod97ByStdnum(const std::string& digits) {
    const std::string cmd =
        "/usr/bin/python3 -c 'import sys, stdnum.iso7064.mod_97_10 as m; "
        "print(m.is_valid(sys.argv[1]))' " +
        digits;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return false;
    char buf[16] = {};
    const bool got = std::fgets(buf, sizeof buf, p) != nullptr;
    ::pclose(p);
    return got && std::string(buf).rfind("True", 0) == 0;
}

TEST(IsPaymentAccount, ThreeGroupsOfDigitsWhoseEighteenDigitsPassMod97) {
    struct Case {
        std::string account;
        bool shape;  // three groups of 3, 1-13 and 2 digits: the outside check decides
        bool taken;
    };
    const std::vector<Case> cases = {
        {"160-123456-54", true, true},
        {"160-0000000123456-54", true, true},
        {"160-123456-54   ", true, true},      // trailing blanks of the field
        {"160-0000000498672-91", true, true},  // the demo firm's
        {"840-955845-10", true, true},         // the NBS's examples
        {"165-55-74", true, true},
        {"310-1234567891211-86", true, true},
        {"160-123456-78", true, false},  // fails mod 97
        {"160-123456-55", true, false},
        {"160-12345678901234-54", false, false},  // fourteen digits in the middle
        {"160 123456 54", false, false},          // blanks in place of the hyphens
        {"160123456-54", false, false},           // one hyphen
        {"160-123-456-54", false, false},         // three
        {"160--54", false, false},
        {"16O-123456-54", false, false},  // a letter O
        {"160-123456-5", false, false},
        {"1600-123456-54", false, false},
        {" 160-123456-54", false, false},
        {"", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(kvadrin::IsPaymentAccount(c.account), c.taken) << c.account;
        if (c.shape) { EXPECT_EQ(Mod97ByStdnum(FormatirajRacun(c.account)), c.taken) << c.account; }
    }
}

TEST(AmountFitsPaymentText, RsdAndTheAmountInEighteenCharacters) {
    struct Case {
        double amount;
        bool fits;
    };
    const std::vector<Case> cases = {
        {0, true},
        {10000000.0, true},
        {999999999999.99, true},  // "RSD999999999999,99": 18
        {999999999999.994, true},
        {999999999999.995, false},  // rounds to a thirteenth digit
        {1000000000000.0, false},
        {1e15, false},
        {1e300, false},
        {-1, false},
    };
    for (const Case& c : cases) EXPECT_EQ(kvadrin::AmountFitsPaymentText(c.amount), c.fits) << c.amount;
    EXPECT_EQ(kvadrin::kMaxAmountField, 18u);
}

}  // namespace
