#pragma once

// The quote refresh: the walk over the securities that fetches, for each one, its quote, its
// intraday points and its history from the quote site chosen in the options, through the
// quote-page library and one HTTP client; the periodic full refresh; the progress panel of the
// status line; and the flashing that tells the user a fired alarm waits in the log.
//
// It works for a host (the main window, or a test) that gives it the document, the settings,
// the status-line panels and the alarm-log command, and that it tells when it starts, when it
// is done with a security and, once a walk is over, what the walk has to say.

#include "window/UnloggedAlarms.h"

#include <QIcon>
#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPainter;
class QProgressBar;
class QRect;
class QTimer;
class QWidget;

class HttpClient;
class TCorv;
struct AskWeb;
struct Valeurs;
enum class AskKind : std::int32_t;

struct ProgramSettings;

// What a walk has to tell the user once it is over, all of it in one message: an error that
// ends the walk must not hide a history that could not be saved before it.
struct QuoteRefreshReport {
    QString injoignable; // the site or proxy the walk could not connect to; empty if none
    std::vector<std::string> nonEnregistres; // history files it could not write
    UnloggedAlarms alarmesNonJournalisees;   // fired alarms that no log took
    QStringList erreurs;                     // what ended the walk, and what followed it

    // Adds the error being handled; called from inside a catch block.
    void NoteError();
    // The problems (unreachable site, unsaved histories, errors), one paragraph each; empty
    // when there are none. The fired alarms are told on their own.
    QString Text() const;
};

class QuoteRefresh : public QObject {
    Q_OBJECT

public:
    // What the refresh needs of its host; every member is given. None of it is owned.
    struct Host {
        std::function<TCorv*()> document;          // the open document, or null
        const ProgramSettings* settings = nullptr; // as the options last set them
        QWidget* window = nullptr;                 // flashed while an alarm waits
        QWidget* statusLine = nullptr;             // repainted at each progress step
        QProgressBar* progressPanel = nullptr;     // drawn by StatusLineDrawPanel
        QLabel* requestPanel = nullptr;            // the state of the current request
        QAction* viewLogs = nullptr;               // its image alternates while flashing
        // Runs a timer's tick so that no error reaches the event loop.
        std::function<void(const std::function<void()>&)> guard;
        std::function<void()> walkStarted;
        // The walk is done with a security, refreshed or passed over: the visible page shows
        // the new values at once. An error raised here ends the walk and is reported.
        std::function<void()> titreRefreshed;
        // The walk is over: the progress, the request panel and Refreshing() are idle again.
        std::function<void(QuoteRefreshReport&)> walkEnded;
    };

    explicit QuoteRefresh(Host host, QObject* parent = nullptr);
    ~QuoteRefresh() override;

    // Asks each security for the kinds up to depth; without one, up to the kind the options set.
    // One walk at a time: a call that comes while a request of another walk waits is refused.
    void UpdateCours(Valeurs* only, bool forced, std::optional<AskKind> depth);
    bool FetchCours(AskWeb& ask);
    // The full refresh up to the kind the options set, which Timer1 also runs.
    void Misejourcomplte1Click();
    void Timer1Timer();
    void TimeLogsTimer();
    void HttpConnect();
    void HttpPacketRecvd();
    void HttpFailure();
    void StatusLineDrawPanel(QPainter& canvas, const QRect& rect);

    bool Refreshing() const { return FRefreshing; }
    std::int32_t Progress() const { return FProgress; }
    int ViewLogsImage() const { return FViewLogsImage; }
    // The periodic full refresh; its interval and start follow the settings.
    QTimer* RefreshTimer() const { return Timer1; }
    // The one-second flash while the document's pending-alarm flag is set.
    QTimer* AlarmTimer() const { return TimeLogs; }
    // The request time-out, in milliseconds; tests shorten it.
    void SetHttpTimeOut(int milliseconds) { FHttpTimeOut = milliseconds; }

private:
    void RepaintStatusLine();
    // Adds to the report what it could not do; what it added stays there when an error ends
    // the walk.
    void RefreshWalk(Valeurs* only, bool forced, std::optional<AskKind> depth,
                     QuoteRefreshReport& report);
    // Runs a tick of one of the timers through the host's guard.
    void Tick(void (QuoteRefresh::*handler)());

    const Host FHost;
    HttpClient* Http = nullptr;
    QTimer* Timer1 = nullptr;
    QTimer* TimeLogs = nullptr;
    QTimer* FRefreshRetry = nullptr; // a timed refresh waiting for a modal dialog to close
    std::int32_t FProgress = 0;      // percent of the walk done, 0 when idle
    bool FConnected = false;
    bool FRefreshing = false;
    std::string FHistoCode; // the security whose page the walk's current request brings
    QString FInjoignable;   // the site or proxy that the walk could not connect to, if any
    int FViewLogsImage = 21;
    int FHttpTimeOut = 40000;
    std::array<QIcon, 2> FViewLogsIcons; // the alarm-log command's images 21 and 22
};
