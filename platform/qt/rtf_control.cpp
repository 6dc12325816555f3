#include "platform/qt/rtf_control.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextList>
#include <QVBoxLayout>
#include <cmath>

#include "platform/core/text.h"
#include "platform/qt/gui_server.h"
#include "platform/qt/rich_text.h"
#include "platform/ui/richtext.h"

namespace rt::qt {
namespace {

namespace A = ui::RichTextAction;

// The document's pixels (96 per inch) and the centimetres the dialogs show.
constexpr double kPixelsPerCm = 96.0 / 2.54;

QString Utf(const std::string& cp1250) { return QString::fromStdString(rt::cp1250_to_utf8(cp1250)); }
std::string Cp(const QString& s) { return rt::utf8_to_cp1250(s.toStdString()); }

std::int32_t Bgr(const QColor& c) { return (c.blue() << 16) | (c.green() << 8) | c.red(); }
QColor FromBgr(std::int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

QDoubleSpinBox* CmBox(QWidget* parent, const char* name, double px, double low) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(low, 50);
    box->setDecimals(2);
    box->setSingleStep(0.25);
    box->setSuffix(QStringLiteral(" cm"));
    box->setValue(px / kPixelsPerCm);
    return box;
}

}  // namespace

RtfControl::RtfControl(QWidget* parent) : QTextEdit(parent), empty_(ui::kEmptyRtf) {
    setAcceptRichText(true);
    KeepColoursWhenDisabled();
    connect(document(), &QTextDocument::contentsChanged, this, [this] { Changed(); });
    for (auto signal : {&QTextEdit::cursorPositionChanged, &QTextEdit::selectionChanged})
        connect(this, signal, this, [this] { Report(); });
    connect(this, &QTextEdit::currentCharFormatChanged, this, [this] { Report(); });
    for (auto signal : {&QTextEdit::undoAvailable, &QTextEdit::redoAvailable, &QTextEdit::copyAvailable})
        connect(this, signal, this, [this] { Report(); });
    if (QClipboard* clipboard = QApplication::clipboard())
        connect(clipboard, &QClipboard::dataChanged, this, [this] { Report(); });
    Load(std::string());
}

void RtfControl::SetValue(const std::string& value) {
    if (value == sent_) return;
    Load(value);
}

void RtfControl::Load(const std::string& value) {
    loading_ = true;
    ReadRtf(value, *document());
    loaded_ = value;
    baseline_ = WriteRtf(*document());
    sent_ = value;
    over_ = 0;
    moveCursor(QTextCursor::Start);
    loading_ = false;
    Report();
}

std::string RtfControl::Value() const {
    if (document()->isEmpty()) return empty_;
    std::string out = WriteRtf(*document());
    return out == baseline_ ? loaded_ : out;
}

void RtfControl::changeEvent(QEvent* event) {
    QTextEdit::changeEvent(event);
    // The text as loaded takes the control's font where it gives none of its own.
    if (event->type() == QEvent::FontChange && sent_ == loaded_ && !loading_) Load(loaded_);
    if (event->type() == QEvent::PaletteChange) KeepColoursWhenDisabled();
}

// A disabled text is there to be read (release notes): it keeps its colours.
void RtfControl::KeepColoursWhenDisabled() {
    QPalette colours = palette();
    bool changed = false;
    for (auto role : {QPalette::Text, QPalette::Base}) {
        const QColor active = colours.color(QPalette::Active, role);
        if (colours.color(QPalette::Disabled, role) == active) continue;
        colours.setColor(QPalette::Disabled, role, active);
        changed = true;
    }
    if (changed) setPalette(colours);
}

void RtfControl::Changed() {
    if (loading_) return;
    const std::string value = Value();
    if (limit_ && value.size() > limit_) {
        over_ = static_cast<long>(value.size());
    } else {
        over_ = 0;
        if (value != sent_) {
            sent_ = value;
            if (on_value) on_value(value);
        }
    }
    Report();
}

void RtfControl::Report() {
    if (loading_ || !on_state) return;
    const QTextCursor cursor = textCursor();
    QTextCharFormat f = currentCharFormat();
    if (cursor.hasSelection()) {
        QTextCursor start(document());
        start.setPosition(std::min(cursor.selectionStart() + 1, cursor.selectionEnd()));
        f = start.charFormat();
    }
    const QFont base = document()->defaultFont();
    ui::RichTextState s;
    s.bold = f.fontWeight() >= QFont::DemiBold;
    s.italic = f.fontItalic();
    s.underline = f.fontUnderline();
    const Qt::Alignment a = cursor.blockFormat().alignment() & Qt::AlignHorizontal_Mask;
    s.align = (a & Qt::AlignHCenter)                       ? 3
              : (a & (Qt::AlignRight | Qt::AlignTrailing)) ? 2
              : (a & Qt::AlignJustify)                     ? 4
                                                           : 1;
    if (QTextList* list = cursor.currentList()) s.bullets = ListStyleNumber(list->format().style());
    s.font = Cp(FontFamilyOf(f, base));
    s.size = static_cast<int>(std::lround(PointSizeOf(f, base)));
    s.charset = CharsetOf(f);
    s.color = f.foreground().style() == Qt::NoBrush ? 0 : ui::RichTextColorValue(Bgr(f.foreground().color()));
    s.highlight =
        f.background().style() == Qt::NoBrush ? 0 : ui::RichTextColorValue(Bgr(f.background().color()));
    s.can_copy = cursor.hasSelection();
    s.can_cut = s.can_copy && !isReadOnly();
    s.can_paste = canPaste();
    s.can_undo = !isReadOnly() && document()->isUndoAvailable();
    s.can_redo = !isReadOnly() && document()->isRedoAvailable();
    s.over = over_;
    std::string encoded = s.Encode();
    if (encoded == reported_) return;
    reported_ = std::move(encoded);
    on_state(reported_);
}

void RtfControl::MergeFormat(const QTextCharFormat& format) { mergeCurrentCharFormat(format); }

void RtfControl::SetList(int style) {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    if (style <= 0) {
        const QTextBlock last = document()->findBlock(cursor.selectionEnd());
        for (QTextBlock b = document()->findBlock(cursor.selectionStart()); b.isValid(); b = b.next()) {
            if (QTextList* list = b.textList()) list->remove(b);
            QTextCursor c(b);
            QTextBlockFormat bf = b.blockFormat();
            bf.setIndent(0);
            bf.setObjectIndex(-1);
            c.setBlockFormat(bf);
            if (b == last) break;
        }
    } else {
        QTextListFormat lf;
        lf.setStyle(ListStyle(style));
        lf.setIndent(1);
        cursor.createList(lf);
    }
    cursor.endEditBlock();
}

void RtfControl::Perform(const std::string& action, const std::string& value) {
    const long number = std::strtol(value.c_str(), nullptr, 10);
    if (action == A::Limit) {
        limit_ = number > 0 ? static_cast<std::size_t>(number) : 0;
        return;
    }
    if (action == A::Empty) {
        empty_ = value;
        return;
    }
    if (action == A::File) {
        file_ = Utf(value);
        return;
    }
    if (isReadOnly() && action != A::Copy && action != A::Find && action != A::Print && action != A::Save)
        return;
    QTextCharFormat f;
    if (action == A::New) {
        QTextCursor c(document());
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        c.removeSelectedText();
        if (QTextList* list = c.currentList()) list->remove(c.block());
        c.setBlockFormat(QTextBlockFormat());
        c.endEditBlock();
        file_.clear();
    } else if (action == A::Open) {
        OpenFile();
    } else if (action == A::Save) {
        SaveFile();
    } else if (action == A::Print) {
        PrintText();
    } else if (action == A::Find || action == A::Replace) {
        ShowFind(action == A::Replace);
    } else if (action == A::Cut) {
        cut();
    } else if (action == A::Copy) {
        copy();
    } else if (action == A::Paste) {
        paste();
    } else if (action == A::Undo) {
        undo();
    } else if (action == A::Redo) {
        redo();
    } else if (action == A::TabStops) {
        ShowTabStops();
    } else if (action == A::Indents) {
        ShowIndents();
    } else if (action == A::Align) {
        setAlignment(number == 3   ? Qt::AlignHCenter
                     : number == 2 ? Qt::AlignRight
                     : number == 4 ? Qt::AlignJustify
                                   : Qt::AlignLeft);
    } else if (action == A::Bullets) {
        SetList(static_cast<int>(number));
    } else if (action == A::Font) {
        if (value.empty()) return;
        f.setFontFamilies(QStringList{Utf(value)});
        MergeFormat(f);
    } else if (action == A::Size) {
        if (number <= 0) return;
        f.setFontPointSize(static_cast<double>(number));
        MergeFormat(f);
    } else if (action == A::Charset) {
        f.setProperty(kCharsetProperty, static_cast<int>(number));
        MergeFormat(f);
    } else if (action == A::Bold) {
        f.setFontWeight(number ? QFont::Bold : QFont::Normal);
        MergeFormat(f);
    } else if (action == A::Italic) {
        f.setFontItalic(number != 0);
        MergeFormat(f);
    } else if (action == A::Underline) {
        f.setFontUnderline(number != 0);
        MergeFormat(f);
    } else if (action == A::Color || action == A::Highlight) {
        const std::int32_t bgr = ui::RichTextColor(static_cast<int>(number));
        const QBrush brush = bgr < 0 ? QBrush() : QBrush(FromBgr(bgr));
        if (action == A::Color)
            f.setForeground(brush);
        else
            f.setBackground(brush);
        MergeFormat(f);
    }
    Report();
}

// ---------------------------------------------------------------- files and printing

void RtfControl::OpenFile() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Open"), file_,
                                   QStringLiteral("Rich text (*.rtf);;All files (*)"));
    dialog->setObjectName(QStringLiteral("rtfOpenDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            QApplication::beep();
            return;
        }
        const QByteArray bytes = file.readAll();
        QTextDocument loaded;
        loaded.setDefaultFont(document()->defaultFont());
        ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), loaded);
        QTextCursor c(document());
        c.beginEditBlock();
        c.select(QTextCursor::Document);
        c.removeSelectedText();
        c.insertFragment(QTextDocumentFragment(&loaded));
        c.endEditBlock();
        file_ = path;
    });
    dialog->open();
}

void RtfControl::SaveFile() {
    auto* dialog = new QFileDialog(this, QStringLiteral("Save"), file_,
                                   QStringLiteral("Rich text (*.rtf);;All files (*)"));
    dialog->setObjectName(QStringLiteral("rtfSaveDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("rtf"));
    connect(dialog, &QFileDialog::fileSelected, this, [this](const QString& path) {
        const std::string text = document()->isEmpty() ? WriteRtf(*document()) : Value();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size())) {
            QApplication::beep();
            return;
        }
        file_ = path;
    });
    dialog->open();
}

void RtfControl::PrintText() {
    GuiServer* server = Server();
    static QPrinter fallback;
    QPrinter* printer = server ? &server->printer() : &fallback;
    auto* dialog = new QPrintDialog(printer, this);
    dialog->setObjectName(QStringLiteral("rtfPrintDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, printer] { document()->print(printer); });
    dialog->open();
}

// ---------------------------------------------------------------- find and replace

void RtfControl::ShowFind(bool replace) {
    if (!find_) {
        auto* d = new QDialog(this, Qt::Dialog);
        d->setObjectName(QStringLiteral("rtfFind"));
        d->setAttribute(Qt::WA_DeleteOnClose);
        auto* form = new QFormLayout;
        auto* what = new QLineEdit(d);
        what->setObjectName(QStringLiteral("rtfFindText"));
        auto* with = new QLineEdit(d);
        with->setObjectName(QStringLiteral("rtfReplaceText"));
        form->addRow(QStringLiteral("Find what:"), what);
        form->addRow(QStringLiteral("Replace with:"), with);
        auto* match_case = new QCheckBox(QStringLiteral("Match case"), d);
        match_case->setObjectName(QStringLiteral("rtfMatchCase"));
        auto* whole = new QCheckBox(QStringLiteral("Whole words only"), d);
        whole->setObjectName(QStringLiteral("rtfWholeWords"));
        auto* status = new QLabel(d);
        status->setObjectName(QStringLiteral("rtfFindStatus"));
        auto* buttons = new QVBoxLayout;
        const std::pair<const char*, const char*> kButtons[] = {{"rtfFindNext", "&Find Next"},
                                                                {"rtfReplace", "&Replace"},
                                                                {"rtfReplaceAll", "Replace &All"},
                                                                {"rtfFindClose", "Close"}};
        for (const auto& [name, text] : kButtons) {
            auto* b = new QPushButton(QString::fromLatin1(text), d);
            b->setObjectName(QString::fromLatin1(name));
            b->setAutoDefault(false);
            buttons->addWidget(b);
        }
        buttons->addStretch();
        auto* left = new QVBoxLayout;
        left->addLayout(form);
        left->addWidget(match_case);
        left->addWidget(whole);
        left->addWidget(status);
        left->addStretch();
        auto* all = new QHBoxLayout(d);
        all->addLayout(left, 1);
        all->addLayout(buttons);
        connect(d->findChild<QPushButton*>(QStringLiteral("rtfFindNext")), &QPushButton::clicked, this,
                [this] { FindNext(true); });
        connect(d->findChild<QPushButton*>(QStringLiteral("rtfReplace")), &QPushButton::clicked, this,
                [this] { ReplaceOne(); });
        connect(d->findChild<QPushButton*>(QStringLiteral("rtfReplaceAll")), &QPushButton::clicked, this,
                [this] { ReplaceAll(); });
        connect(d->findChild<QPushButton*>(QStringLiteral("rtfFindClose")), &QPushButton::clicked, d,
                &QDialog::close);
        find_ = d;
    }
    QDialog* d = find_;
    d->setWindowTitle(replace ? QStringLiteral("Find and Replace") : QStringLiteral("Find"));
    auto* with = d->findChild<QLineEdit*>(QStringLiteral("rtfReplaceText"));
    if (auto* form = d->findChild<QFormLayout*>()) form->setRowVisible(with, replace && !isReadOnly());
    for (const char* name : {"rtfReplace", "rtfReplaceAll"})
        d->findChild<QPushButton*>(QString::fromLatin1(name))->setVisible(replace && !isReadOnly());
    auto* what = d->findChild<QLineEdit*>(QStringLiteral("rtfFindText"));
    if (textCursor().hasSelection() && !textCursor().selectedText().contains(QChar::ParagraphSeparator))
        what->setText(textCursor().selectedText());
    d->findChild<QLabel*>(QStringLiteral("rtfFindStatus"))->clear();
    d->show();
    d->raise();
    d->activateWindow();
    what->setFocus();
    what->selectAll();
}

// What the find dialog asks for.
struct RtfControl::Search {
    QString what, with;
    QTextDocument::FindFlags flags;
    QLabel* status = nullptr;
};

RtfControl::Search RtfControl::Searching() const {
    Search s;
    if (!find_) return s;
    s.what = find_->findChild<QLineEdit*>(QStringLiteral("rtfFindText"))->text();
    s.with = find_->findChild<QLineEdit*>(QStringLiteral("rtfReplaceText"))->text();
    if (find_->findChild<QCheckBox*>(QStringLiteral("rtfMatchCase"))->isChecked())
        s.flags |= QTextDocument::FindCaseSensitively;
    if (find_->findChild<QCheckBox*>(QStringLiteral("rtfWholeWords"))->isChecked())
        s.flags |= QTextDocument::FindWholeWords;
    s.status = find_->findChild<QLabel*>(QStringLiteral("rtfFindStatus"));
    s.status->clear();
    return s;
}

bool RtfControl::FindNext(bool wrap) {
    const Search s = Searching();
    if (s.what.isEmpty()) return false;
    QTextCursor found = document()->find(s.what, textCursor(), s.flags);
    if (found.isNull() && wrap) found = document()->find(s.what, QTextCursor(document()), s.flags);
    if (found.isNull()) {
        s.status->setText(QStringLiteral("The text was not found."));
        return false;
    }
    setTextCursor(found);
    return true;
}

void RtfControl::ReplaceOne() {
    const Search s = Searching();
    if (s.what.isEmpty() || isReadOnly()) return;
    QTextCursor c = textCursor();
    const auto cs = (s.flags & QTextDocument::FindCaseSensitively) ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (c.hasSelection() && QString::compare(c.selectedText(), s.what, cs) == 0) c.insertText(s.with);
    FindNext(true);
}

void RtfControl::ReplaceAll() {
    const Search s = Searching();
    if (s.what.isEmpty() || isReadOnly()) return;
    QTextCursor edit(document());
    edit.beginEditBlock();
    int count = 0;
    for (QTextCursor found = document()->find(s.what, QTextCursor(document()), s.flags); !found.isNull();
         found = document()->find(s.what, found, s.flags)) {
        found.insertText(s.with);
        ++count;
    }
    edit.endEditBlock();
    s.status->setText(count ? QStringLiteral("Replaced: %1").arg(count)
                            : QStringLiteral("The text was not found."));
}

// ---------------------------------------------------------------- tab stops and indents

void RtfControl::ShowTabStops() {
    auto* d = new QDialog(this);
    d->setObjectName(QStringLiteral("rtfTabStops"));
    d->setWindowTitle(QStringLiteral("Tab stops"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    auto* list = new QListWidget(d);
    list->setObjectName(QStringLiteral("rtfTabList"));
    auto* position = CmBox(d, "rtfTabPosition", 0, 0);
    auto* kind = new QComboBox(d);
    kind->setObjectName(QStringLiteral("rtfTabKind"));
    kind->addItem(QStringLiteral("Left"), int(QTextOption::LeftTab));
    kind->addItem(QStringLiteral("Center"), int(QTextOption::CenterTab));
    kind->addItem(QStringLiteral("Right"), int(QTextOption::RightTab));
    kind->addItem(QStringLiteral("Decimal"), int(QTextOption::DelimiterTab));
    auto tab_text = [](const QTextOption::Tab& t) {
        static const char* const kKinds[] = {"Left", "Right", "Center", "Decimal"};
        return QStringLiteral("%1 cm  %2")
            .arg(t.position / kPixelsPerCm, 0, 'f', 2)
            .arg(QString::fromLatin1(kKinds[t.type]));
    };
    auto tabs = std::make_shared<QList<QTextOption::Tab>>(textCursor().blockFormat().tabPositions());
    auto refill = [list, tabs, tab_text] {
        std::sort(tabs->begin(), tabs->end(),
                  [](const auto& a, const auto& b) { return a.position < b.position; });
        list->clear();
        for (const auto& t : *tabs) list->addItem(tab_text(t));
    };
    refill();
    auto* set = new QPushButton(QStringLiteral("&Set"), d);
    set->setObjectName(QStringLiteral("rtfTabSet"));
    auto* clear = new QPushButton(QStringLiteral("C&lear"), d);
    clear->setObjectName(QStringLiteral("rtfTabClear"));
    auto* clear_all = new QPushButton(QStringLiteral("Clear &All"), d);
    clear_all->setObjectName(QStringLiteral("rtfTabClearAll"));
    connect(set, &QPushButton::clicked, d, [=] {
        const double px = position->value() * kPixelsPerCm;
        tabs->erase(std::remove_if(tabs->begin(), tabs->end(),
                                   [&](const auto& t) { return std::abs(t.position - px) < 0.5; }),
                    tabs->end());
        const auto type = static_cast<QTextOption::TabType>(kind->currentData().toInt());
        tabs->append(QTextOption::Tab(px, type, type == QTextOption::DelimiterTab ? QChar(',') : QChar()));
        refill();
    });
    connect(clear, &QPushButton::clicked, d, [=] {
        const int row = list->currentRow();
        if (row >= 0 && row < tabs->size()) tabs->removeAt(row);
        refill();
    });
    connect(clear_all, &QPushButton::clicked, d, [=] {
        tabs->clear();
        refill();
    });
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    connect(d, &QDialog::accepted, this, [this, tabs] {
        QTextBlockFormat bf;
        bf.setTabPositions(*tabs);
        textCursor().mergeBlockFormat(bf);
    });
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Position:"), position);
    form->addRow(QStringLiteral("Alignment:"), kind);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {set, clear, clear_all}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    auto* top = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addLayout(form);
    left->addWidget(list);
    top->addLayout(left, 1);
    top->addLayout(buttons);
    auto* all = new QVBoxLayout(d);
    all->addLayout(top);
    all->addWidget(box);
    d->open();
}

void RtfControl::ShowIndents() {
    auto* d = new QDialog(this);
    d->setObjectName(QStringLiteral("rtfIndents"));
    d->setWindowTitle(QStringLiteral("Paragraph indents"));
    d->setAttribute(Qt::WA_DeleteOnClose);
    const QTextBlockFormat now = textCursor().blockFormat();
    auto* left = CmBox(d, "rtfIndentLeft", now.leftMargin(), 0);
    auto* right = CmBox(d, "rtfIndentRight", now.rightMargin(), 0);
    auto* first = CmBox(d, "rtfIndentFirst", now.textIndent(), -50);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Left:"), left);
    form->addRow(QStringLiteral("Right:"), right);
    form->addRow(QStringLiteral("First line:"), first);
    auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    connect(box, &QDialogButtonBox::accepted, d, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, d, &QDialog::reject);
    connect(d, &QDialog::accepted, this, [this, left, right, first] {
        QTextBlockFormat bf;
        bf.setLeftMargin(left->value() * kPixelsPerCm);
        bf.setRightMargin(right->value() * kPixelsPerCm);
        bf.setTextIndent(first->value() * kPixelsPerCm);
        textCursor().mergeBlockFormat(bf);
    });
    auto* all = new QVBoxLayout(d);
    all->addLayout(form);
    all->addWidget(box);
    d->open();
}

}  // namespace rt::qt
