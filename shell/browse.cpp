#include "shell/browse.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>

#include "data/access.h"
#include "data/globals.h"
#include "data/program_objects.h"
#include "data/thread_data.h"
#include "platform/core/text.h"
#include "platform/files/relation.h"

namespace kvadrin {

using namespace rt::ui;

void CheckBrowseFields(std::string_view name, const BrowseDefinition& definition) {
    std::vector<const rt::File*> tables{definition.table};
    tables.insert(tables.end(), definition.joined.begin(), definition.joined.end());
    auto known = [&](const std::string& field) {
        std::size_t element = 0;
        return std::any_of(tables.begin(), tables.end(), [&](const rt::File* t) {
            return t && t->layout().field_or_element(field, &element) != nullptr;
        });
    };
    auto check = [&](const std::vector<std::string>& fields, const char* what) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i].empty() || known(fields[i])) continue;
            std::fprintf(stderr, "browse %.*s: %s %zu shows unknown field %s\n",
                         static_cast<int>(name.size()), name.data(), what, i + 1, fields[i].c_str());
            std::abort();
        }
    };
    check(definition.fields, "column");
    check(definition.hidden, "hidden field");
}

void RunBrowse(std::string_view name, const rt::ui::WindowDef& window, BrowseDefinition definition) {
    RunWindowProcedure(name, WindowKind::Browse, window, {}, [&definition](ProcedureObjects& o) {
        return std::make_unique<BrowseProcedure>(o, std::move(definition));
    });
}

rt::ui::ControlDef PrintButton(rt::ui::Rect at) {
    return rt::ui::MakeButton(
        {.label = "?BUTTONNORECORDS", .at = at, .text = "&ISPIS", .key = rt::ui::Key::F2, .tip = "F2"});
}

rt::ui::ControlDef TotalUnder(rt::ui::Rect list, std::span<const rt::ui::ListColumn> columns, int column,
                              std::string label, int y, std::string picture) {
    int x = list.x;
    for (int c = 1; c < column; ++c) x += columns[static_cast<std::size_t>(c - 1)].width;
    const int w = columns[static_cast<std::size_t>(column - 1)].width - 2;
    return rt::ui::MakeControl(rt::ui::Ctl::StringPic, std::move(label), x, y, w, 10, {}, std::move(picture),
                               rt::ui::kRight);
}

rt::ui::FormatManager& ThreadFormatManager(std::string_view module) {
    rt::File& file = Files::FORMATS();  // made before the map, so it outlives it
    thread_local std::map<std::string, std::unique_ptr<FormatManager>> managers;
    auto& m = managers[std::string(module)];
    if (!m) m = std::make_unique<FormatManager>(file);
    return *m;
}

namespace {

// The keys that close a browse.
constexpr int kClosingKeys[] = {Key::Escape, Key::Ctrl | Key::F4};

// The thread's access object of a table structure (null for one that has none).
rt::FileManager* AccessOfFile(const rt::File& file) {
    for (int i = 0; i < kTableCount; ++i) {
        const auto id = static_cast<TableId>(i);
        if (&Files::Of(id) == &file) return Access::Of(id);
    }
    return nullptr;
}

}  // namespace

// ---- The browse object and the sort header of the conventions ------------------------

class BrowseProcedure::Header : public SortHeader {
public:
    explicit Header(BrowseProcedure& p) : p_(p) {}
    void ApplyOrder(const std::string& text) override;

private:
    BrowseProcedure& p_;
};

class BrowseProcedure::Browse : public BrowseManager {
public:
    explicit Browse(BrowseProcedure& p) : p_(p) {}

    // Tab k (2 to n) selects order k - 1; the first tab, or any other value, order n.
    int ReapplySortOrder(int force) override {
        const int n = Orders();
        int tab = p_.tabs_ ? static_cast<int>(window().Get(p_.tabs_, Prop::Selected)) : 1;
        int order = tab >= 2 && tab <= n ? tab - 1 : n;
        force_ = force != 0;
        int r = SelectSortOrder(order);
        force_ = false;
        return r;
    }
    // The order's list format "SortOrder" + its tab position, when the order changed.
    int SelectSortOrder(int order) override {
        int r = SetSort(order, force_);
        if (order != applied_) {
            p_.header_->Restore();
            const int tab = p_.TabOfOrder(order);
            p_.formats_->SetFormat("SortOrder" + std::to_string(tab), tab + 1);
            applied_ = order;
        }
        return r;
    }
    void LoadPage() override {
        if (!p_.BeforeLoadPage()) return;
        BrowseManager::LoadPage();
        p_.AfterLoadPage();
    }
    void UpdateViewPosition() override { p_.UpdateViewPosition(); }
    void RefillList() override {
        BrowseManager::RefillList();
        for (int feq : p_.norecords_) window().Set(feq, Prop::Disable, Rows() == 0 ? 1 : 0);
    }
    int OnNewSelection() override;

private:
    BrowseProcedure& p_;
    bool force_ = false;
    int applied_ = 0;
};

void BrowseProcedure::Header::ApplyOrder(const std::string& text) {
    BrowseManager& b = *p_.browse_;
    if (text.empty()) {
        for (auto& l : p_.locators_)
            if (auto* f = dynamic_cast<LocatorFiltered*>(l.get())) f->USEFREEELEMENTONLY = 1;
        b.RefreshPending();
        b.ReapplySortOrder(1);
        return;
    }
    Locator* loc = p_.HeaderSortLocator();
    auto* filtered = dynamic_cast<LocatorFiltered*>(loc);
    if (filtered) filtered->USEFREEELEMENTONLY = 0;
    b.RedefineSortOrder(loc, nullptr, text);
    b.SyncScrollThumb();
    if (filtered)
        b.Reposition();
    else
        b.RefreshPending();
}

int BrowseProcedure::Browse::OnNewSelection() {
    const bool menu = p_.format_switch_ && window().keycode() == Key::MouseRightUp;
    const int before = Popup().Items();
    constexpr int kFormatChoices = 1000;  // the format menu's items answer from here on
    if (menu) {
        std::string text = p_.formats_->MakePopupMenu();
        if (before > 0) text = "-|" + text;
        p_.formats_->SetMenuPosition(kFormatChoices);
        Popup().AddMenuItemsAt(text, before, kFormatChoices);
    }
    const int level = BrowseManager::OnNewSelection();
    if (menu) {
        const int choice = Popup().LastChoice();
        Popup().Truncate(before);
        if (choice >= kFormatChoices) {
            p_.header_->ReadColumns();
            RefreshPending();
            if (p_.formats_->OnPopupChoice(choice))
                p_.header_->Reset();
            else
                p_.header_->BuildOrder();
        }
    }
    return level;
}

// ---- The procedure -------------------------------------------------------------------

BrowseProcedure::BrowseProcedure(ProcedureObjects& objects, BrowseDefinition definition)
    : ProcedureController(objects), definition_(std::move(definition)) {
    browse_ = std::make_unique<Browse>(*this);
    header_ = std::make_unique<Header>(*this);
    if (definition_.query) query_ = std::make_unique<QbeQuery>();
}

BrowseProcedure::~BrowseProcedure() = default;

rt::ui::BrowseManager& BrowseProcedure::browse() { return *browse_; }

rt::ui::Locator* BrowseProcedure::HeaderSortLocator() { return browse_->LocatorOf(browse_->CurrentOrder()); }

namespace {
// "?BUTTONNORECORDS:2" is one of the "?BUTTONNORECORDS" buttons.
bool LabelOf(std::string_view label, std::string_view prefix) {
    return label == prefix || (label.size() > prefix.size() && label.compare(0, prefix.size(), prefix) == 0 &&
                               label[prefix.size()] == ':');
}
}  // namespace

// The control labelled so, else the first one labelled so with a ":n".
int BrowseProcedure::feq_by_prefix(std::string_view prefix) const {
    int first = 0;
    for (int feq : window().Controls()) {
        const ControlDef* c = window().Control(feq);
        if (!c) continue;
        const std::string label = rt::upper(c->label);
        if (label == prefix) return feq;
        if (!first && LabelOf(label, prefix)) first = feq;
    }
    return first;
}

int BrowseProcedure::TabOfOrder(int order) const {
    const int n = static_cast<int>(definition_.orders.size());
    return order >= n ? 1 : order + 1;
}

void BrowseProcedure::PlaceUnderColumns(std::span<const std::pair<int, int>> column_and_total) {
    Window& w = window();
    const auto columns = rt::ui::ParseListFormat(browse_->ListFormat());
    for (const auto& [column, feq] : column_and_total) {
        if (!feq || column < 1 || column > static_cast<int>(columns.size())) continue;
        int x = static_cast<int>(w.Get(list_, Prop::Xpos));
        for (int c = 1; c < column; ++c) x += columns[static_cast<std::size_t>(c - 1)].width;
        const int width = columns[static_cast<std::size_t>(column - 1)].width - 2;
        if (w.Get(feq, Prop::Xpos) != x) w.Set(feq, Prop::Xpos, x);
        if (w.Get(feq, Prop::Width) != width) w.Set(feq, Prop::Width, width);
    }
}

int BrowseProcedure::Setup() {
    int level = SetupHead();
    if (level != kLevelGoOn) return level;
    Window& w = window();
    ProcedureObjects& o = objects();

    // ?CLOSE answers cancelled to a lookup, completed otherwise.
    if (int close = feq_by_prefix("?CLOSE"))
        AddButtonAction(close, REQUEST == SelectRecord ? kResponseCancelled : kResponseCompleted);
    // The browse's relation, cascading when the definition asks for it.
    if (definition_.relation) {
        if (definition_.cascade_open) definition_.relation->SetCascadeOpen();
        OpenRelation(*definition_.relation);
    }
    // The browse object and its hidden buttons.
    list_ = feq_by_prefix("?BROWSE");
    tabs_ = feq_by_prefix("?CURRENTTAB");
    norecords_.clear();
    for (int feq : w.Controls())
        if (const ControlDef* c = w.Control(feq); c && LabelOf(rt::upper(c->label), "?BUTTONNORECORDS"))
            norecords_.push_back(feq);
    BrowseManager& b = *browse_;
    b.Setup(list_, view_, *definition_.table, definition_.relation, *this);
    for (rt::File* j : definition_.joined) b.AddTable(*j);
    DefineView();
    // The view reads its tables itself: opens their access objects deferred are carried
    // out now (a missing table is created), so that the first page finds every table.
    std::vector<rt::File*> read = {definition_.table};
    read.insert(read.end(), definition_.joined.begin(), definition_.joined.end());
    for (rt::File* t : read)
        if (rt::FileManager* fm = AccessOfFile(*t)) fm->UseTable(rt::kUseOpen);
    if (query_) query_->Setup(ProgramSettings, ProgramErrors, procedure_name());
    b.SELECTCONTROL = feq_by_prefix("?SELECT");
    b.HIDESELECT = 1;
    // A browse without a form binds none of the buttons that would call it.
    if (REQUEST != ViewRecord && definition_.has_form) {
        b.INSERTCONTROL = feq_by_prefix("?INSERT");
        b.CHANGECONTROL = feq_by_prefix("?CHANGE");
        b.DELETECONTROL = feq_by_prefix("?DELETE");
    }
    if (definition_.has_form) b.VIEWCONTROL = feq_by_prefix("?VIEW");
    for (int feq : {b.SELECTCONTROL, feq_by_prefix("?VIEW"), feq_by_prefix("?INSERT"),
                    feq_by_prefix("?CHANGE"), feq_by_prefix("?DELETE")})
        if (feq) w.Hide(feq);
    if (b.SELECTCONTROL && REQUEST != SelectRecord) w.Disable(b.SELECTCONTROL);
    for (int feq : {feq_by_prefix("?INSERT"), feq_by_prefix("?CHANGE"), feq_by_prefix("?DELETE")})
        if (feq && REQUEST == ViewRecord) w.Disable(feq);
    // The window opens, alerted to Ctrl+wheel and to the end of the session.
    Open(w);
    o.alerts.AlertMouseWheel(w);
    o.alerts.AlertSessionEnd(w);
    // The tabs' sort orders with their steps, ranges and locators: the second, third, ...
    // tab's first, the first tab's last.
    const int n = static_cast<int>(definition_.orders.size());
    for (int k = 1; k <= n; ++k) {
        const BrowseOrder& order = definition_.orders[k < n ? k : 0];
        std::unique_ptr<ScrollStep> step;
        if (!order.key.empty())
            step = order.text_key ? std::make_unique<ScrollStepText>(1, 3) : std::make_unique<ScrollStep>();
        b.DefineSortOrder(step.get(), order.key.empty() ? -1 : definition_.table->KeyIndex(order.key));
        if (order.range) order.range(b);
        if (step) steps_.push_back(std::move(step));
        if (order.locator_field.empty()) continue;
        std::unique_ptr<Locator> loc;
        if (order.filtered) {
            auto f = std::make_unique<LocatorFiltered>();
            f->FLOATRIGHT = 1;
            f->USEFREEELEMENTONLY = 1;
            f->DISABLEONEMPTYRESULT = 1;
            loc = std::move(f);
        } else {
            loc = std::make_unique<LocatorEntry>();
        }
        b.AttachLocator(*loc);
        loc->Setup(0, order.locator_field, true, &b);
        locators_.push_back(std::move(loc));
    }
    // The list's columns, then the fields the browse reads without showing them.
    for (const std::string& f : definition_.fields) b.BindFieldPair(f);
    for (const std::string& f : definition_.hidden) b.BindHidden(f);
    // The resizer and the window's stored position and size.
    if (o.resizer) {
        o.resizer->Init(ResizeManager::kKeepLayout, 1, 0);
        AddResizer(*o.resizer);
    }
    LoadWindowPosition(ProgramSettings, procedure_name());
    if (o.resizer) o.resizer->Resize();
    // The browse's options and the toolbar.
    b.ASKPROCEDURE = definition_.has_form ? 1 : 0;
    if (o.toolbar) b.AttachToolbarHandler(*o.toolbar);
    b.HELPCONTROL = feq_by_prefix("?HELP");
    if (query_) {
        b.QUERYCONTROL = feq_by_prefix("?QUERY");
        b.AttachQuery(*query_, true);
    }
    // The list's formats, kept in KVD.INI.
    formats_ = &ThreadFormatManager(w.def().module);
    formats_->SAVEFORMAT = 1;
    formats_->Setup(procedure_name(), "KVD", w, list_, static_cast<int>(definition_.fields.size()));
    formats_->SetOptions(1, 2, 1, ".\\KVD.INI");
    // The alert keys (and the popup's items of the hidden buttons).
    DeclareAlertKeys();
    // The column sizer; the double click stays the list's (change or select).
    tracker_.Setup(w);
    tracker_.AddControl(list_, false);
    // The browse's own buttons in the popup menu.
    for (const BrowseButton& button : definition_.buttons)
        if (int feq = feq_by_prefix(rt::upper(button.label))) b.Popup().AddControlItem(feq, button.text, "");
    // The sort header.
    formats_->SetupSortHeader(*header_, b);
    header_->USESORTCOLORS = 0;
    // The focus marks; the list is the window's first field.
    o.focus.Configure(w);
    FIRSTFIELD = list_;
    return kLevelGoOn;
}

void BrowseProcedure::DeclareAlertKeys() {
    WindowController::DeclareAlertKeys();
    browse_->DeclareKeys();
    for (const BrowseButton& button : definition_.buttons) {
        const ControlDef* c = window().Control(feq_by_prefix(rt::upper(button.label)));
        if (!c || !c->key) continue;
        window().Alert(list_, c->key);
        window().Alert(0, c->key);
    }
    // The sort header's alert-key hook has nothing to declare.
    for (int key : kClosingKeys) window().Alert(0, key);
}

void BrowseProcedure::Reset(int force) {
    if (!sorted_ && window().IsOpen()) {
        sorted_ = true;
        browse_->ReapplySortOrder(1);
    } else if (force && sorted_) {
        browse_->ResetFromView(false);
    }
    ProcedureController::Reset(force);
}

int BrowseProcedure::FirstEventHandlers() { return header_->OnEvent(); }

int BrowseProcedure::NavigationEvent() { return tracker_.OnEvent(); }

bool BrowseProcedure::ButtonKey() {
    Window& w = window();
    if (w.event() != Event::AlertKey) return false;
    for (const BrowseButton& button : definition_.buttons) {
        const int feq = feq_by_prefix(rt::upper(button.label));
        const ControlDef* c = w.Control(feq);
        if (!c || !c->key || c->key != w.keycode()) continue;
        if (!w.Get(feq, Prop::Disable)) w.Post(Event::Accepted, feq);
        return true;
    }
    return false;
}

int BrowseProcedure::OnWindowEvent() {
    if (ButtonKey()) return kLevelConsumed;
    // Escape and Ctrl+F4 close the browse as its close box does.
    if (Window& w = window();
        w.event() == Event::AlertKey &&
        std::find(std::begin(kClosingKeys), std::end(kClosingKeys), w.keycode()) != std::end(kClosingKeys)) {
        w.Post(Event::CloseWindow);
        return kLevelConsumed;
    }
    return ProcedureController::OnWindowEvent();
}

int BrowseProcedure::OnFieldEvent() {
    Window& w = window();
    if (ButtonKey()) return kLevelConsumed;
    if (tabs_ && w.field() == tabs_ && w.event() == Event::NewSelection) {
        browse_->ReapplySortOrder(0);
        return kLevelGoOn;
    }
    if (int level = browse_->TakeEvent(); level != kLevelGoOn) return level;
    return ProcedureController::OnFieldEvent();
}

int BrowseProcedure::OnAccepted() {
    const int level = ProcedureController::OnAccepted();
    const int feq = window().field();
    for (const BrowseButton& button : definition_.buttons) {
        if (!button.call || feq != feq_by_prefix(rt::upper(button.label))) continue;
        UpdateComponents();
        button.call();
        Reset(0);
        window().Select(list_);
        Reset(1);
        break;
    }
    return level;
}

void BrowseProcedure::TeardownCompanions() {
    header_->Teardown();
    browse_->DetachToolbarHandler();
    if (formats_) formats_->Teardown(0);
    tracker_.Teardown();
    view_.Teardown();
}

}  // namespace kvadrin
