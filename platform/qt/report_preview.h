// The print preview: a report's pages in a window of their own with zoom, paging and
// printing. Its object name is "kvPreview" followed by the report procedure's name; its
// tool buttons are named "kvFirst", "kvPrevious", "kvNext", "kvLast", "kvPrint",
// "kvPrintPage" and "kvClose", its zoom list "kvZoom" and its page number "kvPage".
// Besides the buttons, PgDn and PgUp page, Ctrl+Home and Ctrl+End go to the first and last
// page, and Ctrl with the wheel, or + and -, zoom in and out.
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>

#include "platform/report/output.h"

class QComboBox;
class QLabel;
class QScrollArea;
class QSpinBox;

namespace rt::qt {

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(const report::PreviewRequest& request,
                  std::function<void(const report::PreviewAnswer&)> done);
    ~ReportPreview() override;

    int page() const { return page_; }
    int pages() const;
    int zoom() const { return zoom_; }
    void ShowPage(int page);
    void SetZoom(int zoom);
    // One step of the zoom list's percentages in (+1) or out (-1) from what is shown.
    void ZoomStep(int direction);
    // What the page view shows now.
    const QImage& Shown() const { return shown_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    void Render();
    double PxPerMm() const;
    void Finish(report::PreviewAnswer::Action action);
    // The paging and zoom keys; true when the key was one of them.
    bool PageKey(const QKeyEvent& key);

    const report::Document* document_;
    int page_ = 1;
    int zoom_ = -1;
    QScrollArea* scroll_ = nullptr;
    QLabel* view_ = nullptr;
    QSpinBox* page_box_ = nullptr;
    QComboBox* zoom_box_ = nullptr;
    QLabel* count_ = nullptr;
    QImage shown_;
    report::PreviewAnswer::Action action_ = report::PreviewAnswer::Closed;
    std::function<void(const report::PreviewAnswer&)> on_done_;
    bool answered_ = false;
    bool allow_zoom_ = true;
};

}  // namespace rt::qt
