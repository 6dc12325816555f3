// Drawing of report pages: one painter code path for the preview, the printer and PDF.
// Positions come in millimetres; `px_per_mm` must match the device's logical resolution,
// so that point sizes of fonts and of rich text come out right on every device.
#pragma once

#include <QImage>
#include <string>

#include "platform/report/document.h"

class QPainter;

namespace rt::qt {

void PaintPage(QPainter& painter, const report::Page& page, double px_per_mm);

// A page as an image at the given resolution (the preview draws these).
QImage PageImage(const report::Document& document, int page, double px_per_mm);

// The document as a PDF file with its information: written to a temporary file beside
// `file` and moved into place. "" or what went wrong (UTF-8).
std::string WriteReportPdf(const report::Document& document, const std::string& file,
                           const report::DocumentInfo& info);

}  // namespace rt::qt
