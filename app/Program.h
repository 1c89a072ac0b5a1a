#pragma once

// The program's entry, kept out of main() so that the start-up can be exercised.

#include <QApplication>

class UiPrompts;

// The application object. An exception that escapes an event handler is shown to the user
// instead of ending the program inside Qt's event loop.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error that reached the application object.
void ShowException(const QString& text);

// Creates the main window, the about box, the data module and the split dialog in that order,
// runs the event loop and frees them. Returns the process status: not 0 when the program
// could not start (its settings key or data directory is missing).
int RunProgram(QApplication& application, UiPrompts* prompts = nullptr, bool runLoop = true);
