#include "platform/qt/builtin_icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <functional>
#include <map>
#include <string>

#include "platform/qt/rtf_icons.h"

namespace rt::qt {
namespace {

// Every drawing paints into a 32 x 32 square; the painter is scaled to the target.
using Drawing = std::function<void(QPainter&)>;

const QColor kNavy(0x1f, 0x3a, 0x7a);
const QColor kGreen(0x2e, 0x8b, 0x3a);
const QColor kRed(0xc0, 0x30, 0x30);
const QColor kGrey(0x60, 0x60, 0x60);

void Triangle(QPainter& p, QPointF a, QPointF b, QPointF c, const QColor& color) {
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(QPolygonF({a, b, c}));
}

void Left(QPainter& p, double x) { Triangle(p, {x, 16}, {x + 11, 6}, {x + 11, 26}, kNavy); }
void Right(QPainter& p, double x) { Triangle(p, {x + 11, 16}, {x, 6}, {x, 26}, kNavy); }
void Bar(QPainter& p, double x) {
    p.setPen(Qt::NoPen);
    p.setBrush(kNavy);
    p.drawRect(QRectF(x, 6, 4, 20));
}

void Magnifier(QPainter& p, QPointF centre, double r) {
    p.setBrush(QColor(0xd8, 0xe8, 0xf8));
    p.setPen(QPen(kGrey, 3));
    p.drawEllipse(centre, r, r);
    p.setPen(QPen(QColor(0x70, 0x4a, 0x20), 4, Qt::SolidLine, Qt::RoundCap));
    const double d = r * 0.75;
    p.drawLine(QPointF(centre.x() + d, centre.y() + d), QPointF(centre.x() + r * 1.9, centre.y() + r * 1.9));
}

void Cylinder(QPainter& p, QRectF r, const QColor& color) {
    const double e = r.height() / 6;
    QLinearGradient g(r.topLeft(), r.topRight());
    g.setColorAt(0, color.darker(130));
    g.setColorAt(0.45, color.lighter(140));
    g.setColorAt(1, color.darker(150));
    p.setPen(QPen(color.darker(200), 1));
    p.setBrush(g);
    QPainterPath body;
    body.moveTo(r.left(), r.top() + e / 2);
    body.lineTo(r.left(), r.bottom() - e / 2);
    body.arcTo(QRectF(r.left(), r.bottom() - e, r.width(), e), 180, 180);
    body.lineTo(r.right(), r.top() + e / 2);
    body.closeSubpath();
    p.drawPath(body);
    p.setBrush(color.lighter(160));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), e));
    // Two rings mark the disks of the store.
    p.setBrush(Qt::NoBrush);
    for (double k : {1.0 / 3, 2.0 / 3}) {
        const double y = r.top() + (r.height() - e) * k;
        p.drawArc(QRectF(r.left(), y, r.width(), e), 180 * 16, 180 * 16);
    }
}

void Wrench(QPainter& p) {
    p.save();
    p.translate(16, 16);
    p.rotate(-45);
    p.setPen(QPen(kGrey.darker(130), 1));
    p.setBrush(QColor(0xa8, 0xb0, 0xb8));
    QPainterPath path;
    path.addRoundedRect(QRectF(-3, -4, 6, 18), 2, 2);
    path.addEllipse(QPointF(0, -8), 7, 7);
    QPainterPath jaw;
    jaw.addRect(QRectF(-2.5, -16, 5, 9));
    p.drawPath(path.simplified().subtracted(jaw));
    p.restore();
}

void Document(QPainter& p) {
    p.setPen(QPen(kGrey, 1.5));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6, 3, 17, 24));
    p.setPen(QPen(QColor(0xa0, 0xa0, 0xa0), 1.5));
    for (int y = 9; y <= 21; y += 4) p.drawLine(QPointF(9, y), QPointF(20, y));
}

void House(QPainter& p) {
    p.setPen(QPen(kNavy.darker(120), 1.5));
    p.setBrush(QColor(0xc8, 0x50, 0x30));
    p.drawPolygon(QPolygonF({QPointF(3, 14), QPointF(16, 3), QPointF(29, 14)}));
    p.setBrush(QColor(0xf0, 0xe6, 0xd0));
    p.drawRect(QRectF(6, 14, 20, 15));
    p.setBrush(kNavy.lighter(150));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col) p.drawRect(QRectF(8.5 + col * 6, 16.5 + row * 6, 3.5, 3.5));
}

const std::map<std::string, Drawing>& Drawings() {
    static const std::map<std::string, Drawing> drawings = [] {
        std::map<std::string, Drawing> all = {
            {"VCRFIRST.ICO",
             [](QPainter& p) {
                 Bar(p, 5);
                 Left(p, 11);
             }},
            {"VCRPRIOR.ICO",
             [](QPainter& p) {
                 Left(p, 4);
                 Left(p, 15);
             }},
            {"VCRUP.ICO",
             [](QPainter& p) {
                 Triangle(p, {16, 6}, {5, 24}, {27, 24}, kNavy);
             }},
            {"VCRDOWN.ICO",
             [](QPainter& p) {
                 Triangle(p, {16, 26}, {5, 8}, {27, 8}, kNavy);
             }},
            {"VCRNEXT.ICO",
             [](QPainter& p) {
                 Right(p, 6);
                 Right(p, 17);
             }},
            {"VCRLAST.ICO",
             [](QPainter& p) {
                 Right(p, 10);
                 Bar(p, 23);
             }},
            {"FIND.ICO",
             [](QPainter& p) {
                 Magnifier(p, {13, 13}, 8);
             }},
            {"LOOKUP.ICO",
             [](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(Qt::black);
                 for (int x : {8, 16, 24}) p.drawEllipse(QPointF(x, 20), 2.5, 2.5);
             }},
            {"MARK.ICO",
             [](QPainter& p) {
                 p.setPen(QPen(kGreen, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
                 p.drawPolyline(QPolygonF({QPointF(6, 17), QPointF(13, 24), QPointF(26, 8)}));
             }},
            {"INSERT.ICO",
             [](QPainter& p) {
                 Document(p);
                 p.setPen(QPen(kGreen, 4, Qt::SolidLine, Qt::RoundCap));
                 p.drawLine(QPointF(23, 17), QPointF(23, 29));
                 p.drawLine(QPointF(17, 23), QPointF(29, 23));
             }},
            {"EDIT.ICO",
             [](QPainter& p) {
                 Document(p);
                 p.save();
                 p.translate(20, 20);
                 p.rotate(45);
                 p.setPen(QPen(Qt::black, 1));
                 p.setBrush(QColor(0xf0, 0xc0, 0x30));
                 p.drawRect(QRectF(-2.5, -12, 5, 16));
                 Triangle(p, {-2.5, 4}, {2.5, 4}, {0, 9}, Qt::black);
                 p.restore();
             }},
            {"DELETE.ICO",
             [](QPainter& p) {
                 p.setPen(QPen(kRed, 5, Qt::SolidLine, Qt::RoundCap));
                 p.drawLine(QPointF(8, 8), QPointF(24, 24));
                 p.drawLine(QPointF(24, 8), QPointF(8, 24));
             }},
            {"DITTO.ICO",
             [](QPainter& p) {
                 // An arrow turning back: the previous value.
                 p.setPen(QPen(kNavy, 3.5, Qt::SolidLine, Qt::RoundCap));
                 p.setBrush(Qt::NoBrush);
                 p.drawArc(QRectF(7, 7, 18, 18), 30 * 16, 270 * 16);
                 Triangle(p, {2, 12}, {12, 12}, {7, 20}, kNavy);
             }},
            {"HELP.ICO",
             [](QPainter& p) {
                 p.setPen(Qt::NoPen);
                 p.setBrush(QColor(0x2a, 0x6c, 0xc8));
                 p.drawEllipse(QRectF(3, 3, 26, 26));
                 QFont f("Arial");
                 f.setPixelSize(20);
                 f.setBold(true);
                 p.setFont(f);
                 p.setPen(Qt::white);
                 p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, "?");
             }},
            {"WRENCH1.ICO", Wrench},
            {"TOOLS_II.ICO", Wrench},
            {"DATABASE.ICO",
             [](QPainter& p) { Cylinder(p, QRectF(7, 3, 18, 26), QColor(0x4a, 0x7a, 0xb8)); }},
            {"SQLSERVER.JPG",
             [](QPainter& p) {
                 p.fillRect(QRectF(0, 0, 32, 32), QColor(0xf4, 0xf6, 0xfa));
                 Cylinder(p, QRectF(4, 6, 15, 21), QColor(0x4a, 0x7a, 0xb8));
                 Cylinder(p, QRectF(14, 10, 15, 19), QColor(0x3a, 0x9a, 0x8a));
             }},
            {"LOGOBRIVANT.BMP", House},
            {"BULLETS.ICO",
             [](QPainter& p) {
                 for (int row = 0; row < 3; ++row) {
                     const double y = 7 + row * 9;
                     p.setPen(Qt::NoPen);
                     p.setBrush(kNavy);
                     p.drawEllipse(QPointF(6, y), 2.6, 2.6);
                     p.setPen(QPen(kGrey, 2.5, Qt::SolidLine, Qt::RoundCap));
                     p.drawLine(QPointF(12, y), QPointF(28, y));
                 }
             }},
            {"MONEY.ICO",
             [](QPainter& p) {
                 p.setPen(QPen(kGreen.darker(140), 1.5));
                 p.setBrush(kGreen.lighter(150));
                 p.drawRect(QRectF(2, 8, 26, 15));
                 p.setBrush(kGreen.lighter(120));
                 p.drawEllipse(QPointF(15, 15.5), 4.5, 4.5);
                 p.setBrush(QColor(0xe8, 0xc0, 0x40));
                 p.setPen(QPen(QColor(0x9a, 0x7a, 0x20), 1.5));
                 for (int i = 0; i < 3; ++i) p.drawEllipse(QRectF(18, 24 - i * 3.5, 12, 5));
             }},
            {"QKLOAD.ICO",
             [](QPainter& p) {
                 p.setPen(QPen(QColor(0x9a, 0x7a, 0x20), 1.5));
                 p.setBrush(QColor(0xf0, 0xd0, 0x60));
                 p.drawRect(QRectF(3, 10, 26, 17));
                 p.drawRect(QRectF(3, 6, 11, 5));
             }},
            {"QKQBE.ICO",
             [](QPainter& p) {
                 p.setPen(QPen(kNavy, 1.5));
                 p.setBrush(kNavy.lighter(170));
                 p.drawPolygon(QPolygonF({QPointF(4, 5), QPointF(28, 5), QPointF(19, 16), QPointF(19, 27),
                                          QPointF(13, 24), QPointF(13, 16)}));
             }},
        };
        for (const auto& [name, draw] : RichTextToolDrawings()) all.emplace(name, draw);
        return all;
    }();
    return drawings;
}

const Drawing* Find(std::string_view file) {
    std::string name(file);
    const auto slash = name.find_last_of("/\\");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    for (char& ch : name)
        if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    const auto& all = Drawings();
    const auto it = all.find(name);
    return it == all.end() ? nullptr : &it->second;
}

QPixmap Paint(const Drawing& draw, QSize size, bool keep_square) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const double side = std::min(size.width(), size.height());
    if (keep_square) {
        p.translate((size.width() - side) / 2, (size.height() - side) / 2);
        p.scale(side / 32, side / 32);
    } else {
        p.scale(size.width() / 32.0, size.height() / 32.0);
    }
    draw(p);
    return pixmap;
}

}  // namespace

bool HasBuiltinIcon(std::string_view file) { return Find(file) != nullptr; }

QIcon BuiltinIcon(std::string_view file) {
    const Drawing* draw = Find(file);
    if (!draw) return QIcon();
    QIcon icon;
    for (int side : {16, 24, 32, 48}) icon.addPixmap(Paint(*draw, QSize(side, side), true));
    return icon;
}

QPixmap BuiltinImage(std::string_view file, QSize size) {
    const Drawing* draw = Find(file);
    if (!draw || size.isEmpty()) return QPixmap();
    return Paint(*draw, size, true);
}

}  // namespace rt::qt
