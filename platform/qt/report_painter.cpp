#include "platform/qt/report_painter.h"

#include <QAbstractTextDocumentLayout>
#include <QDateTime>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <atomic>
#include <filesystem>

#include "platform/qt/qt_window.h"
#include "platform/qt/rich_text.h"

namespace rt::qt {

namespace {

using report::Item;
using report::Kind;

constexpr int kPdfResolution = 600;

QFont FontOf(const report::Font& f) {
    QFont font(QString::fromStdString(f.face));
    font.setPointSizeF(f.size > 0 ? f.size : 10);
    font.setWeight(f.weight >= 600 ? QFont::Bold : QFont::Normal);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    font.setKerning(false);
    return font;
}

QColor Colour(std::int32_t bgr) { return bgr < 0 ? QColor(Qt::black) : ColorOf(bgr); }

void PaintItem(QPainter& p, const Item& it, double k) {
    const QRectF box(it.x * k, it.y * k, it.w > 0 ? it.w * k : 0, it.h > 0 ? it.h * k : 0);
    switch (it.kind) {
        case Kind::String:
        case Kind::Field: {
            if (it.text.empty()) return;
            p.setFont(FontOf(it.font));
            p.setPen(Colour(it.font.color));
            const QString text = FromCp1250(it.text);
            int flags = Qt::AlignTop | Qt::TextDontClip | Qt::TextSingleLine;
            flags |= it.align == report::Align::Right    ? Qt::AlignRight
                     : it.align == report::Align::Center ? Qt::AlignHCenter
                                                         : Qt::AlignLeft;
            QRectF r = box;
            if (r.width() <= 0) r.setWidth(1e6);
            if (r.height() <= 0) r.setHeight(1e6);
            if (it.align == report::Align::Center && it.h > 0)
                flags = (flags & ~Qt::AlignTop) | Qt::AlignVCenter;
            p.drawText(r, flags, text);
            break;
        }
        case Kind::Line: {
            QPen pen(Colour(it.pen));
            pen.setWidthF(std::max(it.pen_width * k, 0.5));
            p.setPen(pen);
            p.drawLine(QPointF(it.x * k, it.y * k),
                       QPointF((it.x + std::max(it.w, 0.0)) * k, (it.y + std::max(it.h, 0.0)) * k));
            break;
        }
        case Kind::Box: {
            if (it.pen >= 0) {
                QPen pen(Colour(it.pen));
                pen.setWidthF(std::max(it.pen_width * k, 0.5));
                p.setPen(pen);
            } else {
                p.setPen(Qt::NoPen);
            }
            p.setBrush(it.fill >= 0 ? QBrush(Colour(it.fill)) : QBrush(Qt::NoBrush));
            p.drawRect(box);
            p.setBrush(Qt::NoBrush);
            break;
        }
        case Kind::Image: {
            if (!it.children.empty()) {
                p.save();
                p.translate(box.topLeft());
                const double sx = it.child_w > 0 ? it.w / it.child_w : 1;
                const double sy = it.child_h > 0 ? it.h / it.child_h : 1;
                p.scale(sx, sy);
                for (const Item& c : it.children) PaintItem(p, c, k);
                p.restore();
            } else if (it.image) {
                QImage img;
                if (img.loadFromData(reinterpret_cast<const uchar*>(it.image->data()),
                                     static_cast<int>(it.image->size()))) {
                    p.save();
                    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
                    p.drawImage(box, img);
                    p.restore();
                }
            }
            break;
        }
        case Kind::Rtf: {
            if (it.text.empty() || box.width() <= 0) return;
            QTextDocument doc;
            doc.documentLayout()->setPaintDevice(p.device());
            doc.setDocumentMargin(0);
            ReadRtf(it.text, doc);
            doc.setTextWidth(box.width());
            p.save();
            p.translate(box.topLeft());
            const QRectF clip(0, 0, box.width(), box.height() > 0 ? box.height() : doc.size().height());
            p.setClipRect(clip);
            doc.drawContents(&p, clip);
            p.restore();
            break;
        }
    }
}

// A PDF text string: UTF-16BE with its byte-order mark, in hexadecimal.
std::string PdfString(const std::string& utf8) {
    const QString s = QString::fromStdString(utf8);
    std::string out = "<FEFF";
    static const char* hex = "0123456789ABCDEF";
    for (QChar c : s) {
        const unsigned u = c.unicode();
        for (int shift = 12; shift >= 0; shift -= 4) out += hex[(u >> shift) & 0xF];
    }
    return out + ">";
}

// Replaces the document information of a PDF by an incremental update: a new information
// dictionary, a cross-reference section for it and a trailer that points to both.
bool SetPdfInfo(const QString& file, const report::DocumentInfo& info) {
    QFile f(file);
    if (!f.open(QIODevice::ReadWrite)) return false;
    const QByteArray bytes = f.readAll();
    const int sx = bytes.lastIndexOf("startxref");
    const int tr = bytes.lastIndexOf("trailer");
    if (sx < 0 || tr < 0) return false;
    const long prev = bytes.mid(sx + 9).trimmed().split('\n').value(0).trimmed().toLong();
    const QByteArray trailer = bytes.mid(tr, sx - tr);
    auto value_of = [&](const char* key) -> QByteArray {
        const int at = trailer.indexOf(key);
        if (at < 0) return {};
        int i = at + static_cast<int>(qstrlen(key));
        int end = trailer.indexOf('R', i);
        return end < 0 ? QByteArray() : trailer.mid(i, end - i + 1).trimmed();
    };
    const QByteArray root = value_of("/Root");
    // /Size's value has no "R": read it up to the end of its line.
    long objects = 0;
    {
        const int at = trailer.indexOf("/Size");
        if (at >= 0)
            objects =
                trailer.mid(at + 5).trimmed().split('\n').value(0).split('/').value(0).trimmed().toLong();
    }
    if (root.isEmpty() || objects <= 0 || prev <= 0) return false;
    const long number = objects;
    const std::string date =
        QDateTime::currentDateTime().toString(QStringLiteral("'D:'yyyyMMddHHmmss")).toStdString();
    std::string obj = std::to_string(number) + " 0 obj\n<<\n/Title " + PdfString(info.title) + "\n/Author " +
                      PdfString(info.author) + "\n/Subject " + PdfString(info.subject) + "\n/Keywords " +
                      PdfString(info.keywords) + "\n/Creator " + PdfString(info.creator) + "\n/Producer " +
                      PdfString(info.program) + "\n/CreationDate (" + date + ")\n>>\nendobj\n";
    QByteArray tail;
    if (!bytes.endsWith('\n')) tail += '\n';
    const long obj_at = bytes.size() + tail.size();
    tail += QByteArray::fromStdString(obj);
    const long xref_at = bytes.size() + tail.size();
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010ld 00000 n \n", obj_at);
    tail += "xref\n" + QByteArray::number(static_cast<qlonglong>(number)) + " 1\n" + entry;
    tail += "trailer\n<<\n/Size " + QByteArray::number(static_cast<qlonglong>(number + 1)) + "\n/Root " +
            root + "\n/Info " + QByteArray::number(static_cast<qlonglong>(number)) + " 0 R\n/Prev " +
            QByteArray::number(static_cast<qlonglong>(prev)) + "\n>>\nstartxref\n" +
            QByteArray::number(static_cast<qlonglong>(xref_at)) + "\n%%EOF\n";
    f.seek(bytes.size());
    return f.write(tail) == tail.size() && f.flush();
}

}  // namespace

void PaintPage(QPainter& painter, const report::Page& page, double px_per_mm) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    for (const Item& it : page.items) PaintItem(painter, it, px_per_mm);
    painter.restore();
}

QImage PageImage(const report::Document& document, int page, double px_per_mm) {
    const QSize size(static_cast<int>(document.width * px_per_mm + 0.5),
                     static_cast<int>(document.height * px_per_mm + 0.5));
    QImage img(size, QImage::Format_RGB32);
    img.setDotsPerMeterX(static_cast<int>(px_per_mm * 1000 + 0.5));
    img.setDotsPerMeterY(static_cast<int>(px_per_mm * 1000 + 0.5));
    img.fill(Qt::white);
    if (page >= 1 && page <= static_cast<int>(document.pages.size())) {
        QPainter p(&img);
        PaintPage(p, document.pages[static_cast<std::size_t>(page - 1)], px_per_mm);
    }
    return img;
}

std::string WriteReportPdf(const report::Document& document, const std::string& file,
                           const report::DocumentInfo& info) {
    static std::atomic<unsigned> counter{0};
    const std::filesystem::path target(file);
    std::error_code ec;
    if (target.has_parent_path() && !std::filesystem::is_directory(target.parent_path(), ec))
        return "folder " + target.parent_path().string() + " ne postoji";
    const std::string temp = file + ".part" + std::to_string(counter.fetch_add(1));
    const QString qtemp = QString::fromStdString(temp);
    {
        QPdfWriter writer(qtemp);
        writer.setResolution(kPdfResolution);
        writer.setPageLayout(
            QPageLayout(QPageSize(QSizeF(document.width, document.height), QPageSize::Millimeter),
                        QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
        writer.setTitle(QString::fromStdString(info.title));
        writer.setCreator(QString::fromStdString(info.creator));
        QPainter p;
        if (!p.begin(&writer)) {
            std::filesystem::remove(temp, ec);
            return "datoteka " + file + " se ne može zapisati";
        }
        const double k = kPdfResolution / 25.4;
        for (std::size_t i = 0; i < document.pages.size(); ++i) {
            if (i > 0) writer.newPage();
            PaintPage(p, document.pages[i], k);
        }
        if (document.pages.empty()) p.drawText(0, 0, QString());
        p.end();
    }
    if (!SetPdfInfo(qtemp, info)) {
        std::filesystem::remove(temp, ec);
        return "datoteka " + file + " se ne može zapisati";
    }
    std::filesystem::rename(temp, target, ec);
    if (ec) {
        std::filesystem::remove(temp, ec);
        return "datoteka " + file + " se ne može zapisati: " + ec.message();
    }
    return {};
}

}  // namespace rt::qt
