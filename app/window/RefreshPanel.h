#pragma once

// What the window shows of the quote refresh: the progress panel of the status line, the state
// of the current request, and the flashing that tells the user a fired alarm waits in the log.

#include <QIcon>
#include <QObject>

#include <array>
#include <functional>

class QAction;
class QLabel;
class QPainter;
class QProgressBar;
class QRect;
class QTimer;
class QWidget;

class QuoteRefresh;
class TCorv;

class RefreshPanel : public QObject {
    Q_OBJECT

public:
    // The widgets it draws into; none is owned.
    struct Widgets {
        QWidget* window = nullptr;             // flashed while an alarm waits
        QWidget* statusLine = nullptr;         // repainted at each progress step
        QProgressBar* progressPanel = nullptr; // drawn by StatusLineDrawPanel
        QLabel* requestPanel = nullptr;        // the state of the current request
        QAction* viewLogs = nullptr;           // its image alternates while flashing
    };

    // document: the open document, or null.
    RefreshPanel(Widgets widgets, std::function<TCorv*()> document, QObject* parent = nullptr);

    // Shows what the walk tells.
    void Follow(const QuoteRefresh& walk);

    void StatusLineDrawPanel(QPainter& canvas, const QRect& rect);
    void TimeLogsTimer();

    int ViewLogsImage() const { return FViewLogsImage; }
    // The one-second flash while the document's pending-alarm flag is set.
    QTimer* AlarmTimer() const { return TimeLogs; }

private:
    void ShowProgress(int percent);

    const Widgets FWidgets;
    const std::function<TCorv*()> FDocument;
    QTimer* TimeLogs = nullptr;
    int FProgress = 0;
    int FViewLogsImage = 21;
    std::array<QIcon, 2> FViewLogsIcons; // the alarm-log command's images 21 and 22
};
