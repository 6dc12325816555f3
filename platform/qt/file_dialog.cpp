// The file and folder dialog of the window runtime: modal for the asking thread's windows
// as a message box is, never for the others.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "platform/qt/gui_server.h"
#include "platform/qt/qt_window.h"

namespace rt::qt {

namespace {

// "All Files|*.*|Texts|*.txt" as the dialog's name filters ("All Files (*.*)", ...).
QStringList NameFilters(const std::string& mask) {
    QStringList parts = FromCp1250(mask).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        filters << parts[i].trimmed() + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
    }
    return filters;
}

}  // namespace

void GuiServer::ShowFileDialog(const ui::FileDialogRequest& request) {
    QMetaObject::invokeMethod(
        this, [this, request] { DoFileDialog(request); }, Qt::QueuedConnection);
}

void GuiServer::DoFileDialog(const ui::FileDialogRequest& request) {
    auto* dialog = new QFileDialog;
    dialog->setObjectName(QStringLiteral("kvFileDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::NonModal);
    // The program's own dialog: the same on every desktop, and reachable by the tests.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(FromCp1250(request.title));
    const bool folder = request.flags & ui::FileDialogFlag::Directory;
    if (folder) {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog->setFileMode((request.flags & ui::FileDialogFlag::Save) ? QFileDialog::AnyFile
                                                                       : QFileDialog::ExistingFile);
        dialog->setAcceptMode((request.flags & ui::FileDialogFlag::Save) ? QFileDialog::AcceptSave
                                                                         : QFileDialog::AcceptOpen);
        const QStringList filters = NameFilters(request.mask);
        if (!filters.isEmpty()) dialog->setNameFilters(filters);
    }
    const QString start = FromCp1250(request.start).trimmed();
    const QFileInfo info(start);
    if (!start.isEmpty() && info.exists())
        dialog->setDirectory(info.isDir() ? info.absoluteFilePath() : info.absolutePath());
    else
        dialog->setDirectory(QDir::currentPath());

    const std::uint32_t id = request.id;
    const int thread = request.thread;
    ++dialogs_[thread];
    UpdateModality(thread);
    connect(dialog, &QDialog::finished, this, [this, dialog, id, thread](int result) {
        const QStringList chosen = dialog->selectedFiles();
        if (result == QDialog::Accepted && !chosen.isEmpty())
            ui::DeliverFileName(id, true, ToCp1250(QDir::toNativeSeparators(chosen.first())));
        else
            ui::DeliverFileName(id, false, {});
        if (--dialogs_[thread] <= 0) dialogs_.erase(thread);
        UpdateModality(thread);
    });
    dialog->open();
}

std::vector<QWidget*> GuiServer::FileDialogs() const {
    std::vector<QWidget*> out;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->objectName() == QStringLiteral("kvFileDialog")) out.push_back(w);
    return out;
}

}  // namespace rt::qt
