#include "platform/qt/report_preview.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPixmap>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "platform/qt/builtin_icons.h"
#include "platform/qt/qt_window.h"
#include "platform/qt/report_painter.h"

namespace rt::qt {

namespace {

struct ZoomEntry {
    const char* text;
    int zoom;
};
constexpr ZoomEntry kZooms[] = {
    {"Cela strana", -1}, {"Širina strane", -2}, {"50%", 50},   {"75%", 75},
    {"100%", 100},       {"150%", 150},         {"200%", 200},
};

QToolButton* Tool(QWidget* parent, const char* name, const QString& text, const QString& tip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setToolButtonStyle(Qt::ToolButtonTextOnly);
    b->setAutoRaise(true);
    return b;
}

}  // namespace

ReportPreview::ReportPreview(const report::PreviewRequest& request,
                             std::function<void(const report::PreviewAnswer&)> done)
    : document_(request.document), zoom_(request.zoom == 0 ? -1 : request.zoom), on_done_(std::move(done)) {
    setObjectName(QStringLiteral("kvPreview") + QString::fromStdString(request.procedure));
    setWindowTitle(FromCp1250(request.caption));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);
    setModal(false);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* bar = new QHBoxLayout;
    bar->setContentsMargins(4, 4, 4, 4);
    QToolButton* first = Tool(this, "kvFirst", QStringLiteral("|<"), QStringLiteral("Prva strana"));
    QToolButton* previous = Tool(this, "kvPrevious", QStringLiteral("<"), QStringLiteral("Prethodna strana"));
    page_box_ = new QSpinBox(this);
    page_box_->setObjectName(QStringLiteral("kvPage"));
    page_box_->setRange(1, std::max(1, pages()));
    count_ = new QLabel(QStringLiteral("/ %1").arg(pages()), this);
    QToolButton* next = Tool(this, "kvNext", QStringLiteral(">"), QStringLiteral("Sledeća strana"));
    QToolButton* last = Tool(this, "kvLast", QStringLiteral(">|"), QStringLiteral("Poslednja strana"));
    zoom_box_ = new QComboBox(this);
    zoom_box_->setObjectName(QStringLiteral("kvZoom"));
    for (const ZoomEntry& z : kZooms) zoom_box_->addItem(QString::fromUtf8(z.text), z.zoom);
    zoom_box_->setEnabled(request.allow_zoom);
    allow_zoom_ = request.allow_zoom;
    QToolButton* print = Tool(this, "kvPrint", QStringLiteral("Štampaj"), QStringLiteral("Štampa izveštaja"));
    QToolButton* print_page =
        Tool(this, "kvPrintPage", QStringLiteral("Štampaj stranu"), QStringLiteral("Štampa ove strane"));
    print_page->setVisible(request.allow_print_current);
    // Ctrl+P prints from the keyboard, as it does in other programs.
    print->setShortcut(QKeySequence::Print);
    QToolButton* close = Tool(this, "kvClose", QStringLiteral("Zatvori"), QStringLiteral("Zatvori pregled"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{first, previous, page_box_, count_, next, last, zoom_box_})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(print);
    bar->addWidget(print_page);
    bar->addWidget(close);

    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(QStringLiteral("kvPages"));
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    view_ = new QLabel;
    view_->setObjectName(QStringLiteral("kvPageView"));
    scroll_->setWidget(view_);
    // The page area has the keys first: PgDn pages rather than scrolls, Ctrl+wheel zooms.
    scroll_->installEventFilter(this);
    scroll_->viewport()->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bar);
    layout->addWidget(scroll_, 1);

    connect(first, &QToolButton::clicked, this, [this] { ShowPage(1); });
    connect(previous, &QToolButton::clicked, this, [this] { ShowPage(page_ - 1); });
    connect(next, &QToolButton::clicked, this, [this] { ShowPage(page_ + 1); });
    connect(last, &QToolButton::clicked, this, [this] { ShowPage(pages()); });
    connect(page_box_, qOverload<int>(&QSpinBox::valueChanged), this, [this](int p) { ShowPage(p); });
    connect(zoom_box_, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this](int i) { SetZoom(zoom_box_->itemData(i).toInt()); });
    connect(print, &QToolButton::clicked, this, [this] { Finish(report::PreviewAnswer::PrintAll); });
    connect(print_page, &QToolButton::clicked, this, [this] { Finish(report::PreviewAnswer::PrintCurrent); });
    connect(close, &QToolButton::clicked, this, [this] { Finish(report::PreviewAnswer::Closed); });

    const rt::WindowPlacement& pl = request.placement;
    resize(pl.has_size && pl.width > 200 && pl.height > 150 ? QSize(pl.width, pl.height) : QSize(820, 900));
    if (pl.has_position) move(pl.x, pl.y);
    if (request.maximize) setWindowState(windowState() | Qt::WindowMaximized);
    const int index = zoom_box_->findData(zoom_);
    zoom_box_->setCurrentIndex(index >= 0 ? index : 0);
    if (index < 0) zoom_ = -1;
    Render();
    scroll_->setFocus();
}

ReportPreview::~ReportPreview() {
    // Closed by the application (or destroyed with it): the waiting thread hears it.
    if (!answered_ && on_done_) {
        answered_ = true;
        report::PreviewAnswer a;
        on_done_(a);
    }
}

int ReportPreview::pages() const { return document_ ? static_cast<int>(document_->pages.size()) : 0; }

void ReportPreview::ShowPage(int page) {
    page = std::clamp(page, 1, std::max(1, pages()));
    if (page == page_ && !shown_.isNull()) return;
    page_ = page;
    Render();
}

void ReportPreview::SetZoom(int zoom) {
    if (zoom == zoom_ && !shown_.isNull()) return;
    zoom_ = zoom;
    Render();
}

double ReportPreview::PxPerMm() const {
    if (!document_ || document_->width <= 0 || document_->height <= 0) return 3;
    const QSize room = scroll_->viewport()->size() - QSize(16, 16);
    if (zoom_ == -1)
        return std::max(0.5, std::min(room.width() / document_->width, room.height() / document_->height));
    if (zoom_ == -2) return std::max(0.5, room.width() / document_->width);
    return logicalDpiX() / 25.4 * zoom_ / 100.0;
}

void ReportPreview::Render() {
    if (!document_) return;
    shown_ = PageImage(*document_, page_, PxPerMm());
    view_->setPixmap(QPixmap::fromImage(shown_));
    view_->resize(shown_.size());
    const QSignalBlocker block(page_box_);
    page_box_->setValue(page_);
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (zoom_ < 0) Render();
}

void ReportPreview::ZoomStep(int direction) {
    if (!allow_zoom_ || !document_) return;
    // What is shown now, in percent of the page's real size.
    const double now = PxPerMm() / (logicalDpiX() / 25.4) * 100.0;
    int target = 0;
    for (const ZoomEntry& z : kZooms) {
        if (z.zoom <= 0) continue;
        if (direction > 0 && z.zoom > now + 0.5 && (target == 0 || z.zoom < target)) target = z.zoom;
        if (direction < 0 && z.zoom < now - 0.5 && z.zoom > target) target = z.zoom;
    }
    if (target == 0) return;  // at the end of the list already
    zoom_box_->setCurrentIndex(zoom_box_->findData(target));
}

bool ReportPreview::PageKey(const QKeyEvent& key) {
    const bool ctrl = key.modifiers() & Qt::ControlModifier;
    switch (key.key()) {
        case Qt::Key_PageDown: ShowPage(page_ + 1); return true;
        case Qt::Key_PageUp: ShowPage(page_ - 1); return true;
        case Qt::Key_Home:
            if (!ctrl) return false;
            ShowPage(1);
            return true;
        case Qt::Key_End:
            if (!ctrl) return false;
            ShowPage(pages());
            return true;
        case Qt::Key_Plus:
        case Qt::Key_Equal: ZoomStep(1); return true;
        case Qt::Key_Minus: ZoomStep(-1); return true;
        default: return false;
    }
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
    if (PageKey(*event)) return;
    QDialog::keyPressEvent(event);
}

bool ReportPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && PageKey(*static_cast<QKeyEvent*>(event))) return true;
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int delta = wheel->angleDelta().y();
            if (delta != 0) ZoomStep(delta > 0 ? 1 : -1);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ReportPreview::Finish(report::PreviewAnswer::Action action) {
    action_ = action;
    accept();
}

void ReportPreview::done(int result) {
    if (!answered_ && on_done_) {
        answered_ = true;
        report::PreviewAnswer a;
        a.action = result == QDialog::Accepted ? action_ : report::PreviewAnswer::Closed;
        a.page = page_;
        a.zoom = zoom_;
        a.placement.maximized = isMaximized();
        a.placement.minimized = isMinimized();
        if (!isMaximized() && !isMinimized()) {
            a.placement.x = x();
            a.placement.y = y();
            a.placement.width = width();
            a.placement.height = height();
            a.placement.has_position = true;
            a.placement.has_size = true;
        }
        on_done_(a);
    }
    QDialog::done(result);
}

}  // namespace rt::qt
