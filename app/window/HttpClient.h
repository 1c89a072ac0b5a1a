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
#include <utility>

class QNetworkAccessManager;

// A request that did not complete: no connection, a time-out, an HTTP error status, an answer
// past the size limit, or an interruption of the wait.
class HttpError : public std::runtime_error {
public:
    enum class Cause {
        Unreachable, // no connection could be made at all
        Failed,      // the request reached the server (or the proxy), then failed
        TooLarge,    // the answer passed HttpClient::kMaxBody and was not read further
    };
    HttpError(const std::string& message, Cause cause)
        : std::runtime_error(message), cause_(cause) {}
    Cause Why() const { return cause_; }

private:
    Cause cause_;
};

class HttpClient : public QObject {
    Q_OBJECT

public:
    // An answer is read up to this many bytes: a quote page holds a few hundred kilobytes, and
    // one that does not end must not take the memory.
    static constexpr qint64 kMaxBody = 32 << 20;

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
    // The same, handed over without a copy; the client holds nothing after it.
    QByteArray TakeBody() { return std::exchange(body_, QByteArray()); }
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
