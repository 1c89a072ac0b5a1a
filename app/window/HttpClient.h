#pragma once

// The window's HTTP client: one GET at a time, synchronous for its caller. While a request
// waits, the caller's thread keeps dispatching every event: timers, repaints, network events
// (the connect, packet and failure notifications among them) and the user's mouse and keys,
// so that the window answers during a long walk. The caller decides which commands may run
// meanwhile.

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <string>

class QNetworkAccessManager;

// A request that did not complete: no connection, a time-out, an HTTP error status, or an
// interruption of the wait.
class HttpError : public std::runtime_error {
public:
    HttpError(const std::string& message, bool reached)
        : std::runtime_error(message), reached_(reached) {}
    // The request reached the server (or the proxy) before it failed; false when no
    // connection could be made at all.
    bool Reached() const { return reached_; }

private:
    bool reached_;
};

class HttpClient : public QObject {
    Q_OBJECT

public:
    explicit HttpClient(QObject* parent = nullptr);
    ~HttpClient() override;

    // Settings of the next request.
    int TimeOut = 40000;  // milliseconds for the whole request; 0 or less waits forever
    QString Proxy;        // host of an HTTP proxy; empty: straight to the site
    int ProxyPort = 0;    // port of the proxy
    std::int32_t Tag = 0; // free for the caller

    // Fetches url and returns once the answer is complete. Throws HttpError when the request
    // fails, and when another request of this client is still waiting.
    void Get(const QString& url);

    // The answer of the last request (what came before a failure, after one).
    const QByteArray& Body() const { return body_; }
    // Bytes of the answer received so far in the current request.
    qint64 BytesRecvd() const { return body_.size(); }
    bool Busy() const { return busy_; }

signals:
    void Connected();   // the request reached the server (or the proxy)
    void PacketRecvd(); // a part of the answer arrived
    void Failure();     // the request failed; Get throws once it returns

private:
    QNetworkAccessManager* manager_ = nullptr;
    QByteArray body_;
    bool busy_ = false;
};
