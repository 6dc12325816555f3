#include "platform/qt/rich_text.h"

#include <QFont>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>
#include <QTextList>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/core/text.h"

namespace rt::qt {
namespace {

// The document's units are pixels at 96 per inch; RTF's are twips, 1440 per inch.
constexpr double kTwipsPerPixel = 15.0;

// ---------------------------------------------------------------- code pages

int CodePageOfCharset(int charset) {
    switch (charset) {
        case 0: return 1252;
        case 161: return 1253;
        case 162: return 1254;
        case 163: return 1258;
        case 177: return 1255;
        case 178: return 1256;
        case 186: return 1257;
        case 204: return 1251;
        case 222: return 874;
        case 238: return 1250;
        default: return 0;  // the document's code page
    }
}

// The characters of the bytes 80h ... FFh of a code page (Latin-1 when it is unknown).
const std::array<char16_t, 128>& UpperHalf(int code_page) {
    static std::mutex m;
    static std::map<int, std::array<char16_t, 128>> tables;
    std::lock_guard lock(m);
    auto it = tables.find(code_page);
    if (it != tables.end()) return it->second;
    std::array<char16_t, 128> t{};
    for (int b = 0; b < 128; ++b) t[b] = static_cast<char16_t>(0x80 + b);
    if (code_page == 1250) {
        for (int b = 0; b < 128; ++b) {
            const char byte = static_cast<char>(0x80 + b);
            const QString s = QString::fromStdString(rt::cp1250_to_utf8(std::string_view(&byte, 1)));
            if (s.size() == 1) t[b] = s[0].unicode();
        }
    } else if (code_page > 0) {
        QStringDecoder decoder(("windows-" + std::to_string(code_page)).c_str());
        if (!decoder.isValid() && code_page == 874) decoder = QStringDecoder("TIS-620");
        if (decoder.isValid()) {
            for (int b = 0; b < 128; ++b) {
                const char byte = static_cast<char>(0x80 + b);
                const QString s = decoder.decode(QByteArrayView(&byte, 1));
                if (s.size() == 1 && s[0] != QChar::ReplacementCharacter) t[b] = s[0].unicode();
            }
        }
    }
    return tables.emplace(code_page, t).first->second;
}

// ---------------------------------------------------------------- reading

enum class Dest { Text, Skip, FontTable, ColorTable, Pn, ListTable, ListOverrides };

struct Chars {
    int font = -1;  // -1: the default font
    double size = 12;
    bool bold = false, italic = false, underline = false, hidden = false;
    int fg = 0, bg = 0;
    bool operator==(const Chars&) const = default;
};

struct Para {
    int align = 0;               // 0 left, 1 centre, 2 right, 3 justified
    int li = 0, ri = 0, fi = 0;  // twips
    QList<QTextOption::Tab> tabs;
    QTextOption::TabType tab_type = QTextOption::LeftTab;
    int pn = 0;  // list style of a {\*\pn} group, 0 none
    bool pn_bullet = false, pn_body = false;
    int pn_type = 0;
    int ls = 0;  // list override of the paragraph
};

struct State {
    Dest dest = Dest::Text;
    Chars ch;
    Para para;
    int uc = 1;
};

struct Run {
    QString text;
    Chars ch;
};

struct FontEntry {
    QString name;
    int charset = -1;
    bool done = false;  // the name ended with its ";"
};

// Words that open a group whose content is not text of the document.
bool SkippedDestination(std::string_view w) {
    static const char* const kWords[] = {
        "annotation",
        "atnauthor",
        "atndate",
        "atnicn",
        "atnid",
        "atnparent",
        "atnref",
        "atntime",
        "atrfend",
        "atrfstart",
        "author",
        "bkmkend",
        "bkmkstart",
        "blipuid",
        "buptim",
        "category",
        "colorschememapping",
        "comment",
        "company",
        "creatim",
        "datafield",
        "datastore",
        "defchp",
        "defpap",
        "do",
        "doccomm",
        "docvar",
        "dptxbxtext",
        "falt",
        "fchars",
        "ffdeftext",
        "ffentrymcr",
        "ffexitmcr",
        "ffformat",
        "ffhelptext",
        "ffl",
        "ffname",
        "ffstattext",
        "filetbl",
        "fldinst",
        "footer",
        "footerf",
        "footerl",
        "footerr",
        "footnote",
        "formfield",
        "ftncn",
        "ftnsep",
        "ftnsepc",
        "generator",
        "header",
        "headerf",
        "headerl",
        "headerr",
        "hlinkbase",
        "info",
        "keywords",
        "latentstyles",
        "lchars",
        "levelnumbers",
        "leveltext",
        "listname",
        "listpicture",
        "listtext",
        "manager",
        "mmathPr",
        "nesttableprops",
        "nonesttables",
        "nonshppict",
        "objalias",
        "objclass",
        "objdata",
        "object",
        "objname",
        "objsect",
        "objtime",
        "operator",
        "panose",
        "passwordhash",
        "pgdsctbl",
        "pict",
        "pntext",
        "pntxta",
        "pntxtb",
        "printim",
        "private",
        "propname",
        "protusertbl",
        "pxe",
        "result",
        "revtbl",
        "revtim",
        "rsidtbl",
        "shp",
        "shpinst",
        "shppict",
        "shprslt",
        "shptxt",
        "sp",
        "stylesheet",
        "subject",
        "sv",
        "tc",
        "template",
        "themedata",
        "title",
        "txe",
        "userprops",
        "wgrffmtfilter",
        "windowcaption",
        "writereservation",
        "writereservhash",
        "xe",
        "xform",
        "xmlattrname",
        "xmlattrvalue",
        "xmlclose",
        "xmlname",
        "xmlnstbl",
        "xmlopen",
    };
    return std::binary_search(std::begin(kWords), std::end(kWords), w,
                              [](std::string_view a, std::string_view b) { return a < b; });
}

int StyleOfLevelFormat(int nfc) {
    switch (nfc) {
        case 0: return 2;    // 1, 2, 3
        case 1: return 6;    // I, II, III
        case 2: return 5;    // i, ii, iii
        case 3: return 4;    // A, B, C
        case 4: return 3;    // a, b, c
        case 23: return 1;   // bullets
        case 255: return 0;  // no number
        default: return 2;
    }
}

}  // namespace

QTextListFormat::Style ListStyle(int style) {
    switch (style) {
        case 2: return QTextListFormat::ListDecimal;
        case 3: return QTextListFormat::ListLowerAlpha;
        case 4: return QTextListFormat::ListUpperAlpha;
        case 5: return QTextListFormat::ListLowerRoman;
        case 6: return QTextListFormat::ListUpperRoman;
        default: return QTextListFormat::ListDisc;
    }
}

int ListStyleNumber(QTextListFormat::Style style) {
    switch (style) {
        case QTextListFormat::ListDecimal: return 2;
        case QTextListFormat::ListLowerAlpha: return 3;
        case QTextListFormat::ListUpperAlpha: return 4;
        case QTextListFormat::ListLowerRoman: return 5;
        case QTextListFormat::ListUpperRoman: return 6;
        default: return 1;
    }
}

QString FontFamilyOf(const QTextCharFormat& f, const QFont& default_font) {
    const QStringList families = f.fontFamilies().toStringList();
    return !families.isEmpty() && !families.first().isEmpty() ? families.first() : default_font.family();
}

double PointSizeOf(const QTextCharFormat& f, const QFont& default_font) {
    if (f.hasProperty(QTextFormat::FontPointSize)) return f.fontPointSize();
    if (f.hasProperty(QTextFormat::FontPixelSize)) return f.intProperty(QTextFormat::FontPixelSize) * 0.75;
    return default_font.pointSizeF() > 0 ? default_font.pointSizeF() : 12;
}

int CharsetOf(const QTextCharFormat& f) {
    return f.hasProperty(kCharsetProperty) ? f.intProperty(kCharsetProperty) : kDefaultCharset;
}

namespace {

class Reader {
public:
    Reader(std::string_view in, QTextDocument& doc) : in_(in), doc_(doc), cursor_(&doc) {}

    void Run() {
        std::size_t i = 0;
        const std::size_t n = in_.size();
        while (i < n) {
            const char c = in_[i];
            if (c == '{') {
                stack_.push_back(st_);
                skip_fallback_ = 0;
                ++i;
            } else if (c == '}') {
                EndGroup();
                ++i;
            } else if (c == '\\') {
                i = Control(i + 1);
            } else if (c == '\r' || c == '\n' || c == '\0') {
                ++i;
            } else if (c == '\t') {
                Char(u'\t');
                ++i;
            } else {
                Byte(static_cast<unsigned char>(c));
                ++i;
            }
        }
        // A text cut short ends its open groups here.
        while (!stack_.empty()) EndGroup();
        if (!runs_.empty()) EmitParagraph();
    }

private:
    std::size_t Control(std::size_t i) {
        const std::size_t n = in_.size();
        if (i >= n) return n;
        const char c = in_[i];
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
            std::size_t j = i;
            while (j < n && j - i < 32 &&
                   ((in_[j] >= 'a' && in_[j] <= 'z') || (in_[j] >= 'A' && in_[j] <= 'Z')))
                ++j;
            const std::string_view word = in_.substr(i, j - i);
            bool has_param = false;
            long param = 0;
            std::size_t k = j;
            if (k < n && (in_[k] == '-' || (in_[k] >= '0' && in_[k] <= '9'))) {
                const bool negative = in_[k] == '-';
                std::size_t d = negative ? k + 1 : k;
                std::size_t digits = d;
                while (digits < n && in_[digits] >= '0' && in_[digits] <= '9') ++digits;
                if (digits > d) {
                    // Every digit belongs to the word; a number past 32 bits reads as the
                    // largest one.
                    long long value = 0;
                    if (std::from_chars(in_.data() + d, in_.data() + digits, value).ec != std::errc())
                        value = INT32_MAX;
                    value = std::min<long long>(value, INT32_MAX);
                    param = static_cast<long>(negative ? -value : value);
                    has_param = true;
                    k = digits;
                }
            }
            if (k < n && in_[k] == ' ') ++k;
            if (word == "bin") {
                // Binary data: skipped by its length, whatever its bytes are.
                const std::size_t len = has_param && param > 0 ? static_cast<std::size_t>(param) : 0;
                return std::min(n, k + len);
            }
            Word(word, has_param, param);
            return k;
        }
        if (c == '\'') {
            if (i + 2 < n) {
                int value = 0;
                const auto [p, ec] = std::from_chars(in_.data() + i + 1, in_.data() + i + 3, value, 16);
                if (ec == std::errc() && p == in_.data() + i + 3) {
                    ignorable_ = false;
                    if (!TakeFallback()) Byte(static_cast<unsigned char>(value));
                    return i + 3;
                }
            }
            return std::min(n, i + 1);
        }
        const bool ignorable = c == '*';
        if (!ignorable) ignorable_ = false;
        switch (c) {
            case '*': ignorable_ = true; break;
            case '\\':
            case '{':
            case '}':
                if (!TakeFallback()) Byte(static_cast<unsigned char>(c));
                break;
            case '~':
                if (!TakeFallback()) Char(u'\u00A0');
                break;
            case '-':
                if (!TakeFallback()) Char(u'\u00AD');
                break;
            case '_':
                if (!TakeFallback()) Char(u'\u2011');
                break;
            case '\r':
            case '\n': Word("par", false, 0); break;
            default: TakeFallback(); break;
        }
        return i + 1;
    }

    // A character that stands in for the Unicode character before it is dropped.
    bool TakeFallback() {
        if (skip_fallback_ <= 0) return false;
        --skip_fallback_;
        return true;
    }

    void EndGroup() {
        if (stack_.empty()) return;
        const State inner = st_;
        st_ = stack_.back();
        stack_.pop_back();
        skip_fallback_ = 0;
        ignorable_ = false;
        if (inner.dest == Dest::Pn && st_.dest != Dest::Pn) st_.para.pn = inner.para.pn;
        if (inner.dest == Dest::FontTable && st_.dest != Dest::FontTable) FinishFontName();
    }

    void Word(std::string_view w, bool has_param, long param) {
        const bool ignorable = ignorable_;
        ignorable_ = false;
        if (st_.dest == Dest::Skip) return;
        if (TakeFallback()) return;

        // Destinations.
        if (w == "fonttbl") {
            st_.dest = Dest::FontTable;
            return;
        }
        if (w == "colortbl") {
            st_.dest = Dest::ColorTable;
            return;
        }
        if (w == "pn") {
            st_.dest = Dest::Pn;
            st_.para.pn_bullet = st_.para.pn_body = false;
            st_.para.pn_type = 0;
            return;
        }
        if (w == "listtable") {
            st_.dest = Dest::ListTable;
            return;
        }
        if (w == "listoverridetable") {
            st_.dest = Dest::ListOverrides;
            return;
        }
        if (ignorable || SkippedDestination(w)) {
            st_.dest = Dest::Skip;
            return;
        }

        switch (st_.dest) {
            case Dest::FontTable:
                if (w == "u" && has_param) {
                    FontChar(static_cast<char16_t>(param < 0 ? param + 65536 : param));
                    skip_fallback_ = st_.uc;
                } else {
                    FontWord(w, has_param, param);
                }
                return;
            case Dest::ColorTable: {
                const int v = static_cast<int>(std::clamp(param, 0L, 255L));
                if (w == "red")
                    color_.setRed(v);
                else if (w == "green")
                    color_.setGreen(v);
                else if (w == "blue")
                    color_.setBlue(v);
                else
                    return;
                color_set_ = true;
                return;
            }
            case Dest::Pn: PnWord(w, param); return;
            case Dest::ListTable: ListWord(w, has_param, param); return;
            case Dest::ListOverrides:
                if (w == "listid")
                    override_list_ = param;
                else if (w == "ls")
                    overrides_[ListOverride(param)] = override_list_;
                return;
            default: break;
        }
        TextWord(w, has_param, param);
    }

    void FontWord(std::string_view w, bool has_param, long param) {
        if (w == "f" && has_param) {
            FinishFontName();
            font_ = static_cast<int>(param);
            fonts_[font_];
        } else if (w == "fcharset" && font_ >= 0) {
            fonts_[font_].charset = static_cast<int>(param);
        }
    }

    void FontChar(char16_t c) {
        if (font_ >= 0 && !fonts_[font_].done && c >= 0x20) fonts_[font_].name += QChar(c);
    }

    void FinishFontName() {
        if (font_ < 0) return;
        FontEntry& f = fonts_[font_];
        f.name = f.name.trimmed();
        f.done = true;
    }

    void PnWord(std::string_view w, long param) {
        Para& p = st_.para;
        if (w == "pnlvlblt")
            p.pn_bullet = true;
        else if (w == "pnlvlbody" || w == "pnlvl")
            p.pn_body = true;
        else if (w == "pnlvlcont")
            p.pn_bullet = p.pn_body = false;
        else if (w == "pndec")
            p.pn_type = 2;
        else if (w == "pnlcltr")
            p.pn_type = 3;
        else if (w == "pnucltr")
            p.pn_type = 4;
        else if (w == "pnlcrm")
            p.pn_type = 5;
        else if (w == "pnucrm")
            p.pn_type = 6;
        else
            return;
        (void)param;
        p.pn = p.pn_bullet ? 1 : p.pn_body ? (p.pn_type ? p.pn_type : 2) : 0;
    }

    void ListWord(std::string_view w, bool has_param, long param) {
        if (w == "list") {
            list_level_ = 0;
            list_nfc_ = 0;
        } else if (w == "listlevel") {
            ++list_level_;
        } else if ((w == "levelnfc" || w == "levelnfcn") && has_param && list_level_ == 1) {
            list_nfc_ = static_cast<int>(param);
        } else if (w == "listid") {
            lists_[param] = list_nfc_;
        }
    }

    void TextWord(std::string_view w, bool has_param, long param) {
        Chars& ch = st_.ch;
        Para& p = st_.para;
        const bool on = !has_param || param != 0;
        if (w == "par" || w == "sect" || w == "page" || w == "row" || w == "nestrow")
            EmitParagraph();
        else if (w == "line")
            Char(u'\u2028');
        else if (w == "tab" || w == "cell" || w == "nestcell")
            Char(u'\t');
        else if (w == "u" && has_param) {
            long v = param < 0 ? param + 65536 : param;
            if (v >= 0 && v <= 0xFFFF) Char(static_cast<char16_t>(v));
            skip_fallback_ = st_.uc;
        } else if (w == "uc")
            st_.uc = static_cast<int>(std::clamp(param, 0L, 8L));
        else if (w == "pard")
            p = Para{};
        else if (w == "plain")
            ch = Chars{};
        else if (w == "b")
            ch.bold = on;
        else if (w == "i")
            ch.italic = on;
        else if (w == "ulnone")
            ch.underline = false;
        else if (w.substr(0, 2) == "ul" && w != "ulc")
            ch.underline = on;
        else if (w == "v")
            ch.hidden = on;
        else if (w == "f" && has_param)
            ch.font = static_cast<int>(param);
        else if (w == "fs" && has_param && param > 0)
            ch.size = param / 2.0;
        else if (w == "cf")
            ch.fg = static_cast<int>(param);
        else if (w == "highlight" || w == "cb" || w == "chcbpat")
            ch.bg = static_cast<int>(param);
        else if (w == "ql")
            p.align = 0;
        else if (w == "qc")
            p.align = 1;
        else if (w == "qr")
            p.align = 2;
        else if (w == "qj" || w == "qd")
            p.align = 3;
        else if (w == "li")
            p.li = Twips(param);
        else if (w == "ri")
            p.ri = Twips(param);
        else if (w == "fi")
            p.fi = Twips(param);
        else if (w == "tqr")
            p.tab_type = QTextOption::RightTab;
        else if (w == "tqc")
            p.tab_type = QTextOption::CenterTab;
        else if (w == "tqdec")
            p.tab_type = QTextOption::DelimiterTab;
        else if (w == "tx" && has_param) {
            QTextOption::Tab tab(std::max(0, Twips(param)) / kTwipsPerPixel, p.tab_type,
                                 p.tab_type == QTextOption::DelimiterTab ? QChar(',') : QChar());
            p.tabs.append(tab);
            p.tab_type = QTextOption::LeftTab;
        } else if (w == "tb")
            p.tab_type = QTextOption::LeftTab;
        else if (w == "ls")
            p.ls = ListOverride(param);
        else if (w == "ansicpg" && has_param)
            code_page_ = static_cast<int>(param);
        else if (w == "ansi")
            code_page_ = 1252;
        else if (w == "deff" && has_param)
            deff_ = static_cast<int>(param);
        else if (w == "emdash")
            Char(u'\u2014');
        else if (w == "endash")
            Char(u'\u2013');
        else if (w == "emspace")
            Char(u'\u2003');
        else if (w == "enspace")
            Char(u'\u2002');
        else if (w == "qmspace")
            Char(u'\u2005');
        else if (w == "bullet")
            Char(u'\u2022');
        else if (w == "lquote")
            Char(u'\u2018');
        else if (w == "rquote")
            Char(u'\u2019');
        else if (w == "ldblquote")
            Char(u'\u201C');
        else if (w == "rdblquote")
            Char(u'\u201D');
        else if (w == "zwj")
            Char(u'\u200D');
        else if (w == "zwnj")
            Char(u'\u200C');
        else if (w == "ltrmark")
            Char(u'\u200E');
        else if (w == "rtlmark")
            Char(u'\u200F');
    }

    // A distance within a page (22 inches either way).
    static int Twips(long v) { return static_cast<int>(std::clamp(v, -31680L, 31680L)); }
    // A list override's number; RTF's numbers are 16 bits, larger ones are not read as such.
    static int ListOverride(long v) { return static_cast<int>(std::clamp(v, 0L, 32767L)); }

    int CodePage(int font) const {
        auto it = fonts_.find(font >= 0 ? font : deff_);
        if (it != fonts_.end() && it->second.charset >= 0) {
            if (it->second.charset == 2) return -1;  // symbol fonts: their bytes as they are
            if (int cp = CodePageOfCharset(it->second.charset)) return cp;
        }
        return code_page_;
    }

    void Byte(unsigned char b) {
        if (TakeFallback()) return;
        switch (st_.dest) {
            case Dest::FontTable:
                if (b == ';') {
                    FinishFontName();
                } else if (font_ >= 0) {
                    const int charset = fonts_[font_].charset;
                    const int cp =
                        charset >= 0 && CodePageOfCharset(charset) ? CodePageOfCharset(charset) : code_page_;
                    FontChar(b < 0x80 ? static_cast<char16_t>(b) : UpperHalf(cp)[b - 0x80]);
                }
                return;
            case Dest::ColorTable:
                if (b == ';') {
                    colors_.push_back(color_set_ ? std::optional<QColor>(color_) : std::nullopt);
                    color_ = QColor(0, 0, 0);
                    color_set_ = false;
                }
                return;
            case Dest::Text: break;
            default: return;
        }
        if (b < 0x80) {
            Char(static_cast<char16_t>(b));
            return;
        }
        const int cp = CodePage(st_.ch.font);
        Char(cp < 0 ? static_cast<char16_t>(b) : UpperHalf(cp)[b - 0x80]);
    }

    void Char(char16_t c) {
        // Control characters are no text (the tab has its own meaning).
        if (st_.dest != Dest::Text || st_.ch.hidden || (c < 0x20 && c != u'\t')) return;
        if (runs_.empty() || !(runs_.back().ch == st_.ch)) runs_.push_back({QString(), st_.ch});
        runs_.back().text += QChar(c);
    }

    QTextCharFormat Format(const Chars& ch) const {
        QTextCharFormat f;
        const int font = ch.font >= 0 && fonts_.count(ch.font) ? ch.font : deff_;
        auto it = fonts_.find(font);
        QString family;
        int charset = kDefaultCharset;
        if (it != fonts_.end()) {
            family = it->second.name;
            if (it->second.charset >= 0) charset = it->second.charset;
        }
        if (family.isEmpty()) family = doc_.defaultFont().family();
        f.setFontFamilies(QStringList{family});
        f.setProperty(kCharsetProperty, charset);
        f.setFontPointSize(ch.size);
        f.setFontWeight(ch.bold ? QFont::Bold : QFont::Normal);
        f.setFontItalic(ch.italic);
        f.setFontUnderline(ch.underline);
        if (ch.fg > 0 && static_cast<std::size_t>(ch.fg) < colors_.size() && colors_[ch.fg])
            f.setForeground(*colors_[ch.fg]);
        if (ch.bg > 0 && static_cast<std::size_t>(ch.bg) < colors_.size() && colors_[ch.bg])
            f.setBackground(*colors_[ch.bg]);
        return f;
    }

    int ListStyleOfPara(const Para& p) const {
        if (p.ls > 0) {
            auto o = overrides_.find(p.ls);
            if (o != overrides_.end()) {
                auto l = lists_.find(o->second);
                if (l != lists_.end()) return StyleOfLevelFormat(l->second);
            }
            return p.pn ? p.pn : 1;
        }
        return p.pn;
    }

    void EmitParagraph() {
        const Para& p = st_.para;
        const int style = ListStyleOfPara(p);
        const double indent_width = doc_.indentWidth();
        QTextBlockFormat bf;
        switch (p.align) {
            case 1: bf.setAlignment(Qt::AlignHCenter); break;
            case 2: bf.setAlignment(Qt::AlignRight); break;
            case 3: bf.setAlignment(Qt::AlignJustify); break;
            default: bf.setAlignment(Qt::AlignLeft); break;
        }
        if (style) {
            // The list's own indent holds the hanging number.
            bf.setLeftMargin(std::max(0.0, p.li / kTwipsPerPixel - indent_width));
        } else {
            bf.setLeftMargin(p.li / kTwipsPerPixel);
            bf.setTextIndent(p.fi / kTwipsPerPixel);
        }
        bf.setRightMargin(p.ri / kTwipsPerPixel);
        if (!p.tabs.isEmpty()) bf.setTabPositions(p.tabs);
        const QTextCharFormat mark = Format(runs_.empty() ? st_.ch : runs_.back().ch);
        if (first_) {
            cursor_.setBlockFormat(bf);
            cursor_.setBlockCharFormat(mark);
            first_ = false;
        } else {
            cursor_.insertBlock(bf, mark);
        }
        for (const struct Run& r : runs_) cursor_.insertText(r.text, Format(r.ch));
        runs_.clear();
        if (style) {
            const int identity = p.ls > 0 ? 1000 + p.ls : style;
            if (list_ && identity == list_identity_) {
                list_->add(cursor_.block());
            } else {
                QTextListFormat lf;
                lf.setStyle(rt::qt::ListStyle(style));
                lf.setIndent(1);
                list_ = cursor_.createList(lf);
                list_identity_ = identity;
            }
        } else {
            list_ = nullptr;
        }
    }

    std::string_view in_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    State st_;
    std::vector<State> stack_;
    std::vector<struct Run> runs_;
    bool ignorable_ = false;
    int skip_fallback_ = 0;
    int code_page_ = 1252;
    int deff_ = 0;
    std::map<int, FontEntry> fonts_;
    int font_ = -1;
    std::vector<std::optional<QColor>> colors_;
    QColor color_{0, 0, 0};
    bool color_set_ = false;
    std::map<long, int> lists_;       // list id -> number format of its first level
    std::map<long, long> overrides_;  // \ls -> list id
    long override_list_ = 0;
    int list_level_ = 0, list_nfc_ = 0;
    bool first_ = true;
    QTextList* list_ = nullptr;
    int list_identity_ = 0;
};

// ---------------------------------------------------------------- writing

struct CharProps {
    QString family;
    int charset = kDefaultCharset;
    int half_points = 24;
    bool bold = false, italic = false, underline = false;
    std::optional<QColor> fg, bg;
};

struct ParaProps {
    int align = 0;
    long li = 0, ri = 0, fi = 0;
    QList<QTextOption::Tab> tabs;
    int list = 0;
    bool operator==(const ParaProps& o) const {
        return align == o.align && li == o.li && ri == o.ri && fi == o.fi && list == o.list &&
               tabs.size() == o.tabs.size() &&
               std::equal(tabs.begin(), tabs.end(), o.tabs.begin(), [](const auto& a, const auto& b) {
                   return std::lround(a.position * kTwipsPerPixel) ==
                              std::lround(b.position * kTwipsPerPixel) &&
                          a.type == b.type;
               });
    }
};

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : doc_(doc), default_(doc.defaultFont()) {}

    std::string Run() {
        // The tables first: fonts and colours in the order the text uses them.
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            bool any = false;
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (!f.isValid()) continue;
                Collect(Props(f.charFormat()));
                any = true;
            }
            if (!any) Collect(Props(b.charFormat()));
        }
        if (fonts_.empty()) fonts_.push_back({default_.family(), kDefaultCharset});

        out_ = "{\\rtf1\\ansi\\ansicpg1250\\deff0{\\fonttbl";
        for (std::size_t i = 0; i < fonts_.size(); ++i) {
            out_ += "{\\f" + std::to_string(i) + "\\fcharset" + std::to_string(fonts_[i].second);
            word_ = true;
            FontName(fonts_[i].first, fonts_[i].second);
            Raw(";}");
        }
        Raw("}");
        if (!colors_.empty()) {
            Raw("{\\colortbl;");
            for (const QColor& c : colors_)
                Raw("\\red" + std::to_string(c.red()) + "\\green" + std::to_string(c.green()) + "\\blue" +
                    std::to_string(c.blue()) + ";");
            Raw("}");
        }
        for (QTextBlock b = doc_.begin(); b.isValid(); b = b.next()) {
            Paragraph(b);
            bool any = false;
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment f = it.fragment();
                if (!f.isValid()) continue;
                Switch(Props(f.charFormat()));
                Text(f.text(), cur_.charset);
                any = true;
            }
            if (!any) Switch(Props(b.charFormat()));
            Word("\\par");
        }
        Raw("}");
        return out_;
    }

private:
    CharProps Props(const QTextCharFormat& f) const {
        CharProps p;
        p.family = FontFamilyOf(f, default_);
        p.charset = CharsetOf(f);
        p.half_points = std::max(1, static_cast<int>(std::lround(PointSizeOf(f, default_) * 2)));
        p.bold = f.fontWeight() >= QFont::DemiBold;
        p.italic = f.fontItalic();
        p.underline = f.fontUnderline();
        if (f.foreground().style() != Qt::NoBrush) p.fg = f.foreground().color();
        if (f.background().style() != Qt::NoBrush) p.bg = f.background().color();
        return p;
    }

    int FontIndex(const CharProps& p) const {
        for (std::size_t i = 0; i < fonts_.size(); ++i)
            if (fonts_[i].first == p.family && fonts_[i].second == p.charset) return static_cast<int>(i);
        return 0;
    }

    int ColorIndex(const std::optional<QColor>& c) const {
        if (!c) return 0;
        for (std::size_t i = 0; i < colors_.size(); ++i)
            if (colors_[i].rgb() == c->rgb()) return static_cast<int>(i + 1);
        return 0;
    }

    void Collect(const CharProps& p) {
        if (std::none_of(fonts_.begin(), fonts_.end(),
                         [&](const auto& f) { return f.first == p.family && f.second == p.charset; }))
            fonts_.push_back({p.family, p.charset});
        for (const auto& c : {p.fg, p.bg})
            if (c && std::none_of(colors_.begin(), colors_.end(),
                                  [&](const QColor& k) { return k.rgb() == c->rgb(); }))
                colors_.push_back(*c);
    }

    // The control words that take the reader from the current character state to `p`.
    void Switch(const CharProps& p) {
        const int font = FontIndex(p);
        if (font != cur_font_) Word("\\f" + std::to_string(font));
        if (p.half_points != cur_.half_points) Word("\\fs" + std::to_string(p.half_points));
        if (p.bold != cur_.bold) Word(p.bold ? "\\b" : "\\b0");
        if (p.italic != cur_.italic) Word(p.italic ? "\\i" : "\\i0");
        if (p.underline != cur_.underline) Word(p.underline ? "\\ul" : "\\ulnone");
        const int fg = ColorIndex(p.fg), bg = ColorIndex(p.bg);
        if (fg != cur_fg_) Word("\\cf" + std::to_string(fg));
        if (bg != cur_bg_) Word("\\highlight" + std::to_string(bg));
        cur_ = p;
        cur_font_ = font;
        cur_fg_ = fg;
        cur_bg_ = bg;
    }

    void Paragraph(const QTextBlock& b) {
        const QTextBlockFormat bf = b.blockFormat();
        ParaProps p;
        const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
        if (a & Qt::AlignHCenter)
            p.align = 1;
        else if (a & (Qt::AlignRight | Qt::AlignTrailing))
            p.align = 2;
        else if (a & Qt::AlignJustify)
            p.align = 3;
        const double indent_width = doc_.indentWidth();
        double left = bf.leftMargin() + bf.indent() * indent_width;
        double first = bf.textIndent();
        if (QTextList* list = b.textList()) {
            p.list = ListStyleNumber(list->format().style());
            left += std::max(1, list->format().indent()) * indent_width;
            first = -indent_width;
        }
        p.li = std::lround(left * kTwipsPerPixel);
        p.ri = std::lround(bf.rightMargin() * kTwipsPerPixel);
        p.fi = std::lround(first * kTwipsPerPixel);
        p.tabs = bf.tabPositions();
        if (p == para_) return;
        para_ = p;
        Word("\\pard");
        if (p.align == 1)
            Word("\\qc");
        else if (p.align == 2)
            Word("\\qr");
        else if (p.align == 3)
            Word("\\qj");
        if (p.li) Word("\\li" + std::to_string(p.li));
        if (p.ri) Word("\\ri" + std::to_string(p.ri));
        if (p.fi) Word("\\fi" + std::to_string(p.fi));
        for (const QTextOption::Tab& t : p.tabs) {
            if (t.type == QTextOption::RightTab)
                Word("\\tqr");
            else if (t.type == QTextOption::CenterTab)
                Word("\\tqc");
            else if (t.type == QTextOption::DelimiterTab)
                Word("\\tqdec");
            Word("\\tx" + std::to_string(std::lround(t.position * kTwipsPerPixel)));
        }
        if (p.list == 1) {
            Raw("{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'95}}");
        } else if (p.list > 1) {
            static const char* const kTypes[] = {"",          "",         "\\pndec", "\\pnlcltr",
                                                 "\\pnucltr", "\\pnlcrm", "\\pnucrm"};
            Raw(std::string("{\\*\\pn\\pnlvlbody") + kTypes[p.list] + "\\pnstart1\\pnindent0{\\pntxta.}}");
        }
    }

    void Raw(const std::string& s) {
        out_ += s;
        word_ = false;
    }

    void Word(const std::string& w) {
        out_ += w;
        word_ = true;
    }

    void Literal(char c) {
        if (word_ && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                      c == ' ' || c == '-'))
            out_ += ' ';
        out_ += c;
        word_ = false;
    }

    // A font's name in its own character set: its characters as they are, none of them a
    // control word.
    void FontName(const QString& name, int charset) {
        for (QChar ch : name) {
            const char16_t u = ch.unicode();
            if (u < 0x20) continue;
            if (u < 0x80 && u != u'\\' && u != u'{' && u != u'}' && u != u';')
                Literal(static_cast<char>(u));
            else
                Escaped(ch, charset);
        }
    }

    // A character written as \'xx of CP1250 when the charset is the program's, else as \uN.
    void Escaped(QChar ch, int charset) {
        const char16_t u = ch.unicode();
        if (charset == kDefaultCharset) {
            const std::string b = rt::utf8_to_cp1250(QString(ch).toStdString());
            if (b.size() == 1 && (b[0] != '?' || u == u'?')) {
                static const char kHex[] = "0123456789abcdef";
                const auto v = static_cast<unsigned char>(b[0]);
                Raw(std::string("\\'") + kHex[v >> 4] + kHex[v & 15]);
                return;
            }
        }
        Word("\\u" + std::to_string(u > 0x7FFF ? static_cast<int>(u) - 65536 : static_cast<int>(u)));
        Literal('?');
    }

    void Text(const QString& text, int charset) {
        for (QChar ch : text) {
            const char16_t u = ch.unicode();
            switch (u) {
                case u'\\': Raw("\\\\"); continue;
                case u'{': Raw("\\{"); continue;
                case u'}': Raw("\\}"); continue;
                case u'\t': Word("\\tab"); continue;
                case u'\n':
                case u'\u2028': Word("\\line"); continue;
                case u'\u2029': Word("\\par"); continue;
                case u'\u00A0': Raw("\\~"); continue;
                case u'\u00AD': Raw("\\-"); continue;
                case u'\u2011': Raw("\\_"); continue;
                case u'\uFFFC': continue;  // an object (image) of the document: not kept
                default: break;
            }
            if (u < 0x20) continue;
            if (u < 0x80) {
                Literal(static_cast<char>(u));
                continue;
            }
            Escaped(ch, charset);
        }
    }

    const QTextDocument& doc_;
    QFont default_;
    std::vector<std::pair<QString, int>> fonts_;
    std::vector<QColor> colors_;
    std::string out_;
    bool word_ = false;
    // What a reader has in effect: font 0 (\deff0), 12 points, nothing else.
    CharProps cur_;
    int cur_font_ = 0, cur_fg_ = 0, cur_bg_ = 0;
    ParaProps para_;
};

}  // namespace

bool IsRtf(std::string_view text) {
    while (!text.empty() &&
           (text.front() == ' ' || text.front() == '\r' || text.front() == '\n' || text.front() == '\t'))
        text.remove_prefix(1);
    return text.substr(0, 5) == "{\\rtf";
}

void ReadRtf(std::string_view text, QTextDocument& document) {
    document.setUndoRedoEnabled(false);
    document.clear();
    if (IsRtf(text)) {
        Reader(text, document).Run();
    } else {
        QTextCursor cursor(&document);
        QTextCharFormat f;
        f.setFontFamilies(QStringList{document.defaultFont().family()});
        f.setProperty(kCharsetProperty, kDefaultCharset);
        const double points = document.defaultFont().pointSizeF();
        f.setFontPointSize(points > 0 ? points : 12);
        cursor.setBlockCharFormat(f);
        QString plain = QString::fromStdString(rt::cp1250_to_utf8(text));
        plain.remove(QRegularExpression(QStringLiteral("[\\x00-\\x08\\x0b\\x0c\\x0e-\\x1f]")));
        const QStringList lines = plain.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
        for (qsizetype i = 0; i < lines.size(); ++i) {
            if (i) cursor.insertBlock(QTextBlockFormat(), f);
            cursor.insertText(lines[i], f);
        }
    }
    document.setUndoRedoEnabled(true);
    document.setModified(false);
}

std::string WriteRtf(const QTextDocument& document) { return Writer(document).Run(); }

}  // namespace rt::qt
