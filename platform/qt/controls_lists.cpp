// Builders of the lists: the list box (a tree view without branches) and the drop list.
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>

#include "platform/qt/controls.h"
#include "platform/qt/qt_window.h"

namespace rt::qt {

namespace Event = ui::Event;

std::string DropValue(const ui::ControlState& st, int row) {
    if (row < 0 || row >= static_cast<int>(st.rows.size()) || st.rows[row].empty()) return {};
    const auto& r = st.rows[row];
    return st.format.empty() && r.size() > 1 ? r[1] : r[0];
}

namespace {

// Paints a selected cell in the colours its row gives it for the selection, where it gives
// any.
class CellColorDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        if (opt.state & QStyle::State_Selected) {
            const QVariant text = index.data(kSelectedTextRole), back = index.data(kSelectedBackgroundRole);
            for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
                if (text.isValid()) opt.palette.setColor(g, QPalette::HighlightedText, text.value<QColor>());
                if (back.isValid()) opt.palette.setColor(g, QPalette::Highlight, back.value<QColor>());
            }
        }
        QStyledItemDelegate::paint(painter, opt, index);
    }
};

}  // namespace

QWidget* QtWindow::BuildList(Control& c) {
    const ui::ControlDef* def = c.st.def;
    const int feq = c.st.feq;
    auto* v = new QTreeView(client_);
    auto* model = new QStandardItemModel(v);
    v->setModel(model);
    v->setItemDelegate(new CellColorDelegate(v));
    v->setRootIsDecorated(false);
    v->setItemsExpandable(false);
    v->setUniformRowHeights(true);
    v->setAllColumnsShowFocus(true);
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionBehavior(QAbstractItemView::SelectRows);
    v->setSelectionMode(def && (def->attrs & ui::kNoBar) ? QAbstractItemView::NoSelection
                                                         : QAbstractItemView::SingleSelection);
    v->header()->setSectionsClickable(true);
    v->header()->setSectionsMovable(false);
    v->header()->setStretchLastSection(true);
    c.model = model;
    connect(v->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, feq](const QModelIndex& now, const QModelIndex&) {
                Control* self = Find(feq);
                if (self && now.isValid()) ListRowChanged(*self, now.row());
            });
    connect(v, &QTreeView::pressed, this, [this, feq](const QModelIndex& index) {
        Control* self = Find(feq);
        if (!self || applying_ || row_changed_in_press_ || !index.isValid()) return;
        if (QApplication::mouseButtons() & Qt::RightButton) return;
        ListRowChanged(*self, index.row());
    });
    // A column the user widened or narrowed: the list's format carries the new width, so
    // that the procedure (its list layouts) sees it. The last column stretches with the
    // list and keeps its width in the format.
    connect(v->header(), &QHeaderView::sectionResized, this, [this, feq](int section, int, int size) {
        Control* self = Find(feq);
        if (!self || applying_ || section + 1 >= static_cast<int>(self->columns.size())) return;
        const int width = DuX(size);
        if (width == self->columns[static_cast<std::size_t>(section)].width) return;
        const std::string& now = !self->st.format.empty()
                                     ? self->st.format
                                     : (self->st.def ? self->st.def->format : std::string());
        self->st.format = ui::WithColumnWidth(now, section + 1, width);
        self->columns[static_cast<std::size_t>(section)].width = width;
        ui::InputEvent ev = Ev(Event::ColumnResize, feq);
        ev.column = section + 1;
        ev.format = self->st.format;
        Deliver(ev);
    });
    connect(v->header(), &QHeaderView::sectionClicked, this, [this, feq](int section) {
        ui::InputEvent ev = Ev(Event::HeaderPressed, feq);
        ev.column = section + 1;
        Deliver(ev);
    });
    return v;
}

QWidget* QtWindow::BuildDropList(Control& c) {
    const int feq = c.st.feq;
    auto* box = new QComboBox(client_);
    box->setEditable(false);
    if (c.st.def && c.st.def->drop > 0) box->setMaxVisibleItems(c.st.def->drop);
    connect(box, &QComboBox::activated, this, [this, feq](int index) {
        Control* self = Find(feq);
        if (!self || applying_ || refusing_ || index < 0) return;
        self->st.selected = index + 1;
        self->st.text = DropValue(self->st, index);
        ui::InputEvent ev = Ev(Event::Accepted, feq);
        ev.selected = self->st.selected;
        ev.text = self->st.text;
        Deliver(ev);
    });
    return box;
}

}  // namespace rt::qt
