#include "platform/qt/rtf_icons.h"

#include <QPainterPath>
#include <QPolygonF>

namespace rt::qt {
namespace {

const QColor kInk(0x20, 0x20, 0x20);
const QColor kLine(0x50, 0x50, 0x50);
const QColor kBlue(0x1f, 0x5a, 0xb0);
const QColor kPaper(0xff, 0xff, 0xff);

void Page(QPainter& p, QRectF r) {
    const double fold = r.width() / 3;
    p.setPen(QPen(kLine, 1.5));
    p.setBrush(kPaper);
    p.drawPolygon(QPolygonF({r.topLeft(), QPointF(r.right() - fold, r.top()),
                             QPointF(r.right(), r.top() + fold), r.bottomRight(), r.bottomLeft()}));
    p.drawPolyline(QPolygonF({QPointF(r.right() - fold, r.top()), QPointF(r.right() - fold, r.top() + fold),
                              QPointF(r.right(), r.top() + fold)}));
}

void Lines(QPainter& p, double y, const std::initializer_list<std::pair<double, double>>& spans) {
    p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::FlatCap));
    for (const auto& [x0, x1] : spans) {
        p.drawLine(QPointF(x0, y), QPointF(x1, y));
        y += 6;
    }
}

void Letter(QPainter& p, const QString& text, bool bold, bool italic, bool underline) {
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(26);
    f.setBold(bold);
    f.setItalic(italic);
    p.setFont(f);
    p.setPen(kInk);
    p.drawText(QRectF(0, 0, 32, underline ? 27 : 32), Qt::AlignCenter, text);
    if (underline) {
        p.setPen(QPen(kInk, 2.5));
        p.drawLine(QPointF(8, 29), QPointF(24, 29));
    }
}

void Arrow(QPainter& p, bool forward) {
    p.save();
    if (forward) {
        p.translate(32, 0);
        p.scale(-1, 1);
    }
    p.setPen(QPen(kBlue, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(9, 13);
    path.cubicTo(15, 6, 28, 8, 27, 19);
    path.cubicTo(26, 25, 20, 27, 15, 26);
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(kBlue);
    p.drawPolygon(QPolygonF({QPointF(3, 8), QPointF(14, 7), QPointF(8, 18)}));
    p.restore();
}

}  // namespace

const std::map<std::string, std::function<void(QPainter&)>>& RichTextToolDrawings() {
    static const std::map<std::string, std::function<void(QPainter&)>> drawings = {
        {"RTFNEW.ICO", [](QPainter& p) { Page(p, QRectF(7, 3, 18, 26)); }},
        {"RTFOPEN.ICO",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0x9a, 0x7a, 0x20), 1.5));
             p.setBrush(QColor(0xf0, 0xd0, 0x60));
             p.drawRect(QRectF(3, 11, 24, 17));
             p.drawRect(QRectF(3, 7, 10, 4));
             p.setBrush(QColor(0xf8, 0xe4, 0x90));
             p.drawPolygon(QPolygonF({QPointF(7, 16), QPointF(31, 16), QPointF(27, 28), QPointF(3, 28)}));
         }},
        {"RTFSAVE.ICO",
         [](QPainter& p) {
             p.setPen(QPen(kBlue.darker(140), 1.5));
             p.setBrush(kBlue);
             p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
             p.setBrush(kPaper);
             p.drawRect(QRectF(9, 4, 14, 9));
             p.setBrush(QColor(0xc0, 0xc8, 0xd0));
             p.drawRect(QRectF(8, 18, 16, 10));
         }},
        {"RTFPRINT.ICO",
         [](QPainter& p) {
             Page(p, QRectF(9, 2, 14, 12));
             p.setPen(QPen(kLine, 1.5));
             p.setBrush(QColor(0xa0, 0xa8, 0xb0));
             p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
             p.setBrush(kPaper);
             p.drawRect(QRectF(9, 20, 14, 9));
         }},
        {"RTFREPLACE.ICO",
         [](QPainter& p) {
             // One letter put in place of another.
             QFont f(QStringLiteral("Liberation Sans"));
             f.setPixelSize(15);
             f.setBold(true);
             p.setFont(f);
             p.setPen(QColor(0x90, 0x90, 0x90));
             p.drawText(QRectF(1, 1, 14, 15), Qt::AlignCenter, QStringLiteral("a"));
             p.setPen(kInk);
             p.drawText(QRectF(17, 16, 14, 15), Qt::AlignCenter, QStringLiteral("b"));
             p.setPen(QPen(kBlue, 2.5, Qt::SolidLine, Qt::RoundCap));
             p.setBrush(Qt::NoBrush);
             p.drawArc(QRectF(6, 6, 20, 20), 90 * 16, -90 * 16);
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawPolygon(QPolygonF({QPointF(21, 14), QPointF(31, 14), QPointF(26, 21)}));
         }},
        {"RTFCUT.ICO",
         [](QPainter& p) {
             p.setPen(QPen(kLine, 2.5, Qt::SolidLine, Qt::RoundCap));
             p.drawLine(QPointF(9, 3), QPointF(20, 21));
             p.drawLine(QPointF(23, 3), QPointF(12, 21));
             p.setBrush(Qt::NoBrush);
             p.setPen(QPen(QColor(0xc0, 0x30, 0x30), 2.5));
             p.drawEllipse(QPointF(10, 24), 4.5, 4.5);
             p.drawEllipse(QPointF(22, 24), 4.5, 4.5);
         }},
        {"RTFCOPY.ICO",
         [](QPainter& p) {
             Page(p, QRectF(4, 3, 15, 20));
             Page(p, QRectF(13, 9, 15, 20));
         }},
        {"RTFPASTE.ICO",
         [](QPainter& p) {
             p.setPen(QPen(QColor(0x70, 0x4a, 0x20), 1.5));
             p.setBrush(QColor(0xc8, 0x96, 0x50));
             p.drawRoundedRect(QRectF(4, 5, 20, 24), 2, 2);
             p.setBrush(QColor(0xa0, 0xa0, 0xa0));
             p.drawRect(QRectF(9, 3, 10, 5));
             Page(p, QRectF(14, 12, 15, 18));
         }},
        {"RTFUNDO.ICO", [](QPainter& p) { Arrow(p, false); }},
        {"RTFREDO.ICO", [](QPainter& p) { Arrow(p, true); }},
        {"RTFTABS.ICO",
         [](QPainter& p) {
             p.setPen(QPen(kLine, 1.5));
             p.setBrush(QColor(0xf4, 0xe8, 0xc0));
             p.drawRect(QRectF(2, 19, 28, 9));
             for (int x = 6; x < 30; x += 4) p.drawLine(QPointF(x, 19), QPointF(x, x % 8 == 6 ? 24 : 22));
             p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::SquareCap));
             p.drawPolyline(QPolygonF({QPointF(9, 4), QPointF(9, 14), QPointF(17, 14)}));
             p.drawPolyline(QPolygonF({QPointF(26, 4), QPointF(26, 14), QPointF(19, 14)}));
         }},
        {"RTFINDENT.ICO",
         [](QPainter& p) {
             Lines(p, 5, {{3, 29}, {13, 29}, {13, 29}, {3, 29}});
             p.setPen(Qt::NoPen);
             p.setBrush(kBlue);
             p.drawPolygon(QPolygonF({QPointF(3, 9), QPointF(10, 14), QPointF(3, 19)}));
         }},
        {"RTFLEFT.ICO",
         [](QPainter& p) {
             Lines(p, 6, {{3, 29}, {3, 21}, {3, 29}, {3, 17}});
         }},
        {"RTFCENTER.ICO",
         [](QPainter& p) {
             Lines(p, 6, {{3, 29}, {8, 24}, {3, 29}, {10, 22}});
         }},
        {"RTFRIGHT.ICO",
         [](QPainter& p) {
             Lines(p, 6, {{3, 29}, {11, 29}, {3, 29}, {15, 29}});
         }},
        {"RTFJUSTIFY.ICO",
         [](QPainter& p) {
             Lines(p, 6, {{3, 29}, {3, 29}, {3, 29}, {3, 18}});
         }},
        {"RTFBULLETS.ICO",
         [](QPainter& p) {
             p.setPen(Qt::NoPen);
             p.setBrush(kInk);
             for (int y : {7, 16, 25}) p.drawEllipse(QPointF(5, y), 2.5, 2.5);
             p.setPen(QPen(kInk, 2.5, Qt::SolidLine, Qt::FlatCap));
             for (int y : {7, 16, 25}) p.drawLine(QPointF(11, y), QPointF(29, y));
         }},
        {"RTFBOLD.ICO", [](QPainter& p) { Letter(p, QStringLiteral("B"), true, false, false); }},
        {"RTFITALIC.ICO", [](QPainter& p) { Letter(p, QStringLiteral("I"), false, true, false); }},
        {"RTFUNDERLINE.ICO", [](QPainter& p) { Letter(p, QStringLiteral("U"), false, false, true); }},
    };
    return drawings;
}

}  // namespace rt::qt
