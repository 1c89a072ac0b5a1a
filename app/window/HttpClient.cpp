#include "window/HttpClient.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QScopeGuard>
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
        throw HttpError("une requête est déjà en cours", HttpError::Cause::Unreachable);
    busy_ = true;
    const auto libre = qScopeGuard([this] { busy_ = false; });
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
    bool tooLarge = false;
    QString reason;

    const auto connectOnce = [&] {
        if (connected)
            return;
        connected = true;
        emit Connected();
    };
    QNetworkReply* r = reply.get();
    // Past the limit, the answer is given up before it is read: what is announced, then what
    // comes.
    const auto refuseBeyond = [&, r](qint64 size) {
        if (size <= kMaxBody)
            return false;
        tooLarge = true;
        r->abort();
        return true;
    };
    connect(r, &QNetworkReply::requestSent, this, connectOnce);
    connect(r, &QNetworkReply::metaDataChanged, this, [&, r] {
        connectOnce();
        refuseBeyond(r->header(QNetworkRequest::ContentLengthHeader).toLongLong());
    });
    connect(r, &QNetworkReply::readyRead, this, [&, r] {
        connectOnce();
        if (refuseBeyond(body_.size() + r->bytesAvailable()))
            return;
        body_ += r->readAll();
        emit PacketRecvd();
    });
    const auto fail = [&](const QString& why) {
        if (failed)
            return;
        failed = true;
        reason = why;
        emit Failure();
    };
    const QString tropGrande = QString("réponse de plus de %1 Mo").arg(kMaxBody >> 20);
    connect(r, &QNetworkReply::errorOccurred, this, [&, r](QNetworkReply::NetworkError) {
        fail(tooLarge   ? tropGrande
             : timedOut ? QString("délai de réponse dépassé")
                        : r->errorString());
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
        fail(QString("requête interrompue"));
    }
    if (!failed && body_.size() + r->bytesAvailable() > kMaxBody) {
        tooLarge = true;
        fail(tropGrande);
    }
    if (!failed)
        body_ += r->readAll();
    r->disconnect(this);
    reply.reset();
    if (failed)
        throw HttpError(reason.toStdString(), tooLarge    ? HttpError::Cause::TooLarge
                                              : connected ? HttpError::Cause::Failed
                                                          : HttpError::Cause::Unreachable);
}
