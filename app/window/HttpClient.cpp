#include "window/HttpClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QTimer>
#include <QUrl>

#include <memory>

HttpClient::HttpClient(QObject* parent)
    : QObject(parent), manager_(new QNetworkAccessManager(this)) {
    // The page must come from the site each time: an old quote is worse than none.
    manager_->setCache(nullptr);
}

HttpClient::~HttpClient() = default;

void HttpClient::Get(const QString& url) {
    if (busy_)
        throw HttpError("une requête est déjà en cours", false);
    busy_ = true;
    body_.clear();

    // Settings are taken at each request, so a change of proxy applies to the next page.
    manager_->setProxy(Proxy.isEmpty() ? QNetworkProxy(QNetworkProxy::NoProxy)
                                       : QNetworkProxy(QNetworkProxy::HttpProxy, Proxy,
                                                       static_cast<quint16>(ProxyPort)));
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                         QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);

    // Deleted here rather than later: a reply left to the event loop could still deliver a
    // packet into the next request's body.
    std::unique_ptr<QNetworkReply> reply(manager_->get(request));
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    bool connected = false;
    bool failed = false;
    bool timedOut = false;
    QString reason;

    const auto connectOnce = [&] {
        if (connected)
            return;
        connected = true;
        emit Connected();
    };
    QNetworkReply* r = reply.get();
    connect(r, &QNetworkReply::requestSent, this, connectOnce);
    connect(r, &QNetworkReply::metaDataChanged, this, connectOnce);
    connect(r, &QNetworkReply::readyRead, this, [&, r] {
        connectOnce();
        body_ += r->readAll();
        emit PacketRecvd();
    });
    connect(r, &QNetworkReply::errorOccurred, this, [&, r](QNetworkReply::NetworkError) {
        if (failed)
            return;
        failed = true;
        reason = timedOut ? QString("délai de réponse dépassé") : r->errorString();
        emit Failure();
    });
    connect(r, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    connect(&deadline, &QTimer::timeout, this, [&, r] {
        timedOut = true;
        r->abort();
    });

    if (!r->isFinished()) {
        if (TimeOut > 0)
            deadline.start(TimeOut);
        loop.exec();
        deadline.stop();
    }
    if (!r->isFinished()) {
        // The wait was cut short (the application is quitting): the request is given up.
        r->disconnect(this);
        r->abort();
        if (!failed) {
            failed = true;
            reason = QString("requête interrompue");
            emit Failure();
        }
    }
    if (!failed)
        body_ += r->readAll();
    r->disconnect(this);
    reply.reset();
    busy_ = false;
    if (failed)
        throw HttpError(reason.toStdString(), connected);
}
