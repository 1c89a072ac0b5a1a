#include "widgets/UiPrompts.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
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

QString QtPrompts::OpenFileName(QWidget* parent, const QString& title, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString QtPrompts::SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                const QString& defaultSuffix, const QString& initialName) {
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(defaultSuffix);
    dialog.selectFile(initialName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
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
