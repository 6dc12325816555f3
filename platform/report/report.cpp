#include "platform/report/report.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "platform/core/numeric.h"
#include "platform/core/path.h"
#include "platform/core/picture.h"
#include "platform/core/text.h"

namespace rt::report {

namespace {

constexpr double kPointMm = 25.4 / 72.0;

// The width a number picture takes in a font: its characters as wide as digits.
double PictureWidth(const Picture& p, const Font& f) {
    const double digit = f.face.find("Times") != std::string::npos ? 0.5 : 0.556;
    return p.width * digit * f.size * kPointMm;
}

std::shared_ptr<const std::string> ReadImage(const std::string& name) {
    if (name.empty()) return nullptr;
    std::ifstream in(rt::native_path(name), std::ios::binary);
    if (!in) return nullptr;
    auto bytes =
        std::make_shared<std::string>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (bytes->empty()) return nullptr;
    return bytes;
}

}  // namespace

Report::Report(const ReportDef& def) : def_(&def) {
    for (const Break& b : def.breaks) {
        BreakState s;
        s.def = &b;
        for (const std::string& label : b.bands)
            if (const Band* band = def.band(label)) {
                if (band->kind == BandKind::GroupFooter) s.footer_band = band;
                if (band->kind == BandKind::GroupHeader) s.header_band = band;
            }
        breaks_.push_back(s);
    }
}

Report::~Report() = default;

void Report::Use(std::string_view name, ui::Binding binding) { bindings_[std::string(name)] = binding; }

void Report::BindAll(const std::function<ui::Binding(std::string_view)>& resolve) {
    auto bind = [&](const std::string& name) {
        if (name.empty() || bindings_.count(name)) return;
        ui::Binding b = resolve(name);
        if (b.bound()) bindings_[name] = b;
    };
    std::function<void(const std::vector<Control>&)> walk = [&](const std::vector<Control>& controls) {
        for (const Control& c : controls) {
            bind(c.use);
            walk(c.children);
        }
    };
    for (const Band& b : def_->bands) walk(b.controls);
    for (const Break& b : def_->breaks) bind(b.variable);
}

ui::Binding Report::BindingOf(const std::string& name) const {
    auto it = bindings_.find(name);
    return it == bindings_.end() ? ui::Binding{} : it->second;
}

void Report::SetText(std::string_view label, std::string_view text) {
    texts_[std::string(label)] = std::string(text);
}

std::string Report::GetText(std::string_view label) const {
    auto it = texts_.find(label);
    if (it != texts_.end()) return it->second;
    for (const Band& b : def_->bands)
        for (const Control& c : b.controls)
            if (c.label == label) return c.text;
    return {};
}

void Report::Open() {
    doc_ = Document{};
    doc_.title = def_->title;
    doc_.landscape = def_->landscape;
    doc_.width = def_->landscape ? def_->paper_h : def_->paper_w;
    doc_.height = def_->landscape ? def_->paper_w : def_->paper_h;
    totals_.clear();
    for (BreakState& b : breaks_) {
        b.open = false;
        b.last.clear();
        b.footer = {};
    }
    page_open_ = false;
    new_page_next_ = false;
    fixed_.clear();
    printed_ = 0;
    open_ = true;
}

Report::TotalState& Report::TotalOf(const Control& c) { return totals_[&c]; }

Item Report::Evaluate(const Control& c, const Band& band) {
    Item it;
    it.kind = c.kind == Kind::Field ? Kind::String : c.kind;
    it.x = c.x, it.y = c.y, it.w = c.w, it.h = c.h;
    it.font = c.font;
    it.align = c.align;
    it.fill = c.fill, it.pen = c.pen, it.pen_width = c.pen_width;
    switch (c.kind) {
        case Kind::String: {
            auto t = texts_.find(c.label);
            it.text = t != texts_.end() && !c.label.empty() ? t->second : c.text;
            break;
        }
        case Kind::Field: {
            const std::optional<Picture> pic = parse_picture(c.picture);
            if (c.total == Total::Pages) {
                it.page_total = Total::Pages;
                it.picture = c.picture;
            } else if (c.total != Total::None) {
                const double v =
                    c.total == Total::Page ? static_cast<double>(doc_.pages.size()) : TotalOf(c).value;
                it.text =
                    rt::format(v, c.picture.empty() ? std::string_view("@n9") : std::string_view(c.picture));
            } else {
                const ui::Binding b = BindingOf(c.use);
                if (!b.bound())
                    it.text.clear();
                else if (pic && pic->kind != PictureKind::String)
                    it.text = b.numeric() ? rt::format(b.number(), *pic) : rt::format(b.text(), *pic);
                else if (pic)
                    it.text = rt::format(b.text(), *pic);
                else
                    it.text = b.numeric() ? rt::plain_number(b.number()) : b.text();
            }
            // Numbers stand right-aligned in the width of their picture.
            if (pic && pic->kind == PictureKind::Number) {
                if (it.w < 0) it.w = PictureWidth(*pic, c.font);
                if (it.align == Align::Left) it.align = Align::Right;
                it.text.erase(0, it.text.find_first_not_of(' '));
            }
            it.text = rt::clip(it.text);
            break;
        }
        case Kind::Image: {
            auto t = texts_.find(c.label);
            it.image_name = t != texts_.end() && !c.label.empty() ? t->second : c.text;
            if (!c.children.empty()) {
                for (const Control& child : c.children) it.children.push_back(Evaluate(child, band));
                it.child_w = c.child_w > 0 ? c.child_w : c.w;
                it.child_h = c.child_h > 0 ? c.child_h : c.h;
            } else {
                it.image = ReadImage(rt::clip(it.image_name));
            }
            break;
        }
        case Kind::Rtf: {
            const ui::Binding b = BindingOf(c.use);
            it.text = b.bound() ? b.text() : std::string();
            break;
        }
        case Kind::Line:
        case Kind::Box: break;
    }
    return it;
}

Report::Evaluated Report::EvaluateBand(const Band& band) {
    Evaluated e;
    e.band = &band;
    e.items.reserve(band.controls.size());
    for (const Control& c : band.controls) e.items.push_back(Evaluate(c, band));
    return e;
}

void Report::Tally(const Band& band) {
    for (const Band& b : def_->bands)
        for (const Control& c : b.controls) {
            if (c.total != Total::Sum && c.total != Total::Count) continue;
            const bool tallies = c.tally.empty() ? &b == &band : c.tally == band.label;
            if (!tallies) continue;
            TotalState& t = TotalOf(c);
            if (c.total == Total::Count)
                t.value += 1;
            else if (const ui::Binding v = BindingOf(c.use); v.bound())
                t.value += v.number();
        }
}

void Report::ResetTotals(Reset reset, const Break* within) {
    for (const Band& b : def_->bands)
        for (const Control& c : b.controls) {
            if (c.reset != reset || (c.total != Total::Sum && c.total != Total::Count)) continue;
            if (within &&
                std::find(within->bands.begin(), within->bands.end(), b.label) == within->bands.end())
                continue;
            TotalOf(c).value = 0;
        }
}

void Report::StartPage() {
    doc_.pages.emplace_back();
    page_open_ = true;
    fixed_.clear();
    ResetTotals(Reset::Page, nullptr);
    flow_y_ = def_->area_y;
    if (const Band* h = def_->header()) {
        Evaluated e = EvaluateBand(*h);
        for (Item& it : e.items) {
            it.x += h->x, it.y += h->y;
            doc_.pages.back().items.push_back(std::move(it));
        }
    }
}

void Report::EndPage() {
    if (!page_open_) return;
    if (const Band* f = def_->footer()) {
        Evaluated e = EvaluateBand(*f);
        for (Item& it : e.items) {
            it.x += f->x, it.y += f->y;
            doc_.pages.back().items.push_back(std::move(it));
        }
    }
    page_open_ = false;
}

void Report::MakeRoom(const Band& band) {
    if (!page_open_) {
        StartPage();
    } else if (new_page_next_ || band.page_before) {
        EndPage();
        StartPage();
    }
    new_page_next_ = false;
    const double bottom = def_->area_y + def_->area_h;
    auto clashes = [&](double top, double h) {
        for (const Region& r : fixed_)
            if (top < r.bottom && top + h > r.top) return true;
        return false;
    };
    if (band.fixed) {
        // The flow has passed the band's place, or another fixed band stands there.
        if (flow_y_ > band.y + 0.001 || clashes(band.y, band.h)) {
            EndPage();
            StartPage();
        }
        return;
    }
    const bool fresh = flow_y_ <= def_->area_y + 0.001 && fixed_.empty();
    if (!fresh && (flow_y_ + band.h > bottom + 0.001 || clashes(flow_y_, band.h))) {
        EndPage();
        StartPage();
    }
}

void Report::Place(const Evaluated& e) {
    const Band& band = *e.band;
    const double x0 = band.fixed ? band.x : def_->area_x;
    const double y0 = band.fixed ? band.y : flow_y_;
    for (Item it : e.items) {
        it.x += x0;
        it.y += y0;
        doc_.pages.back().items.push_back(std::move(it));
    }
    if (band.fixed)
        fixed_.push_back({band.y, band.y + band.h});
    else
        flow_y_ += band.h;
    if (band.page_after) new_page_next_ = true;
}

Report::BreakState* Report::BreakOf(const Band& band) {
    for (BreakState& b : breaks_)
        if (std::find(b.def->bands.begin(), b.def->bands.end(), band.label) != b.def->bands.end()) return &b;
    return nullptr;
}

void Report::CloseGroup(BreakState& b) {
    b.open = false;
    if (b.footer_band && b.footer.band) {
        MakeRoom(*b.footer_band);
        Place(b.footer);
    }
    b.footer = {};
    ResetTotals(Reset::Break, b.def);
}

void Report::PrintBand(const Band& band, bool in_break_handling) {
    BreakState* br = in_break_handling ? nullptr : BreakOf(band);
    if (br && band.kind != BandKind::GroupFooter && band.kind != BandKind::GroupHeader) {
        const ui::Binding v = BindingOf(br->def->variable);
        const std::string value =
            v.bound() ? (v.numeric() ? rt::plain_number(v.number()) : v.text()) : std::string();
        if (br->open && value != br->last) CloseGroup(*br);
        if (!br->open) {
            br->open = true;
            if (br->header_band) PrintBand(*br->header_band, true);
        }
        br->last = value;
    }
    MakeRoom(band);
    Tally(band);
    Place(EvaluateBand(band));
    ++printed_;
    // The group's footer as it would print now, with the values of this band's time.
    if (br && br->footer_band && &band != br->footer_band) br->footer = EvaluateBand(*br->footer_band);
}

int Report::Print(std::string_view label) {
    if (!open_) return -1;
    const Band* band = def_->band(label);
    if (!band || band->kind == BandKind::Header || band->kind == BandKind::Footer) return -1;
    if (band->kind == BandKind::GroupFooter) {
        // A footer printed by the procedure closes its group.
        for (BreakState& b : breaks_)
            if (b.footer_band == band && b.open) {
                b.footer = EvaluateBand(*band);
                CloseGroup(b);
                return 0;
            }
    }
    PrintBand(*band);
    return 0;
}

Document Report::Finish() {
    if (!open_) return {};
    for (BreakState& b : breaks_)
        if (b.open) CloseGroup(b);
    if (!page_open_ && doc_.pages.empty()) StartPage();
    EndPage();
    const double pages = static_cast<double>(doc_.pages.size());
    for (Page& p : doc_.pages)
        for (Item& it : p.items)
            if (it.page_total == Total::Pages) {
                it.text = rt::clip(rt::format(
                    pages, it.picture.empty() ? std::string_view("@n9") : std::string_view(it.picture)));
                it.text.erase(0, it.text.find_first_not_of(' '));
            }
    open_ = false;
    return std::move(doc_);
}

}  // namespace rt::report
