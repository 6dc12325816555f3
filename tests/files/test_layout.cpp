#include "platform/files/layout.h"

#include <cstddef>
#include <functional>

#include <gtest/gtest.h>

namespace {

struct Konto {
    rt::FString<3> S;
    rt::FString<5> A;
};
struct Rec {
    rt::Byte B;
    Konto K;
    rt::CString<4> C;
    rt::Real R;
    rt::FString<2> ARR[3];
};
static_assert(sizeof(Rec) == 27);

rt::RecordLayout sample() {
    rt::RecordLayout L;
    L.prefix = "T";
    L.record_size = sizeof(Rec);
    L.fields = {
        rt::field_for<decltype(Rec::B)>("T:B", offsetof(Rec, B)),
        rt::make_field("T:K", rt::FieldType::Group, offsetof(Rec, K), sizeof(Konto)),
        rt::field_for<decltype(Konto::S)>("T:S", offsetof(Rec, K) + offsetof(Konto, S)),
        rt::field_for<decltype(Konto::A)>("T:A", offsetof(Rec, K) + offsetof(Konto, A)),
        rt::field_for<decltype(Rec::C)>("T:C", offsetof(Rec, C)),
        rt::field_for<decltype(Rec::R)>("T:R", offsetof(Rec, R)),
        rt::field_for<decltype(Rec::ARR)>("T:ARR", offsetof(Rec, ARR)),
    };
    L.keys.push_back(rt::make_key(L, "T:Po_kontu", {"T:K", "r"}, rt::kKeyPrimary | rt::kKeyNoCase));
    L.keys.push_back(rt::make_key(L, "T:Po_c", {"C"}, rt::kKeyDup | rt::kKeyOptional));
    return L;
}

TEST(Layout, FieldTypesFollowTheMemberTypes) {
    auto L = sample();
    const rt::FieldDef* c = L.field("T:C");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->type, rt::FieldType::CString);
    EXPECT_EQ(c->size, 4u);
    EXPECT_EQ(c->offset, 9u);
    EXPECT_TRUE(c->is_text());
    const rt::FieldDef* r = L.field("T:R");
    EXPECT_EQ(r->type, rt::FieldType::Real);
    EXPECT_EQ(r->size, 8u);
    const rt::FieldDef* arr = L.field("T:ARR");
    EXPECT_EQ(arr->type, rt::FieldType::String);
    EXPECT_EQ(arr->size, 2u);
    EXPECT_EQ(arr->dim, 3u);
    EXPECT_EQ(arr->total_size(), 6u);
    EXPECT_EQ(L.field("T:B")->type, rt::FieldType::Byte);
    EXPECT_EQ(rt::field_for<rt::Short>("T:X", 0).size, 2u);
    EXPECT_EQ(rt::field_for<rt::Long>("T:X", 0).type, rt::FieldType::Long);
}

TEST(Layout, FieldLookupByNameOrColumnIgnoresCase) {
    auto L = sample();
    EXPECT_EQ(L.field_index("T:C"), 4);
    EXPECT_EQ(L.field_index("t:c"), 4);
    EXPECT_EQ(L.field_index("C"), 4);
    EXPECT_EQ(L.field_index("arr"), 6);
    EXPECT_EQ(L.field_index("K"), 1);     // the group
    EXPECT_EQ(L.field_index("S"), 2);     // a member of it
    EXPECT_EQ(L.field_index("X:C"), -1);  // another prefix is another field
    EXPECT_EQ(L.field_index("T:"), -1);
    EXPECT_EQ(L.field_index("NONE"), -1);
    EXPECT_EQ(L.field("NONE"), nullptr);
    EXPECT_EQ(L.fields[4].column(), "C");
    EXPECT_EQ(rt::make_field("PLAIN", rt::FieldType::Byte, 0, 1).column(), "PLAIN");
}

TEST(Layout, KeysResolveComponentsAndLookUpIgnoringCase) {
    auto L = sample();
    const rt::KeyDef* k = L.key("T:PO_KONTU");
    ASSERT_NE(k, nullptr);
    EXPECT_EQ(k->name, "T:Po_kontu");
    EXPECT_EQ(k->structure_name(), "T:PO_KONTU");
    EXPECT_EQ(k->fields, (std::vector<std::size_t>{1, 5}));
    EXPECT_TRUE(k->primary());
    EXPECT_TRUE(k->unique());
    EXPECT_TRUE(k->nocase());
    EXPECT_FALSE(k->optional());
    EXPECT_EQ(L.primary_key(), k);

    EXPECT_EQ(L.key_index("t:po_c"), 1);
    const rt::KeyDef& dup = L.keys[1];
    EXPECT_FALSE(dup.unique());
    EXPECT_TRUE(dup.optional());
    EXPECT_FALSE(dup.nocase());
    EXPECT_EQ(L.key("T:Po"), nullptr);

    L.keys.erase(L.keys.begin());
    EXPECT_EQ(L.primary_key(), nullptr);
}

TEST(LayoutDeathTest, UnknownKeyComponentAborts) {
    auto L = sample();
    EXPECT_DEATH(rt::make_key(L, "T:Bad", {"T:C", "T:NOPE"}, 0), "T:Bad.*T:NOPE");
}

TEST(Layout, SoundLayoutValidates) {
    auto L = sample();
    EXPECT_EQ(rt::validate_layout(L), "");
}

TEST(Layout, ValidationFindsEachFault) {
    struct Case {
        const char* what;
        std::function<void(rt::RecordLayout&)> spoil;
        const char* expect;
    };
    const Case cases[] = {
        {"gap", [](auto& L) { L.fields[4].offset += 1; }, "T:C: at 10, expected 9"},
        {"overlap", [](auto& L) { L.fields[5].offset -= 1; }, "T:R: at 12, expected 13"},
        {"short of the record", [](auto& L) { L.record_size += 1; }, "fields end at 27, record size is 28"},
        {"past the record", [](auto& L) { L.fields[6].dim = 4; }, "fields end at 29"},
        {"group larger than members", [](auto& L) { L.fields[1].size = 9; },
         "T:C: runs past the end of group T:K"},
        {"group not filled",
         [](auto& L) {
             L.fields[1].size = 26;  // more than every field after it holds
             L.fields.erase(L.fields.begin() + 6);
             L.record_size = 21;
         },
         "T:K: members do not fill the group"},
        {"scalar of wrong size", [](auto& L) { L.fields[5].size = 4; }, "T:R: size 4, its type has 8"},
        {"zero size", [](auto& L) { L.fields[4].size = 0; }, "T:C: size 0"},
        {"zero dimension", [](auto& L) { L.fields[6].dim = 0; }, "T:ARR: bad dimension"},
        {"name twice", [](auto& L) { L.fields[5].name = "t:c"; }, "t:c: name given twice"},
        {"foreign prefix", [](auto& L) { L.fields[0].name = "X:B"; }, "X:B: name is not T:NAME"},
        {"no prefix", [](auto& L) { L.prefix.clear(); }, "no prefix"},
        {"component out of range", [](auto& L) { L.keys[1].fields = {7}; },
         "T:Po_c: component 1 out of range"},
        {"component twice",
         [](auto& L) {
             L.keys[1].fields = {4, 4};
         },
         "T:Po_c: component given twice"},
        {"key without components", [](auto& L) { L.keys[1].fields.clear(); },
         "T:Po_c: key without components"},
        {"two primaries", [](auto& L) { L.keys[1].flags = rt::kKeyPrimary; }, "more than one primary key"},
        {"unique and dup", [](auto& L) { L.keys[1].flags |= rt::kKeyUnique; },
         "both unique and with duplicates"},
        {"key name twice", [](auto& L) { L.keys[1].name = "T:PO_KONTU"; }, "T:PO_KONTU: key given twice"},
        {"key of another table", [](auto& L) { L.keys[1].name = "X:Po_c"; },
         "X:Po_c: key name is not T:NAME"},
    };
    for (const auto& c : cases) {
        auto L = sample();
        c.spoil(L);
        std::string problems = rt::validate_layout(L);
        EXPECT_NE(problems.find(c.expect), std::string::npos) << c.what << ": " << problems;
    }
}

TEST(Layout, OneFaultIsReportedOnce) {
    auto L = sample();
    L.fields[4].offset += 1;  // one misplaced field, the rest in place after it
    L.fields[5].offset += 1;
    L.fields[6].offset += 1;
    L.record_size += 1;
    EXPECT_EQ(rt::validate_layout(L), "T:C: at 10, expected 9");
}

}  // namespace
