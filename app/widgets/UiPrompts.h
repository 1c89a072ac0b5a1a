#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class QDialog;
class QWidget;

// Every modal exchange of the main window with the user goes through this interface, so that
// tests can answer message boxes and file dialogs without running a modal loop.
class UiPrompts {
public:
    virtual ~UiPrompts() = default;

    virtual QMessageBox::StandardButton Message(QWidget* parent, const QString& title,
                                                const QString& text, QMessageBox::Icon icon,
                                                QMessageBox::StandardButtons buttons) = 0;
    // A message whose default answer, the one Enter and Escape give, is defaultButton: a
    // question whose other answer loses something makes the safe one the default. Prompts that
    // show no box have no default to set: they answer as Message does.
    virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title,
                                            const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons,
                                            QMessageBox::StandardButton /*defaultButton*/) {
        return Message(parent, title, text, icon, buttons);
    }
    // A message that does not wait for the user: what runs on its own (a timed refresh) goes
    // on while it is shown. Prompts that show no box answer it as Message.
    virtual void Notice(QWidget* parent, const QString& title, const QString& text,
                        QMessageBox::Icon icon) {
        Message(parent, title, text, icon, QMessageBox::Ok);
    }
    // Empty when cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                                 const QString& defaultSuffix, const QString& initialName) = 0;
    // Shows a dialog modally; true when it was accepted.
    virtual bool RunDialog(QDialog& dialog) = 0;
    // Opens a local file with the desktop's default program.
    virtual bool OpenLocalFile(const QString& path) = 0;
    // Starts a program without waiting for it; false when it could not be started.
    virtual bool StartProgram(const QString& program, const QStringList& arguments) = 0;
};

#include <QPointer>

#include <memory>
#include <vector>

// The message box that the desktop shows for Message.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const QString& title,
                                            const QString& text, QMessageBox::Icon icon,
                                            QMessageBox::StandardButtons buttons);

// The real dialogs of the desktop.
class QtPrompts final : public UiPrompts {
public:
    QMessageBox::StandardButton Message(QWidget* parent, const QString& title, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) override;
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override;
    // A notice still shown is brought forward rather than shown again: a timed refresh that
    // fails at every tick would pile them up.
    void Notice(QWidget* parent, const QString& title, const QString& text,
                QMessageBox::Icon icon) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& filter,
                         const QString& defaultSuffix, const QString& initialName) override;
    bool RunDialog(QDialog& dialog) override;
    bool OpenLocalFile(const QString& path) override;
    bool StartProgram(const QString& program, const QStringList& arguments) override;

private:
    std::vector<QPointer<QMessageBox>> notices_; // owned by their parent, deleted on close
};
