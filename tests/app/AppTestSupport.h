#pragma once

// Shared set-up of the program's tests: one QApplication for the whole run (created on first
// use, offscreen), a temporary settings file and data directory per test, and prompts that
// answer from a script instead of opening modal loops.

#include "widgets/UiPrompts.h"
#include "window/Main.h"
#include "window/Registry.h"

#include "platform/DateTime.h"
#include "platform/Settings.h"

#include "support/TempFolder.h"

#include <QApplication>
#include <QDialog>
#include <QStringList>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ShownMessage {
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton; // as Ask gives it
    bool modal = true; // the program waits for the user's answer
};

class ScriptedPrompts : public UiPrompts {
public:
    std::vector<ShownMessage> messages;
    std::deque<QMessageBox::StandardButton> answers; // Ok when empty
    std::deque<QString> openNames;                   // "" (cancel) when empty
    std::deque<QString> saveNames;
    std::function<bool(QDialog&)> onDialog;
    std::function<void(const ShownMessage&)> onMessage; // runs while the message is up
    std::vector<QString> opened;
    std::vector<QString> started;
    int dialogs = 0;

    QMessageBox::StandardButton Message(QWidget*, const QString& title, const QString& text,
                                        QMessageBox::Icon icon,
                                        QMessageBox::StandardButtons buttons) override {
        messages.push_back({title, text, icon, buttons});
        if (onMessage)
            onMessage(messages.back());
        if (answers.empty())
            return QMessageBox::Ok;
        const auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
    // With no answer scripted, the user takes the default.
    QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                    QMessageBox::Icon icon, QMessageBox::StandardButtons buttons,
                                    QMessageBox::StandardButton defaultButton) override {
        if (answers.empty())
            answers.push_back(defaultButton);
        const QMessageBox::StandardButton answer = Message(parent, title, text, icon, buttons);
        messages.back().defaultButton = defaultButton;
        return answer;
    }
    void Notice(QWidget* parent, const QString& title, const QString& text,
                QMessageBox::Icon icon) override {
        Message(parent, title, text, icon, QMessageBox::Ok);
        messages.back().modal = false;
    }
    QString OpenFileName(QWidget*, const QString&, const QString&) override {
        return Pop(openNames);
    }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&,
                         const QString&) override {
        return Pop(saveNames);
    }
    bool RunDialog(QDialog& dialog) override {
        ++dialogs;
        return onDialog ? onDialog(dialog) : false;
    }
    bool OpenLocalFile(const QString& path) override {
        opened.push_back(path);
        return true;
    }
    bool StartProgram(const QString& program, const QStringList&) override {
        started.push_back(program);
        return true;
    }

private:
    static QString Pop(std::deque<QString>& queue) {
        if (queue.empty())
            return QString();
        QString value = queue.front();
        queue.pop_front();
        return value;
    }
};

class AppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes values into the program key (created when missing).
    void WithKey(const std::function<void(platform::SettingsStore&)>& write);
    // Reads the program key; fails the test when it does not exist.
    void ReadKey(const std::function<void(platform::SettingsStore&)>& read);
    std::unique_ptr<TMainForm> Start(QStringList arguments = {"corvane"});
    std::string WriteFile(const std::string& name, const std::string& text);
    std::string Path(const std::string& name) const { return folder_.File(name); }
    const ShownMessage* LastMessage() const {
        return prompts.messages.empty() ? nullptr : &prompts.messages.back();
    }

    ScriptedPrompts prompts;
    const TempFolder folder_;
    const std::string dataDir_ = folder_.File("data");
    std::string oldConfig_;
    bool hadConfig_ = false;
};

// The main window started on an empty data folder, closed after the test.
class WindowTest : public AppTest {
protected:
    void SetUp() override;
    void TearDown() override;

    std::unique_ptr<TMainForm> form;
    TCorv* doc = nullptr;
};

// A portfolio file with one cash movement, and one whose date cannot be read.
inline const char* const kGoodFile = "10000|*\nG|5.000000|5.000000|*\nM|01/02/26|F|C|10000|*\n";
inline const char* const kBadFile = "10000|*\nG|5.000000|5.000000|*\nM|xx/02/26|F|C|10000|*\n";
