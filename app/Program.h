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

class QCoreApplication;
class QTranslator;

// Qt's own texts (standard buttons, file, print and colour dialogs) in French whatever the
// user's language, from Qt's translation in directory. Without it they stay English and the
// program starts all the same: null is returned and the missing file is noted on stderr.
QTranslator* InstallQtFrench(QCoreApplication& application, const QString& directory);
// The same from the directory where Qt keeps its translations.
QTranslator* InstallQtFrench(QCoreApplication& application);

// Shows an error that reached the application object.
void ShowException(const QString& text);

// Creates the main window, the about box, the data module and the split dialog in that order,
// runs the event loop and frees them. Returns the process status: not 0 when the program
// could not start (its settings key or data directory is missing).
int RunProgram(QApplication& application, UiPrompts* prompts = nullptr, bool runLoop = true);
