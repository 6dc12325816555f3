// The columns of a list's format text, read once for the runtime and the widgets alike.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ui/list_format.h"

namespace {

using rt::ui::Align;
using rt::ui::ListColumn;
using rt::ui::ParseListFormat;

struct Col {
    int width;
    Align align;
    int indent;
    std::string heading;
    Align heading_align;
    std::string picture;
};

struct FormatCase {
    const char* format;
    std::vector<Col> columns;
};

TEST(ListFormat, ColumnsWidthsAlignmentsHeadingsAndPictures) {
    const FormatCase cases[] = {
        {"35L(2)|M~Sifra~C(0)@s7@", {{35, Align::Left, 2, "Sifra", Align::Center, "@s7"}}},
        {"35L(2)|M~Sifra~C(0)@s7@120L(2)|M~Naziv~L(2)@s40@56D(12)|M~Iznos~C(0)@n-14`2@",
         {{35, Align::Left, 2, "Sifra", Align::Center, "@s7"},
          {120, Align::Left, 2, "Naziv", Align::Left, "@s40"},
          {56, Align::Decimal, 12, "Iznos", Align::Center, "@n-14`2"}}},
        // Right alignment, no heading alignment, modifiers with arguments, a field number.
        {"40R(4)_Z(2)#3#~Broj~@n5@20C~~@d5@",
         {{40, Align::Right, 4, "Broj", Align::Left, "@n5"}, {20, Align::Center, 0, "", Align::Left, "@d5"}}},
        // A group: its own heading after "]" names no column.
        {"[30L~A~@s3@40L~B~@s4@]|~Grupa~60L~C~@s6@",
         {{30, Align::Left, 0, "A", Align::Left, "@s3"},
          {40, Align::Left, 0, "B", Align::Left, "@s4"},
          {60, Align::Left, 0, "C", Align::Left, "@s6"}}},
        // A group heading with digits, aligned, and the group's modifiers with arguments.
        {"[40L(2)|M~Sifra~@s7@80L(2)|M~Naziv~@s20@](2)|M~Usluge 2024~C(0)60R(2)|M~Iznos~@n10.2@",
         {{40, Align::Left, 2, "Sifra", Align::Left, "@s7"},
          {80, Align::Left, 2, "Naziv", Align::Left, "@s20"},
          {60, Align::Right, 2, "Iznos", Align::Left, "@n10.2"}}},
        // Widths and indents of more digits than a number holds (a damaged or hostile
        // format file) read as the largest width.
        {"40L1111111111111111111(2)|M~Sifr+~C(0)@s7@B80L5",
         {{40, Align::Left, 0, "", Align::Left, ""},
          {rt::ui::kMaxListNumber, Align::Left, 0, "Sifr+", Align::Center, "@s7"},
          {80, Align::Left, 0, "", Align::Left, ""},
          {5, Align::Left, 0, "", Align::Left, ""}}},
        {"1111111111L(2)~A~32768R(99999999999)~B~C(-4294967296)20L(-32767)~C~",
         {{rt::ui::kMaxListNumber, Align::Left, 2, "A", Align::Left, ""},
          {rt::ui::kMaxListNumber, Align::Right, rt::ui::kMaxListNumber, "B", Align::Center, ""},
          {20, Align::Left, -32767, "C", Align::Left, ""}}},
        {"", {}},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        std::vector<ListColumn> got = ParseListFormat(c.format);
        ASSERT_EQ(got.size(), c.columns.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].width, c.columns[i].width) << i;
            EXPECT_EQ(got[i].align, c.columns[i].align) << i;
            EXPECT_EQ(got[i].indent, c.columns[i].indent) << i;
            EXPECT_EQ(got[i].heading, c.columns[i].heading) << i;
            EXPECT_EQ(got[i].heading_align, c.columns[i].heading_align) << i;
            EXPECT_EQ(got[i].picture, c.columns[i].picture) << i;
        }
    }
    EXPECT_TRUE(ParseListFormat("35L(2)|M~Sifra~").front().right_border);
    EXPECT_TRUE(ParseListFormat("35L(2)|M~Sifra~").front().resizable);
    EXPECT_FALSE(ParseListFormat("35L(2)|M~Sifra~").front().colored);
    EXPECT_TRUE(ParseListFormat("35L(2)|M*~Sifra~").front().colored);
}

TEST(ListFormat, AColumnsWidthIsChangedWhereverTheColumnStands) {
    const std::string grouped = "[40L~A~@s5@7L~B~@s2@](2)|~Grupa 12~30R~C~@n5@";
    EXPECT_EQ(rt::ui::WithColumnWidth(grouped, 2, 123), "[40L~A~@s5@123L~B~@s2@](2)|~Grupa 12~30R~C~@n5@");
    EXPECT_EQ(rt::ui::WithColumnWidth(grouped, 3, 0), "[40L~A~@s5@7L~B~@s2@](2)|~Grupa 12~1R~C~@n5@");
    EXPECT_EQ(rt::ui::WithColumnWidth(grouped, 4, 9), grouped);
}

TEST(ListFormat, TheColumnsAWindowDeclaresReadBackAsDeclared) {
    const ListColumn declared[] = {
        {.width = 32,
         .align = Align::Right,
         .heading = "Šifra",
         .heading_align = Align::Center,
         .picture = "@n05"},
        {.width = 110, .heading = "Naziv", .picture = "@s30"},
        {.width = 80, .heading = "Opis", .heading_indent = 2, .picture = "@s30", .colored = true},
    };
    const std::string format = rt::ui::ListFormat(declared);
    EXPECT_EQ(format, "32R(2)|M~\x8Aifra~C(0)@n05@110L(2)|M~Naziv~@s30@80L(2)|M*~Opis~L(2)@s30@");
    const std::vector<ListColumn> read = ParseListFormat(format);
    ASSERT_EQ(read.size(), 3u);
    for (std::size_t i = 0; i < read.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(read[i].width, declared[i].width);
        EXPECT_EQ(read[i].align, declared[i].align);
        EXPECT_EQ(read[i].indent, declared[i].indent);
        EXPECT_EQ(read[i].heading_align, declared[i].heading_align);
        EXPECT_EQ(read[i].heading_indent, declared[i].heading_indent);
        EXPECT_EQ(read[i].picture, declared[i].picture);
        EXPECT_TRUE(read[i].right_border);
        EXPECT_TRUE(read[i].resizable);
        EXPECT_EQ(read[i].colored, declared[i].colored);
    }
}

}  // namespace
