// Display pictures: how a number, date, time or text is shown in a control, a report or
// a text the program builds, and how a shown or typed text is read back.
//
//   @n / @N   numbers: [-][0|_]width[grouping][.d | `d][B]
//             "-" prints a minus sign for negatives (without it no sign is printed);
//             "0" fills with zeros, "_" with blanks, both without thousands grouping;
//             a "." or "," right after the width is the grouping character; without a
//             fill and without one, thousands are grouped with "," (decimal point) or
//             "." (decimal comma); ".d" gives d decimals with a decimal point, "`d" with
//             a decimal comma; a trailing "B" prints blanks for a value that shows as 0
//             once rounded to the picture's decimals. The width counts every
//             character; a number that does not fit comes out as width "#" characters.
//             The shown decimals are rounded half away from zero on the value taken as
//             a decimal number of 15 significant digits.
//   @s        text: @sN, blank-padded or cut to N.
//   @d        dates (day numbers): @d1 mm/dd/yy, @d2 mm/dd/yyyy, @d5 dd/mm/yy,
//             @d6 dd/mm/yyyy; a blank in place of a leading zero of the first part;
//             a trailing "B" prints blanks for 0. Every day number outside 4..2994626,
//             0 included, prints as blanks with or without "B".
//   @p        patterns, numbers only (format): "@pStrana <<#p" shows the text between
//             the p's with the number's digits in its digit positions, filled from the
//             right; "#" always takes a digit (0 when the number has no more), "<" only
//             when the number has one, so 3 gives "Strana 3" and 123 "Strana 123".
//   @t        times of day: @t1 hh:mm, @t4 hh:mm:ss; trailing "B" as for dates.
//             Invalid time values print as blanks.
//
// The kind letter and "B" are case-insensitive.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rt {

enum class PictureKind { Number, String, Date, Time };

struct Picture {
    PictureKind kind = PictureKind::String;
    int width = 0;           // characters of the shown text
    int decimals = 0;        // numbers
    bool sign = false;       // numbers: print a minus sign for negatives
    bool zero_fill = false;  // numbers: leading zeros instead of blanks
    bool decimal_comma = false;
    char grouping = 0;        // thousands separator of a number, 0 for none
    bool blank_zero = false;  // blanks for the value 0
    int format = 0;           // date or time picture number (5 for @d5, 4 for @t4)
};

// The picture of a picture text ("@n-12.2"); nullopt when the text is no picture this
// layer knows.
std::optional<Picture> parse_picture(std::string_view picture);

// FORMAT(value, picture). An unknown picture gives the value as plain text.
std::string format(double value, std::string_view picture);
std::string format(double value, const Picture& picture);
// FORMAT of a text: @s pads or cuts it; a number, date or time picture formats the
// number the text denotes (to_number), so FORMAT("2024 a", @n04) is "2024". An unknown
// picture gives the text unchanged.
std::string format(std::string_view text, std::string_view picture);
std::string format(std::string_view text, const Picture& picture);

// DEFORMAT through a number, date or time picture: the value that a shown or typed text
// stands for. Blanks read as 0. nullopt when the text is no value of that picture (stray
// characters, a minus sign where the picture has none, misplaced grouping, "#" overflow,
// a date that does not exist) and for @s and unknown pictures. A date's two-digit year
// means 2000-2079 for 00-79 and 1980-1999 for 80-99.
std::optional<double> deformat(std::string_view text, std::string_view picture);
std::optional<double> deformat(std::string_view text, const Picture& picture);
// The years a two-digit year of a date picture (@d1, @d5) stands for.
inline constexpr int kFirstTwoDigitYear = 1980;
inline constexpr int kLastTwoDigitYear = 2079;
// The value an entry with a number, date or time picture stores for a typed text: as
// DEFORMAT reads it, a number rounded to the picture's decimals, so that what the entry
// shows is what is stored and summed. nullopt when DEFORMAT refuses the text and when the
// picture cannot show the value again: a number too wide for it, a date whose year a
// two-digit year picture would read as another.
std::optional<double> entry_value(std::string_view text, const Picture& picture);
// DEFORMAT through a @s picture: the text cut to the picture's width. Other pictures
// give the text unchanged.
std::string deformat_string(std::string_view text, std::string_view picture);

}  // namespace rt
