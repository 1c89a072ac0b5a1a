#include "widgets/UiPrompts.h"

#include "widgets/FileDialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QProcess>
#include <QUrl>

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& title,
                                            const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons) {
    return std::make_unique<QMessageBox>(icon, title, text, buttons, parent);
}

QMessageBox::StandardButton QtPrompts::Message(QWidget* parent, const QString& title,
                                               const QString& text, QMessageBox::Icon icon,
                                               QMessageBox::StandardButtons buttons) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, title, text, icon, buttons);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

QMessageBox::StandardButton QtPrompts::Ask(QWidget* parent, const QString& title,
                                           const QString& text, QMessageBox::Icon icon,
                                           QMessageBox::StandardButtons buttons,
                                           QMessageBox::StandardButton defaultButton) {
    const std::unique_ptr<QMessageBox> box = MakeMessageBox(parent, title, text, icon, buttons);
    box->setDefaultButton(defaultButton);
    box->setEscapeButton(defaultButton);
    return static_cast<QMessageBox::StandardButton>(box->exec());
}

void QtPrompts::Notice(QWidget* parent, const QString& title, const QString& text,
                       QMessageBox::Icon icon) {
    std::erase_if(notices_, [](const QPointer<QMessageBox>& box) { return box.isNull(); });
    for (const QPointer<QMessageBox>& box : notices_)
        if (box->isVisible() && box->windowTitle() == title && box->text() == text) {
            box->raise();
            return;
        }
    // Deleted when closed, or with its parent.
    QMessageBox* const box = MakeMessageBox(parent, title, text, icon, QMessageBox::Ok).release();
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    notices_.emplace_back(box);
}

QString QtPrompts::OpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    const auto dialog = MakeFileDialog(parent, title, filter, QFileDialog::AcceptOpen);
    return RunFileDialog(*dialog);
}

QString QtPrompts::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& defaultSuffix, const QString& initialName) {
    const auto dialog = MakeFileDialog(parent, title, filter, QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(defaultSuffix);
    dialog->selectFile(initialName);
    return RunFileDialog(*dialog);
}

bool QtPrompts::RunDialog(QDialog& dialog) {
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::OpenLocalFile(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtPrompts::StartProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}
