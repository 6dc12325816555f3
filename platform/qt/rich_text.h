// Rich text as the program stores it: RTF read into a QTextDocument and a QTextDocument
// written back as compact RTF. The rich-text control of the windows and the report
// painter both use it.
//
// Writing gives 7-bit text: the code page is CP1250 (\ansicpg1250), letters of it are
// written as \'xx, other characters as \uN with "?" for readers without Unicode. It keeps
// the fonts and their character sets, sizes, bold, italic, underline, text and highlight
// colours, alignment, left, right and first-line indents, tab stops, bullets and
// numbering, line breaks within a paragraph and the paragraphs.
//
// Reading takes RTF of any writer: what it does not know (control words, destinations
// marked {\*\...}, pictures, objects, headers, style sheets and the like) is skipped and
// never shown as text; the words are all kept. A text that is not RTF is read as plain
// CP1250 text, and a text that was cut short is read as far as it goes.
#pragma once

#include <QFont>
#include <QTextDocument>
#include <QTextFormat>
#include <string>
#include <string_view>

namespace rt::qt {

// The character set (RTF \fcharset) of a character format's font; a format without it
// has the program's 238 (Central European).
inline constexpr int kCharsetProperty = QTextFormat::UserProperty + 0x4b31;
inline constexpr int kDefaultCharset = 238;

// What a character format shows in a document: its own font name and size, else those of
// the document's default font; its character set.
QString FontFamilyOf(const QTextCharFormat& format, const QFont& default_font);
double PointSizeOf(const QTextCharFormat& format, const QFont& default_font);
int CharsetOf(const QTextCharFormat& format);

// List styles by their numbers: 1 bullets, 2 Arabic numbers, 3 lower letters, 4 upper
// letters, 5 lower Roman numbers, 6 upper Roman numbers; and back.
QTextListFormat::Style ListStyle(int number);
int ListStyleNumber(QTextListFormat::Style style);

// Whether the text begins as an RTF document does ("{\rtf").
bool IsRtf(std::string_view text);

// Replaces the document's content with the text; the document's undo history is cleared
// and it counts as unmodified. Every character gets its font, size and charset explicitly,
// so that the document does not depend on its default font.
void ReadRtf(std::string_view text, QTextDocument& document);

// The document as RTF.
std::string WriteRtf(const QTextDocument& document);

}  // namespace rt::qt
