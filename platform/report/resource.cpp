#include "platform/report/resource.h"

#include <map>
#include <mutex>
#include <utility>

#include "platform/core/text.h"

namespace rt::report {

namespace {

std::mutex& registry_mutex() {
    static std::mutex m;
    return m;
}
std::map<std::pair<std::string, std::string>, ReportDef>& registry() {
    static std::map<std::pair<std::string, std::string>, ReportDef> r;
    return r;
}

const Band* find_kind(const ReportDef& def, BandKind kind) {
    for (const Band& b : def.bands)
        if (b.kind == kind) return &b;
    return nullptr;
}

}  // namespace

const Band* ReportDef::band(std::string_view label) const {
    for (const Band& b : bands)
        if (b.label == label) return &b;
    return nullptr;
}
const Band* ReportDef::header() const { return find_kind(*this, BandKind::Header); }
const Band* ReportDef::footer() const { return find_kind(*this, BandKind::Footer); }

Control Text(std::string label, double x, double y, std::string_view text, const Font& font) {
    Control c;
    c.kind = Kind::String;
    c.label = std::move(label);
    c.x = x, c.y = y;
    c.text = rt::utf8_to_cp1250(text);
    c.font = font;
    return c;
}

Control Field(std::string label, double x, double y, std::string use, std::string picture, const Font& font) {
    Control c;
    c.kind = Kind::Field;
    c.label = std::move(label);
    c.x = x, c.y = y;
    c.use = std::move(use);
    c.picture = std::move(picture);
    c.font = font;
    return c;
}

Control LineCtl(double x, double y, double w, double h, double pen_width) {
    Control c;
    c.kind = Kind::Line;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.pen_width = pen_width;
    return c;
}

Control BoxCtl(double x, double y, double w, double h, std::int32_t fill, double pen_width) {
    Control c;
    c.kind = Kind::Box;
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.fill = fill;
    c.pen_width = pen_width;
    return c;
}

Control ImageCtl(std::string label, double x, double y, double w, double h, std::string file) {
    Control c;
    c.kind = Kind::Image;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.text = std::move(file);
    return c;
}

Control RtfCtl(std::string label, double x, double y, double w, double h, std::string use) {
    Control c;
    c.kind = Kind::Rtf;
    c.label = std::move(label);
    c.x = x, c.y = y, c.w = w, c.h = h;
    c.use = std::move(use);
    return c;
}

Control Sized(Control c, double w, double h, Align align) {
    c.w = w;
    c.h = h;
    c.align = align;
    return c;
}

void RegisterReport(const ReportDef& def) {
    std::lock_guard lock(registry_mutex());
    registry()[{def.module, def.name}] = def;
}

const ReportDef* FindReport(const std::string& module, const std::string& name) {
    std::lock_guard lock(registry_mutex());
    auto it = registry().find({module, name});
    return it == registry().end() ? nullptr : &it->second;
}

}  // namespace rt::report
